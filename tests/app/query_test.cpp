// The Query command end to end against a keyword service on 127.0.0.1:
// recommended words, search volumes, and the keyword table and list.

#include <QLabel>
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

const QString kToday = QStringLiteral("当前关键词今日搜索量  ");
const QString kTotal = QStringLiteral("总搜索量  ");

TEST(Query, FillsResultsCaptionFileAndList) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  window.编辑框_数据->setText(QStringLiteral("中文"));

  QTest::mouseClick(window.按钮1, Qt::LeftButton);

  EXPECT_EQ(fixture.service.wordRequests(), std::vector<std::string>{"中文"});
  // Two volume requests, each with the keyword read afresh.
  EXPECT_EQ(fixture.service.volumeRequests(), (std::vector<std::string>{"中文", "中文"}));
  EXPECT_EQ(fixture.results(), "中文甲\r\n中文乙\r\n");
  EXPECT_EQ(window.标签1->text(), kToday + "12" + kTotal + "345");
  // a.txt holds the results box's GBK bytes exactly.
  EXPECT_EQ(fixture.fileBytes("a.txt"), QByteArray("\xD6\xD0\xCE\xC4\xBC\xD7\r\n\xD6\xD0\xCE\xC4\xD2\xD2\r\n"));
  EXPECT_EQ(fixture.listRows(), (QStringList{"1 中文甲", "2 中文乙"}));
  EXPECT_TRUE(window.超级列表框1->selectedItems().isEmpty());
  EXPECT_EQ(window.crawlCursor, 0);
}

TEST(Query, AnswerWithoutWordsEmptiesTheResults) {
  const struct {
    const char* name;
    std::string body;
    std::string results;
  } rows[] = {
      {"no answer at all", "", ""},
      {"text before the first marker only", "{\"status\":1,\"data\":[]}", ""},
      {"a piece without the end marker gives an empty line", "{\"word\":\"A\",\"total\":1}{\"word\":\"B", "A\r\n\r\n"},
      {"an answer that begins with the marker", "{\"word\":\"A\",\"total\":1}", "A\r\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WindowFixture fixture;
    fixture.window->编辑框2->setPlainText("old");
    fixture.service.setWordsBody([&](const std::string&, int) { return row.body; });
    QTest::mouseClick(fixture.window->按钮1, Qt::LeftButton);
    EXPECT_EQ(fixture.results(), row.results);
  }
}

TEST(Query, EmptySeedStillAsks) {
  WindowFixture fixture;
  fixture.window->编辑框_数据->clear();
  QTest::mouseClick(fixture.window->按钮1, Qt::LeftButton);
  EXPECT_EQ(fixture.service.wordRequests(), std::vector<std::string>{""});
}

TEST(Query, CaptionTakesTheFiguresBetweenTheirMarkers) {
  const struct {
    const char* name;
    std::string answer;
    QString caption;
  } rows[] = {
      {"both figures", R"({"biznum":"12","totalnum":"345"},"success":"true")", kToday + "12" + kTotal + "345"},
      {"no today marker", R"({"x":"12","totalnum":"345"},"success":"true")", kToday + kTotal + "345"},
      {"empty today value", R"({"biznum":"","totalnum":"345"},"success":"")", kToday + kTotal + "345"},
      {"no success marker", R"({"biznum":"12","totalnum":"345"})", kToday + "12" + kTotal},
      {"failed request", "", kToday + kTotal},
      {"figures copied byte for byte", R"({"biznum":"1,234","totalnum":"-约5万"},"success":"1")",
       kToday + "1,234" + kTotal + "-约5万"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WindowFixture fixture;
    fixture.service.setVolumeBody([&](int) { return row.answer; });
    QTest::mouseClick(fixture.window->按钮1, Qt::LeftButton);
    EXPECT_EQ(fixture.window->标签1->text(), row.caption);
    EXPECT_EQ(fixture.service.volumeRequests().size(), 2u);
  }
}

TEST(Query, TodayAndTotalComeFromSeparateAnswers) {
  WindowFixture fixture;
  fixture.service.setVolumeBody([](int number) {
    return number == 1 ? std::string(R"({"biznum":"1","totalnum":"2"},"success":"")")
                       : std::string(R"({"biznum":"3","totalnum":"4"},"success":"")");
  });
  QTest::mouseClick(fixture.window->按钮1, Qt::LeftButton);
  EXPECT_EQ(fixture.window->标签1->text(), kToday + "1" + kTotal + "4");
}

TEST(Query, SecondClickDuringTheWaitRunsANestedQuery) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  fixture.service.setWordsBody([](const std::string&, int number) {
    return wordsAnswer({number == 1 ? "first" : "second"});
  });
  // The nested click lands in the first Query's 100 ms wait after its answer.
  clickWhen(window.按钮1, [&] { return fixture.service.wordRequests().size() == 1; });
  QTest::mouseClick(window.按钮1, Qt::LeftButton);

  EXPECT_EQ(fixture.service.wordRequests().size(), 2u);
  EXPECT_EQ(fixture.service.volumeRequests().size(), 4u);
  // The first Query went on with what the scratch box held after the nested
  // one: the second answer.
  EXPECT_EQ(fixture.results(), "second\r\n");
  EXPECT_EQ(fixture.listRows(), QStringList{"1 second"});
}

}  // namespace
}  // namespace quorvane::testing
