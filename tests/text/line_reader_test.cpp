#include "text/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "reference_text.h"

namespace quorvane {
namespace {

using namespace std::string_view_literals;

TEST(CutLine, CutsTheFirstLineByTheScratchFileRules) {
  struct Row {
    const char* name;
    std::string_view bytes;
    bool atEnd;
    std::optional<std::string_view> line;  // nothing: the caller must read more
    std::size_t consumed;
  };
  const Row rows[] = {
      {"CR LF line", "abc\r\ndef", false, "abc", 5},
      {"LF line", "abc\ndef", false, "abc", 4},
      {"empty line", "\n", false, "", 1},
      {"empty CR LF line", "\r\nx", false, "", 2},
      {"CR inside a line stays", "a\rb\n", false, "a\rb", 4},
      {"only one CR is removed", "a\r\r\n", false, "a\r", 4},
      {"CR at the end of a last line stays", "abc\r", true, "abc\r", 4},
      {"incomplete line waits for more", "abc", false, std::nullopt, 0},
      {"last line without LF", "abc", true, "abc", 3},
      {"trail byte 0A does not end the line", "\x81\nb\nc", false, "\x81\nb", 4},
      {"lead byte at the buffer end waits for its trail", "ab\x81", false, std::nullopt, 0},
      {"trail LF at the buffer end waits for more", "ab\x81\n", false, std::nullopt, 0},
      {"lone lead byte at the file end", "ab\x81", true, "ab\x81", 3},
      {"CR as a trail byte before LF is still removed", "\x81\r\n", false, "\x81", 3},
      {"NUL and 1A are plain bytes", "a\0b\x1A\nz"sv, false, "a\0b\x1A"sv, 5},
      {"empty buffer", "", false, std::nullopt, 0},
      {"empty buffer at the end", "", true, std::nullopt, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::optional<LineCut> cut = cutLine(row.bytes, row.atEnd);
    ASSERT_EQ(cut.has_value(), row.line.has_value());
    if (cut) {
      EXPECT_EQ(cut->line, *row.line);
      EXPECT_EQ(cut->consumed, row.consumed);
    }
  }
}

// Drives cutLine the way the app's reader does: a buffer topped up `chunk`
// bytes at a time, lines cut off its front until it asks for more.
std::vector<std::string> readLines(std::string_view file, std::size_t chunk,
                                   std::optional<LineCut> (*cut)(std::string_view, bool)) {
  std::vector<std::string> lines;
  std::string buffer;
  std::size_t read = 0;
  for (;;) {
    const bool atEnd = read == file.size();
    const std::optional<LineCut> next = cut(buffer, atEnd);
    if (next) {
      EXPECT_GE(next->consumed, 1U);
      lines.emplace_back(next->line);
      buffer.erase(0, next->consumed);
    } else if (atEnd) {
      return lines;
    } else {
      const std::size_t take = std::min(chunk, file.size() - read);
      buffer.append(file.substr(read, take));
      read += take;
    }
  }
}

TEST(CutLine, ChunkedReadingGivesTheSameLinesAsTheByteByByteRules) {
  static constexpr char kAlphabet[] = {'\x81', '\n', '\r', 'a', '\xFF', '\0'};
  std::mt19937 random{7};
  std::uniform_int_distribution<std::size_t> length(0, 60);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kAlphabet) - 1);
  for (int iteration = 0; iteration < 2000; ++iteration) {
    std::string file(length(random), '\0');
    for (char& byte : file) {
      byte = kAlphabet[pick(random)];
    }
    const std::vector<std::string> expected = readLines(file, file.size() + 1, reference::cutLine);
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{7}}) {
      SCOPED_TRACE(::testing::Message() << "iteration " << iteration << ", chunk " << chunk);
      ASSERT_EQ(readLines(file, chunk, cutLine), expected);
    }
  }
}

TEST(CutLine, FileEndingInCrLfHasNoExtraEmptyLine) {
  const std::vector<std::string> lines = readLines("one\r\n\r\ntwo\r\n", 4, cutLine);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "", "two"}));
}

}  // namespace
}  // namespace quorvane
