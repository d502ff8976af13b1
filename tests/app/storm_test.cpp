// A storm of clicks, row activations, typing and key presses while long-tail
// runs, Queries, Stops and Saves nest in each other's waits. The storm is
// random but seeded: the seed is printed, and QUORVANE_STORM_SEED replays one.
// QUORVANE_STORM_SECONDS sets its length.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>
#include <gtest/gtest.h>

#include "app/gbk_text.h"
#include "tests/app/gui_support.h"

namespace quorvane::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kStormSeed = 424242;

std::uint32_t stormSeed() {
  bool ok = false;
  const uint value = qEnvironmentVariable("QUORVANE_STORM_SEED").toUInt(&ok);
  return ok ? value : kStormSeed;
}

void printFigures(const ClickStorm& storm, const MessageCloser& messages) {
  const ClickStorm::Figures& f = storm.figures();
  std::printf(
      "storm: seed %u, %.1f s, %lld actions: %d queries, %d runs, %d stops, %d saves, %d web pages, "
      "%d activations, %d key presses, %d typings; %lld messages; at most %d commands nested\n",
      storm.seed(), storm.seconds(), f.actions, f.queries, f.runs, f.stops, f.saves, f.webPages, f.activations,
      f.keyPresses, f.typed, static_cast<long long>(messages.texts().size()), f.deepest);
  std::fflush(stdout);
}

TEST(ClickStorm, NestedCommandsKeepTheirInvariantsAndAllEnd) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  ClickStorm storm(window, fixture.service, stormSeed());
  window.编辑框_数据->setText(QStringLiteral("S"));
  QTest::mouseClick(window.按钮1, Qt::LeftButton);
  ASSERT_EQ(window.超级列表框1->topLevelItemCount(), ClickStorm::kSeedWords);

  const std::chrono::milliseconds length = stormLength(10s);
  storm.start(length);
  // The storm bounds itself: past its length it presses Stop until all has
  // returned, and closes the window if that does not happen.
  ASSERT_TRUE(waitUntil([&] { return storm.over(); }, static_cast<int>((length + 180s).count())));
  printFigures(storm, fixture.messages);

  EXPECT_TRUE(storm.problems().isEmpty()) << storm.problems().join(QLatin1Char('\n')).toStdString();
  const ClickStorm::Figures& f = storm.figures();
  // Every run and every Stop ended with the one message, and nothing else
  // showed one.
  EXPECT_EQ(fixture.messages.count(QStringLiteral("查询完毕")), f.runs + f.stops);
  EXPECT_EQ(fixture.messages.texts().size(), f.runs + f.stops);
  EXPECT_EQ(f.urlsOpened, f.webPages);
  EXPECT_GE(window.crawlCursor, 0);
  // The storm did stir: the counts come from the controls' own signals.
  EXPECT_GE(f.runs, 2);
  EXPECT_GE(f.queries, 1);
  EXPECT_GE(f.saves, 1);
  EXPECT_GE(f.activations, 1);
  EXPECT_GE(f.deepest, 2);

  // With nothing nested any more, a Query leaves a.txt exactly the results
  // box and the list its lines.
  window.编辑框_数据->setText(QStringLiteral("终 c++ & c#"));
  QTest::mouseClick(window.按钮1, Qt::LeftButton);
  const std::string results = textToBytes(toCommandText(window.编辑框2->toPlainText()));
  EXPECT_EQ(fixture.fileBytes(QStringLiteral("a.txt")).toStdString(), results);
  const QStringList rows = fixture.listRows();
  ASSERT_EQ(rows.size(), ClickStorm::kSeedWords);
  const QString seed = window.编辑框_数据->text();
  EXPECT_EQ(rows.front(), QStringLiteral("1 ") + seed + QStringLiteral("号0"));
  EXPECT_EQ(rows.back(), QStringLiteral("300 ") + seed + QStringLiteral("号299"));
  EXPECT_TRUE(storm.problems().isEmpty());
}

TEST(ClickStorm, ClosingTheWindowUnderTheStormExitsCleanly) {
  for (const char* scenario : {"storm-close", "storm-close-box"}) {
    SCOPED_TRACE(scenario);
    const ChildRun run = runChildProgram(scenario, 120'000);
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.facts.at("problems"), 0);
    EXPECT_EQ(run.facts.at("over"), 1);
    // The window closed while at least one command of the storm was waiting.
    EXPECT_GE(run.facts.at("runningAtClose"), 1);
    EXPECT_GE(run.facts.at("cursor"), 0);
    EXPECT_GT(run.facts.at("actions"), 100);
  }
}

}  // namespace
}  // namespace quorvane::testing
