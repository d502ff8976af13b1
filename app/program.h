#pragma once

// Start-up and exit, apart from main() so that tests run the same path.

class QApplication;

namespace quorvane {

// Makes the program's directory the current one, shows the main window
// centred, runs the event loop until the window closes, releases the HTTP
// client and returns the exit code (0).
int runProgram(QApplication& application);

}  // namespace quorvane
