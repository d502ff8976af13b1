// Files that fight back: a program directory nothing can be written into, and
// a huge scratch file that another program wrote.

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <gtest/gtest.h>

#include "app/commands.h"
#include "tests/app/gui_support.h"

namespace quorvane::testing {
namespace {

constexpr std::size_t kHugeFile = 100u << 20;

TEST(UnusableProgramDirectory, SaveSaysSoAndQueryListsTheResultsBox) {
  // Permissions would not stop root, so the directory is made unusable in
  // ways that stop every user.
  const struct {
    const char* name;
    bool parentIsAFile;
  } rows[] = {
      {"its parent is a regular file", true},
      {"it was removed after start", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir root;
    KeywordServer service;
    MessageCloser messages;
    QString program = root.filePath(QStringLiteral("program"));
    if (row.parentIsAFile) {
      QFile plain(root.filePath(QStringLiteral("plain")));
      ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
      program = root.filePath(QStringLiteral("plain/program"));
    } else {
      ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("program")));
    }
    MainWindow window(program);
    window.showCentred();
    if (!row.parentIsAFile) {
      ASSERT_TRUE(QDir(program).removeRecursively());
    }

    window.编辑框_数据->setText(QStringLiteral("中文"));
    QTest::mouseClick(window.按钮1, Qt::LeftButton);
    // a.txt could not be written: the list comes from the results box.
    EXPECT_EQ(window.编辑框2->toPlainText(), QStringLiteral("中文甲\n中文乙\n"));
    ASSERT_EQ(window.超级列表框1->topLevelItemCount(), 2);
    EXPECT_EQ(window.keywordTable.back().keyword, "\xD6\xD0\xCE\xC4\xD2\xD2");  // 中文乙

    QTest::mouseClick(window.按钮4, Qt::LeftButton);
    const QString failed = QStringLiteral("保存失败：") + QDir::toNativeSeparators(program + "/b.txt");
    EXPECT_EQ(messages.texts(), QStringList{failed});
    EXPECT_FALSE(QFile::exists(program));
  }
}

// Line i of the many-lines file, without its line end; every 997th is empty.
// Mixed GBK: whole double-byte characters, some with a trail byte of LF or
// CR, so that characters straddle the reader's block boundaries.
std::string manyLinesLine(std::size_t i) {
  if (i % 997 == 0) return {};
  static const std::string_view kPieces[] = {"ab", "\xD6\xD0", "\x81\x0A", "x", "\x81\x0D", " "};
  std::string line = "w";
  line.append(std::to_string(i)).append(":");
  std::uint32_t state = static_cast<std::uint32_t>(i) * 2654435761u + 1u;
  const std::size_t pieces = 40 + i % 250;
  for (std::size_t j = 0; j < pieces; ++j) {
    state = state * 1103515245u + 12345u;
    line += kPieces[(state >> 16) % std::size(kPieces)];
  }
  return line + "ab";
}

TEST(HugeScratchFile, ManyLinesAreReadBackWhole) {
  WindowFixture fixture;
  const QString path = fixture.path(QStringLiteral("scratch.txt"));
  std::size_t lines = 0;
  {
    std::ofstream out(path.toStdString(), std::ios::binary);
    for (std::size_t written = 0; written < kHugeFile; ++lines) {
      const std::string line = manyLinesLine(lines) + (lines % 3 == 0 ? "\n" : "\r\n");
      out.write(line.data(), static_cast<std::streamsize>(line.size()));
      written += line.size();
    }
    ASSERT_TRUE(out.good());
  }

  ASSERT_TRUE(reloadKeywordTable(*fixture.window, path));

  std::vector<std::size_t> wrong;
  std::size_t entry = 0;
  for (std::size_t i = 0; i < lines; ++i) {
    const std::string expected = manyLinesLine(i);
    if (expected.empty()) continue;
    if (entry >= fixture.window->keywordTable.size() || fixture.window->keywordTable[entry].keyword != expected) {
      wrong.push_back(i);
      if (wrong.size() == 5) break;
    }
    ++entry;
  }
  EXPECT_EQ(fixture.window->keywordTable.size(), lines - (lines + 996) / 997);
  EXPECT_EQ(wrong, std::vector<std::size_t>{}) << "lines read wrongly, the first few";
}

TEST(HugeScratchFile, OneLineWithoutLineEndIsReadWhole) {
  WindowFixture fixture;
  const QString path = fixture.path(QStringLiteral("scratch.txt"));
  // A double-byte character with a trail byte of LF every three bytes: it
  // lies across a block boundary somewhere, in every alignment.
  std::string line;
  line.reserve(kHugeFile + 1);
  while (line.size() < kHugeFile) line += "a\x81\x0A";
  line += "z";
  {
    std::ofstream out(path.toStdString(), std::ios::binary);
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    ASSERT_TRUE(out.good());
  }

  ASSERT_TRUE(reloadKeywordTable(*fixture.window, path));

  ASSERT_EQ(fixture.window->keywordTable.size(), 1u);
  const std::string& read = fixture.window->keywordTable.front().keyword;
  EXPECT_EQ(read.size(), line.size());
  EXPECT_TRUE(read == line);
}

}  // namespace
}  // namespace quorvane::testing
