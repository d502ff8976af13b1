// The long-tail run, Stop and row activation against a keyword service on
// 127.0.0.1. Every keyword K is recommended "K甲" and "K乙".

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/commands.h"
#include "tests/app/gui_support.h"

namespace quorvane::testing {
namespace {

// A list of the given keywords, built as a Query builds it.
void listKeywords(MainWindow& window, const QString& lines) {
  window.编辑框2->setPlainText(lines);
  ASSERT_TRUE(buildKeywordTable(window));
}

TEST(LongTail, FetchesEveryRowInOrderAndEndsOnce) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  listKeywords(window, "a\nb\nc\n");

  QTest::mouseClick(window.按钮3, Qt::LeftButton);

  EXPECT_EQ(fixture.service.wordRequests(), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(fixture.results(), "a\r\nb\r\nc\r\na甲\r\na乙\r\nb甲\r\nb乙\r\nc甲\r\nc乙\r\n");
  EXPECT_EQ(fixture.messages.texts(), QStringList{"查询完毕"});
  EXPECT_EQ(fixture.messages.captions(), QStringList{"提示"});
  EXPECT_TRUE(fixture.messages.allApplicationModal());
  EXPECT_EQ(window.crawlCursor, 3);
  EXPECT_EQ(window.超级列表框1->currentItem(), window.超级列表框1->topLevelItem(2));
}

TEST(LongTail, CursorCarriesOverToTheNextQuerysList) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  listKeywords(window, "a\nb\nc\n");
  QTest::mouseClick(window.按钮3, Qt::LeftButton);
  listKeywords(window, "v\nw\nx\ny\nz\n");
  fixture.service.server().clearRequests();

  QTest::mouseClick(window.按钮3, Qt::LeftButton);

  const std::vector<std::string> requests = fixture.service.wordRequests();
  EXPECT_EQ(std::vector<std::string>(requests.begin() + 3, requests.end()), (std::vector<std::string>{"y", "z"}));
  EXPECT_EQ(window.crawlCursor, 5);
  EXPECT_EQ(fixture.messages.count("查询完毕"), 2);
}

TEST(LongTail, EmptyListFetchesTheEmptyKeywordAndEnds) {
  WindowFixture fixture;
  QTest::mouseClick(fixture.window->按钮3, Qt::LeftButton);
  EXPECT_EQ(fixture.service.wordRequests(), std::vector<std::string>{""});
  EXPECT_EQ(fixture.results(), "甲\r\n乙\r\n");
  EXPECT_EQ(fixture.messages.count("查询完毕"), 1);
  EXPECT_EQ(fixture.window->crawlCursor, 1);
}

TEST(LongTail, RowWithoutWordsAppendsNothingAndTheRunGoesOn) {
  WindowFixture fixture;
  fixture.service.setWords([](const std::string& keyword) {
    return keyword == "b" ? std::vector<std::string>{} : std::vector<std::string>{keyword + "!"};
  });
  listKeywords(*fixture.window, "a\nb\nc\n");
  QTest::mouseClick(fixture.window->按钮3, Qt::LeftButton);
  EXPECT_EQ(fixture.results(), "a\r\nb\r\nc\r\na!\r\nc!\r\n");
}

TEST(LongTail, StopWhileIdleShowsTheMessageAndFetchesNothing) {
  WindowFixture fixture;
  listKeywords(*fixture.window, "a\nb\n");
  QTest::mouseClick(fixture.window->按钮5, Qt::LeftButton);
  EXPECT_EQ(fixture.messages.count("查询完毕"), 1);
  EXPECT_TRUE(fixture.service.wordRequests().empty());
  EXPECT_EQ(fixture.window->crawlCursor, 2);
}

TEST(LongTail, StopDuringAFetchEndsTheRunAfterThatFetch) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  listKeywords(window, "a\nb\nc\n");
  // Lands in the first row's 100 ms wait.
  clickWhen(window.按钮5, [&] { return fixture.service.wordRequests().size() == 1; });
  QTest::mouseClick(window.按钮3, Qt::LeftButton);

  EXPECT_EQ(fixture.service.wordRequests(), std::vector<std::string>{"a"});
  EXPECT_EQ(fixture.results(), "a\r\nb\r\nc\r\na甲\r\na乙\r\n");
  // One message from Stop, one from the run it ended.
  EXPECT_EQ(fixture.messages.count("查询完毕"), 2);
  EXPECT_EQ(window.crawlCursor, 4);
}

TEST(LongTail, NestedRunSharesTheCursor) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  listKeywords(window, "a\nb\nc\nd\n");
  clickWhen(window.按钮3, [&] { return fixture.service.wordRequests().size() == 1; });
  QTest::mouseClick(window.按钮3, Qt::LeftButton);

  // The nested run started inside row a's wait, before the outer run had
  // advanced the cursor: it fetched a again, then b, c and d. The outer run
  // then finished its fetch, stepped the shared cursor past the end, and ended.
  EXPECT_EQ(fixture.service.wordRequests(), (std::vector<std::string>{"a", "a", "b", "c", "d"}));
  EXPECT_EQ(fixture.messages.count("查询完毕"), 2);
  EXPECT_EQ(window.crawlCursor, 5);
}

TEST(LongTail, NestedQueryReplacesTheListUnderARun) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  window.编辑框_数据->setText("s");
  listKeywords(window, "a\nb\nc\n");
  clickWhen(window.按钮1, [&] { return fixture.service.wordRequests().size() == 1; });
  QTest::mouseClick(window.按钮3, Qt::LeftButton);

  // Row a's words went to the box the Query filled; the run then went on
  // with the Query's list (s甲, s乙) from cursor 1.
  const std::vector<std::string> requests = fixture.service.wordRequests();
  ASSERT_GE(requests.size(), 3u);
  EXPECT_EQ(requests[0], "a");
  EXPECT_EQ(requests[1], "s");
  EXPECT_EQ(requests.back(), "s乙");
  EXPECT_EQ(fixture.messages.count("查询完毕"), 1);
}

TEST(LongTail, ActivatingARowFetchesItAndLeavesTheCursorAlone) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  listKeywords(window, "a\nb\nc\n");
  QTreeWidget* list = window.超级列表框1;
  const QRect row = list->visualItemRect(list->topLevelItem(1));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
  ASSERT_TRUE(waitUntil([&] { return !fixture.service.wordRequests().empty(); }));
  QTest::qWait(200);

  EXPECT_EQ(fixture.service.wordRequests(), std::vector<std::string>{"b"});
  EXPECT_EQ(fixture.results(), "a\r\nb\r\nc\r\nb甲\r\nb乙\r\n");
  EXPECT_EQ(window.crawlCursor, 0);
  EXPECT_TRUE(fixture.messages.texts().isEmpty());
}

TEST(LongTail, EnterOnTheSelectedRowFetchesIt) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  listKeywords(window, "a\nb\n");
  window.超级列表框1->setFocus();
  window.超级列表框1->setCurrentItem(window.超级列表框1->topLevelItem(0));
  QTest::keyClick(window.超级列表框1, Qt::Key_Return);
  ASSERT_TRUE(waitUntil([&] { return fixture.results().find("a甲") != std::string::npos; }));
  EXPECT_EQ(fixture.service.wordRequests(), std::vector<std::string>{"a"});
}

}  // namespace
}  // namespace quorvane::testing
