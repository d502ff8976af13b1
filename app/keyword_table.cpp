// The keyword-table stage: the results box goes to the scratch file a.txt,
// its non-empty lines come back into keywordTable, and the keyword list shows
// them as numbered rows.

#include <QFile>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "app/commands.h"
#include "app/event_wait.h"
#include "app/gbk_text.h"
#include "app/main_window.h"
#include "text/line_reader.h"

namespace quorvane {
namespace {

constexpr std::size_t kReadBlock = 64 * 1024;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Lines from a file, read a block at a time so that a file of any size is
// read in bounded memory, and a line of any length is joined across blocks.
class FileLineSource {
 public:
  explicit FileLineSource(std::FILE* file) : m_file(file) {}

  // The next line, or nothing at the end of the file. A read error counts as
  // the end, so every call advances or ends.
  std::optional<std::string_view> next() {
    for (;;) {
      const std::string_view rest = std::string_view(m_buffer).substr(m_position);
      if (const std::optional<LineCut> cut = cutLine(rest, m_atEnd)) {
        m_position += cut->consumed;
        return cut->line;
      }
      if (m_atEnd) return std::nullopt;
      refill();
    }
  }

 private:
  void refill() {
    m_buffer.erase(0, m_position);
    m_position = 0;
    // A line longer than a block is joined across reads; growing the read
    // with the held bytes keeps the rescans of a long line linear in total.
    const std::size_t kept = m_buffer.size();
    const std::size_t block = std::max(kReadBlock, kept);
    m_buffer.resize(kept + block);
    const std::size_t got = std::fread(m_buffer.data() + kept, 1, block, m_file);
    m_buffer.resize(kept + got);
    if (got == 0) m_atEnd = true;
  }

  std::FILE* m_file;
  std::string m_buffer;
  std::size_t m_position = 0;
  bool m_atEnd = false;
};

// Lines from bytes already in memory, by the same rules.
class MemoryLineSource {
 public:
  explicit MemoryLineSource(std::string_view bytes) : m_rest(bytes) {}

  std::optional<std::string_view> next() {
    const std::optional<LineCut> cut = cutLine(m_rest, true);
    if (!cut) return std::nullopt;
    m_rest.remove_prefix(cut->consumed);
    return cut->line;
  }

 private:
  std::string_view m_rest;
};

// Counts the table fills begun, so that a fill can tell when another, nested
// in its event processing, has begun since.
std::uint64_t g_fillsBegun = 0;

// Empties keywordTable and appends the non-empty lines, dispatching events
// after each line so a click during a long reload runs at once. A Query
// nested here rewrites a.txt and fills the table afresh: this fill then stops,
// since reading on at its old position in the rewritten file would append
// pieces of the new words (cut anywhere, even inside a character) to the
// newer table. False when the fill stopped so, or the program is closing.
template <typename Source>
bool fillKeywordTable(MainWindow& window, Source& source) {
  const std::uint64_t fill = ++g_fillsBegun;
  window.keywordTable.clear();
  while (const std::optional<std::string_view> line = source.next()) {
    if (!line->empty()) window.keywordTable.push_back(KeywordEntry{Text(*line)});
    if (!processEvents() || g_fillsBegun != fill) return false;
  }
  return true;
}

// A file that cannot be opened: nothing to read.
struct NoLines {
  static std::optional<std::string_view> next() { return std::nullopt; }
};

}  // namespace

bool writeWholeFile(const QString& path, std::string_view bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const qint64 size = static_cast<qint64>(bytes.size());
  const bool written = file.write(bytes.data(), size) == size;
  const bool flushed = file.flush();
  file.close();
  return written && flushed && file.error() == QFileDevice::NoError;
}

bool reloadKeywordTable(MainWindow& window, const QString& path) {
  const FileHandle file(std::fopen(QFile::encodeName(path).constData(), "rb"));
  if (!file) {
    NoLines nothing;
    return fillKeywordTable(window, nothing);
  }
  FileLineSource source(file.get());
  return fillKeywordTable(window, source);
}

void fillKeywordList(MainWindow& window) {
  QTreeWidget* list = window.超级列表框1;
  list->clear();
  QList<QTreeWidgetItem*> rows;
  rows.reserve(static_cast<qsizetype>(window.keywordTable.size()));
  std::int64_t number = 0;
  for (const KeywordEntry& entry : window.keywordTable) {
    ++number;
    rows.append(new QTreeWidgetItem(
        QStringList{QString::fromLatin1(intToText(number)), toWidgetText(entry.keyword)}));
  }
  list->addTopLevelItems(rows);
}

bool buildKeywordTable(MainWindow& window) {
  const QString path = window.programDirectory + QStringLiteral("/a.txt");
  const ByteString results = textToBytes(toCommandText(window.编辑框2->toPlainText()));
  if (writeWholeFile(path, results)) {
    if (!reloadKeywordTable(window, path)) return false;
  } else {
    // The file on disk is a previous Query's: take the table from the results
    // box itself, by the same line rules, rather than expand stale keywords.
    MemoryLineSource source(results);
    if (!fillKeywordTable(window, source)) return false;
  }
  fillKeywordList(window);
  return true;
}

}  // namespace quorvane
