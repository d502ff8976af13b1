// The keyword table: a.txt from the results box, its lines read back by the
// scratch file's rules, and the numbered list.

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/commands.h"
#include "tests/app/gui_support.h"

namespace quorvane::testing {
namespace {

std::vector<std::string> tableOf(const MainWindow& window) {
  std::vector<std::string> keywords;
  for (const KeywordEntry& entry : window.keywordTable) keywords.push_back(entry.keyword);
  return keywords;
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

TEST(KeywordTable, ComesFromTheResultsBoxLines) {
  const struct {
    const char* name;
    QString results;
    QByteArray fileBytes;
    QStringList rows;
  } rows[] = {
      {"an empty line takes no number", "a\nb\n\nc\n", "a\r\nb\r\n\r\nc\r\n", {"1 a", "2 b", "3 c"}},
      {"duplicates stay", "a\na\n", "a\r\na\r\n", {"1 a", "2 a"}},
      {"spaces are kept", " a \n", " a \r\n", {"1  a "}},
      {"a last line without a line end is read", "a\nb", "a\r\nb", {"1 a", "2 b"}},
      {"an empty box gives an empty file and list", "", "", {}},
      {"GBK keyword", "中文\n", "\xD6\xD0\xCE\xC4\r\n", {"1 中文"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WindowFixture fixture;
    fixture.window->编辑框2->setPlainText(row.results);
    ASSERT_TRUE(buildKeywordTable(*fixture.window));
    EXPECT_EQ(fixture.fileBytes("a.txt"), row.fileBytes);
    EXPECT_TRUE(QFile::exists(fixture.path("a.txt")));
    EXPECT_EQ(fixture.listRows(), row.rows);
    EXPECT_EQ(fixture.window->keywordTable.size(), static_cast<std::size_t>(row.rows.size()));
  }
}

TEST(KeywordTable, ReadsLinesByTheScratchFileRules) {
  const struct {
    const char* name;
    QByteArray file;
    std::vector<std::string> table;
  } rows[] = {
      {"CR LF lines", "a\r\nb\r\n", {"a", "b"}},
      {"LF alone ends a line", "a\nb\n", {"a", "b"}},
      {"a lone CR inside a line stays", "a\rb\r\n", {"a\rb"}},
      {"only the last CR goes", "a\r\r\n", {"a\r"}},
      {"a trail byte 0A does not end the line", "\x81\x0A" "b\r\nc", {"\x81\x0A" "b", "c"}},
      {"a lead byte at the very end is kept", "a\r\n\x81", {"a", "\x81"}},
      {"empty lines are skipped", "\r\n\n\r\na\n\n", {"a"}},
      {"a NUL byte is just a byte", QByteArray("a\0b\nc", 5), {std::string("a\0b", 3), "c"}},
      {"an empty file", "", {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WindowFixture fixture;
    writeFile(fixture.path("scratch.txt"), row.file);
    ASSERT_TRUE(reloadKeywordTable(*fixture.window, fixture.path("scratch.txt")));
    EXPECT_EQ(tableOf(*fixture.window), row.table);
  }
}

TEST(KeywordTable, LongLinesAndManyLinesAreReadWhole) {
  WindowFixture fixture;
  const QByteArray longLine(300 * 1024, 'x');
  QByteArray file = longLine + "\r\n";
  for (int i = 0; i < 20000; ++i) file += "w" + QByteArray::number(i) + "\r\n";
  writeFile(fixture.path("scratch.txt"), file);
  ASSERT_TRUE(reloadKeywordTable(*fixture.window, fixture.path("scratch.txt")));
  ASSERT_EQ(fixture.window->keywordTable.size(), 20001u);
  EXPECT_EQ(fixture.window->keywordTable.front().keyword, longLine.toStdString());
  EXPECT_EQ(fixture.window->keywordTable.back().keyword, "w19999");
}

TEST(KeywordTable, UnreadableFileGivesAnEmptyTable) {
  WindowFixture fixture;
  fixture.window->keywordTable.push_back({"old"});
  ASSERT_TRUE(reloadKeywordTable(*fixture.window, fixture.path("missing.txt")));
  EXPECT_TRUE(fixture.window->keywordTable.empty());

  fixture.window->keywordTable.push_back({"old"});
  ASSERT_TRUE(QDir(fixture.directory.path()).mkdir("folder"));
  ASSERT_TRUE(reloadKeywordTable(*fixture.window, fixture.path("folder")));
  EXPECT_TRUE(fixture.window->keywordTable.empty());
}

TEST(KeywordTable, UnwritableScratchFileTakesTheTableFromTheResultsBox) {
  WindowFixture fixture;
  // a.txt is a directory: the write fails, and the list must not show
  // whatever an earlier Query left.
  ASSERT_TRUE(QDir(fixture.directory.path()).mkdir("a.txt"));
  fixture.window->编辑框2->setPlainText("new1\n\nnew2");
  ASSERT_TRUE(buildKeywordTable(*fixture.window));
  EXPECT_EQ(fixture.listRows(), (QStringList{"1 new1", "2 new2"}));
}

TEST(KeywordTable, QueryNestedInTheReloadLeavesItsOwnListStanding) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  fixture.service.setWords([](const std::string&) {
    std::vector<std::string> words;
    for (int i = 0; i < 50; ++i) words.push_back("长尾词" + std::to_string(i));
    return words;
  });
  QString lines;
  for (int i = 0; i < 20000; ++i) lines += "old" + QString::number(i) + '\n';
  window.编辑框2->setPlainText(lines);
  // A Query clicked while the table is read back rewrites a.txt under the
  // reader; the outer reload must not read on into the new file.
  clickWhen(window.按钮1, [&] { return !window.keywordTable.empty(); });

  EXPECT_FALSE(buildKeywordTable(window));

  ASSERT_EQ(fixture.service.wordRequests().size(), 1u);
  QStringList expected;
  for (int i = 0; i < 50; ++i) expected.append(QString::number(i + 1) + " 长尾词" + QString::number(i));
  EXPECT_EQ(fixture.listRows(), expected);
  EXPECT_EQ(window.keywordTable.size(), 50u);
}

TEST(KeywordTable, QueryLeavesSelectionAndCursorAlone) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  window.编辑框2->setPlainText("a\nb\nc");
  ASSERT_TRUE(buildKeywordTable(window));
  window.超级列表框1->setCurrentItem(window.超级列表框1->topLevelItem(1));
  window.crawlCursor = 2;
  ASSERT_TRUE(buildKeywordTable(window));
  EXPECT_TRUE(window.超级列表框1->selectedItems().isEmpty());
  EXPECT_EQ(window.crawlCursor, 2);
}

}  // namespace
}  // namespace quorvane::testing
