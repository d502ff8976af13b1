// Closing the window while a command waits: the command returns at once,
// touches no control again, and the program exits with code 0. Each case runs
// in a child process, because closing the last window ends the event loops of
// the whole process.

#include <gtest/gtest.h>

#include "tests/app/gui_support.h"

namespace quorvane::testing {

namespace {

// Long enough for a child under the sanitizers; a child that hangs fails.
constexpr int kChildTimeoutMs = 60'000;

TEST(Closing, DuringTheQueryWaitEndsTheQueryAndExitsCleanly) {
  const ChildRun result = runChildProgram("query-wait", kChildTimeoutMs);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.facts.at("requests"), 1);
  // Neither the results box nor the label was touched after the close.
  EXPECT_EQ(result.facts.at("results"), 0);
  EXPECT_EQ(result.facts.at("caption"), 0);
}

TEST(Closing, DuringTheReloadStopsReadingAndExitsCleanly) {
  const ChildRun result = runChildProgram("reload", kChildTimeoutMs);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_GE(result.facts.at("table"), 10);
  EXPECT_LT(result.facts.at("table"), 20000);
}

TEST(Closing, DuringTheRunsPauseEndsTheRunWithoutAMessage) {
  const ChildRun result = runChildProgram("run-pause", kChildTimeoutMs);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.facts.at("requests"), 1);
  EXPECT_EQ(result.facts.at("messages"), 0);
}

}  // namespace
}  // namespace quorvane::testing
