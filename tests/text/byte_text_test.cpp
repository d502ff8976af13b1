#include "text/byte_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "reference_text.h"

namespace quorvane {
namespace {

using namespace std::string_view_literals;

// "{"word":"" preceded by GBK 81 7B: the 7B is the character's trail byte.
constexpr std::string_view kTrailBraceThenWord = "\x81\x7B\"word\":\"";

TEST(FindText, FindsMarkersAtCharacterStartsOnly) {
  struct Row {
    const char* name;
    std::string_view text;
    std::string_view marker;
    std::int32_t start;
    std::int32_t expected;
  };
  const Row rows[] = {
      {"first occurrence", "abcabc", "abc", 1, 1},
      {"position counts from the first byte, not the start", "abcabc", "abc", 2, 4},
      {"start 0 searches the whole text", "abcabc", "abc", 0, 1},
      {"negative start searches the whole text", "abcabc", "abc", -5, 1},
      {"lowest start searches the whole text", "abcabc", "abc",
       std::numeric_limits<std::int32_t>::min(), 1},
      {"start on the last byte", "abcabc", "c", 6, 6},
      {"start past the end", "abcabc", "a", 7, -1},
      {"marker longer than the text", "ab", "abc", 1, -1},
      {"marker absent", "abcabc", "abd", 1, -1},
      {"trail byte looks like a brace", kTrailBraceThenWord, "{\"word\":\"", 1, -1},
      {"one-byte character before the marker", "a{\"word\":\"", "{\"word\":\"", 1, 2},
      {"odd run of lead bytes swallows the brace", "\x81\x81\x81{", "{", 1, -1},
      {"even run of lead bytes leaves the brace", "\x81\x81{", "{", 1, 3},
      {"match after a rejected one in the same run", "\x81{\x81\x81{", "{", 1, 5},
      {"lead byte marker inside a run of lead bytes", "\x81\xFF\xFF", "\xFF", 1, 3},
      {"stepping begins at the start byte", "\xB0\xA1\xB0{", "{", 2, 4},
      {"same text stepped from byte 1", "\xB0\xA1\xB0{", "{", 1, -1},
      {"start on a trail byte takes it for a character", "\x81{a{", "{", 2, 2},
      {"lone lead byte at the end can be the marker", "ab\x81", "\x81", 1, 3},
      {"marker ending in a lone lead byte", "ab\x81", "b\x81", 1, 2},
      {"lead byte at the end before nothing", "ab\x81", "c", 1, -1},
      {"empty marker in a non-empty text", "abc", "", 1, 1},
      {"empty marker in the empty text", "", "", 1, -1},
      {"empty marker from a later start", "abc", "", 2, -1},
      {"empty marker past the end", "abc", "", 4, -1},
      {"empty text", "", "a", 1, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(findText(row.text, row.marker, row.start), row.expected);
  }
}

TEST(LeftText, CountsBytesWithoutCharacterAdjustment) {
  struct Row {
    const char* name;
    std::string_view text;
    std::int32_t count;
    std::string_view expected;
  };
  const Row rows[] = {
      {"first bytes", "abcdef", 2, "ab"},
      {"zero count", "abcdef", 0, ""},
      {"count of a missing end marker minus one", "abcdef", -2, ""},
      {"count past the end", "abcdef", 100, "abcdef"},
      {"cut inside a character keeps its lead byte", "a\xB0\xA1", 2, "a\xB0"},
      {"empty text", "", 3, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(leftText(row.text, row.count), row.expected);
  }
}

TEST(MidText, CountsBytesFromAOneBasedStart) {
  struct Row {
    const char* name;
    std::string_view text;
    std::int32_t start;
    std::int32_t count;
    std::string_view expected;
  };
  const Row rows[] = {
      {"inside the text", "abcdef", 3, 2, "cd"},
      {"stops at the end", "abcdef", 5, 10, "ef"},
      {"last byte", "abcdef", 6, 1, "f"},
      {"start 0 is not moved up to 1", "abcdef", 0, 2, ""},
      {"negative start", "abcdef", -1, 2, ""},
      {"start past the end", "abcdef", 7, 1, ""},
      {"zero count", "abcdef", 2, 0, ""},
      {"negative count", "abcdef", 2, -3, ""},
      {"start on a trail byte", "\xB0\xA1z", 2, 2, "\xA1z"},
      {"largest count", "abcdef", 2, std::numeric_limits<std::int32_t>::max(), "bcdef"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(midText(row.text, row.start, row.count), row.expected);
  }
}

TEST(SplitText, CutsAtSeparatorsThatBeginCharacters) {
  struct Row {
    const char* name;
    std::string_view text;
    std::string_view separator;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {"empty pieces, no trailing one", ",a,,b,", ",", {"", "a", "", "b"}},
      {"empty text has no pieces", "", ",", {}},
      {"empty separator gives the whole text", "a,b", "", {"a,b"}},
      {"no separator", "abc", ",", {"abc"}},
      {"text shorter than the separator", "ab", "abc", {"ab"}},
      {"separator only", ",", ",", {""}},
      {"separators back to back", "abab", "ab", {"", ""}},
      {"trail byte looks like a brace", kTrailBraceThenWord, "{\"word\":\"",
       {std::string(kTrailBraceThenWord)}},
      {"trail byte looks like the separator", "\x81,a,b", ",", {"\x81,a", "b"}},
      {"stepping restarts after each separator", "\x81,\x81,\x81,", "\x81,",
       {"", "", ""}},
      {"lead byte at the end is kept", "a,\x81", ",", {"a", "\x81"}},
      {"multi-byte separator", "x{\"word\":\"y{\"word\":\"z", "{\"word\":\"", {"x", "y", "z"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(splitText(row.text, row.separator), row.expected);
    const std::vector<std::string_view> views = splitTextViews(row.text, row.separator);
    EXPECT_EQ(std::vector<std::string>(views.begin(), views.end()), row.expected);
  }
}

TEST(SplitTextViews, PiecesPointIntoTheText) {
  const std::string text = "a,bc";
  const std::vector<std::string_view> pieces = splitTextViews(text, ",");
  ASSERT_EQ(pieces.size(), 2U);
  EXPECT_EQ(pieces[0].data(), text.data());
  EXPECT_EQ(pieces[1].data(), text.data() + 2);
}

TEST(ReplaceText, ReplacesLeftToRightWithoutOverlap) {
  struct Row {
    const char* name;
    std::string_view text;
    std::string_view from;
    std::string_view to;
    std::string_view expected;
  };
  const Row rows[] = {
      {"no overlap", "aaaa", "aa", "a", "aa"},
      {"placeholder absent", "abc", "\x23\xD2\xFD\xBA\xC5", "\"", "abc"},
      {"placeholder present", "\x23\xD2\xFD\xBA\xC5x\x23\xD2\xFD\xBA\xC5",
       "\x23\xD2\xFD\xBA\xC5", "\"", "\"x\""},
      {"replacement not searched again", "ab", "a", "aa", "aab"},
      {"empty replacement deletes", "a,b,", ",", "", "ab"},
      {"empty text", "", "a", "b", ""},
      {"empty old text leaves the text", "abc", "", "x", "abc"},
      {"trail byte is not replaced", "\x81{x{", "{", "(", "\x81{x("},
      {"lone lead byte at the end is copied through", "a\x81", "b", "c", "a\x81"},
      {"match at the very end", "xab", "ab", "-", "x-"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(replaceText(row.text, row.from, row.to), row.expected);
  }
}

TEST(BytesToText, StopsAtTheFirstNul) {
  struct Row {
    const char* name;
    std::string_view bytes;
    std::string_view expected;
  };
  const Row rows[] = {
      {"NUL in the middle", "a\0b"sv, "a"},
      {"NUL first", "\0ab"sv, ""},
      {"no NUL", "a\xB0\xA1", "a\xB0\xA1"},
      {"empty", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(bytesToText(row.bytes), row.expected);
  }
}

TEST(TextToBytes, CopiesExactlyTheBytes) {
  EXPECT_TRUE(textToBytes("").empty());
  const ByteString bytes = textToBytes("a\xB0\xA1\r\n");
  EXPECT_EQ(bytes.size(), 5U);
  EXPECT_EQ(bytes, "a\xB0\xA1\r\n");
}

TEST(IntToText, WritesPlainDecimal) {
  struct Row {
    const char* name;
    std::int64_t value;
    std::string_view expected;
  };
  const Row rows[] = {
      {"zero", 0, "0"},
      {"no leading zero or space", 12, "12"},
      {"negative", -7, "-7"},
      {"no digit grouping", 1234567, "1234567"},
      {"largest", std::numeric_limits<std::int64_t>::max(), "9223372036854775807"},
      {"smallest", std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(intToText(row.value), row.expected);
  }
}

TEST(ConcatText, JoinsWithNothingInBetween) {
  EXPECT_EQ(concatText({"C:", "\\", "a.txt"}), "C:\\a.txt");
  EXPECT_EQ(concatText({"", "ab", ""}), "ab");
  EXPECT_EQ(concatText({"", ""}), "");
}

// The fast scans find candidates with a raw byte search and then decide the
// character boundary by counting back; the reference steps byte by byte. A
// small alphabet of lead bytes, marker bytes and plain letters makes long runs
// of lead bytes, trail bytes equal to marker bytes and overlapping candidates
// common, which is where the two could part.
class ScanAgreement : public ::testing::Test {
 protected:
  static std::string hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const char byte : bytes) {
      const auto value = static_cast<unsigned char>(byte);
      out += kDigits[value >> 4];
      out += kDigits[value & 0x0F];
      out += ' ';
    }
    return out;
  }

  std::string randomText(std::size_t maxLength) {
    static constexpr char kAlphabet[] = {'\x81', '{', '"', 'w', 'a', '\x0A', '\xFF'};
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kAlphabet) - 1);
    std::string text(length(m_random), '\0');
    for (char& byte : text) {
      byte = kAlphabet[pick(m_random)];
    }
    return text;
  }

  std::int32_t randomStart(const std::string& text) {
    const auto length = static_cast<std::int32_t>(text.size());
    std::uniform_int_distribution<std::int32_t> start(-2, length + 2);
    return start(m_random);
  }

  std::mt19937 m_random{20240611};
};

TEST_F(ScanAgreement, FastScansMatchTheByteByByteRules) {
  for (int iteration = 0; iteration < 4000; ++iteration) {
    const std::string text = randomText(iteration % 4 == 0 ? 300 : 24);
    const std::string marker = randomText(3);
    const std::string replacement = randomText(2);
    const std::int32_t start = randomStart(text);
    SCOPED_TRACE(::testing::Message() << "text [" << hex(text) << "] marker [" << hex(marker)
                                      << "] start " << start);

    EXPECT_EQ(findText(text, marker, start), reference::findText(text, marker, start));
    EXPECT_EQ(findText(text, marker), reference::findText(text, marker));
    const std::vector<std::string> pieces = reference::splitText(text, marker);
    EXPECT_EQ(splitText(text, marker), pieces);
    const std::vector<std::string_view> views = splitTextViews(text, marker);
    EXPECT_EQ(std::vector<std::string>(views.begin(), views.end()), pieces);
    EXPECT_EQ(replaceText(text, marker, replacement),
              reference::replaceText(text, marker, replacement));
    if (HasFailure()) {
      return;  // one reported input is enough to debug; thousands are noise
    }
  }
}

}  // namespace
}  // namespace quorvane
