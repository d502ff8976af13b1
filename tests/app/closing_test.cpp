// Closing the window while a command waits: the command returns at once,
// touches no control again, and the program exits with code 0. Each case runs
// in a child process, because closing the last window ends the event loops of
// the whole process.

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>

#include "app/commands.h"
#include "tests/app/child_scenarios.h"
#include "tests/app/gui_support.h"

namespace quorvane::testing {

namespace {

struct ChildResult {
  int exitCode = -1;
  std::map<std::string, long long> facts;
};

ChildResult runChild(const char* scenario) {
  QProcess child;
  child.setProgram(QCoreApplication::applicationFilePath());
  child.setArguments({QStringLiteral("--child=") + scenario});
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start();
  ChildResult result;
  if (!child.waitForFinished(60'000)) {
    child.kill();
    child.waitForFinished();
    return result;
  }
  result.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
  for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
    const qsizetype at = line.indexOf('=');
    if (at > 0) result.facts[line.left(at).toStdString()] = line.mid(at + 1).toLongLong();
  }
  return result;
}

TEST(Closing, DuringTheQueryWaitEndsTheQueryAndExitsCleanly) {
  const ChildResult result = runChild("query-wait");
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.facts.at("requests"), 1);
  // Neither the results box nor the label was touched after the close.
  EXPECT_EQ(result.facts.at("results"), 0);
  EXPECT_EQ(result.facts.at("caption"), 0);
}

TEST(Closing, DuringTheReloadStopsReadingAndExitsCleanly) {
  const ChildResult result = runChild("reload");
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_GE(result.facts.at("table"), 10);
  EXPECT_LT(result.facts.at("table"), 20000);
}

TEST(Closing, DuringTheRunsPauseEndsTheRunWithoutAMessage) {
  const ChildResult result = runChild("run-pause");
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.facts.at("requests"), 1);
  EXPECT_EQ(result.facts.at("messages"), 0);
}

}  // namespace
}  // namespace quorvane::testing
