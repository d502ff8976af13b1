#pragma once

#include <string_view>

class QApplication;

namespace quorvane::testing {

// Runs the scenario `name` in this (child) process the way the program runs:
// the window is shown and the event loop runs until the window closes. Prints
// what happened as "key=value" lines and returns the event loop's exit code.
int runChildScenario(QApplication& application, std::string_view name);

}  // namespace quorvane::testing
