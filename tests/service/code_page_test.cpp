#include "service/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvane {
namespace {

struct ConversionRow {
  const char* name;
  std::string input;
  std::string expected;
};

TEST(GbkToUtf8, ConvertsAndReplacesBadSequences) {
  const ConversionRow rows[] = {
      {"empty", "", ""},
      {"ascii passes unchanged", "{\"word\":\"abc\"}", "{\"word\":\"abc\"}"},
      {"two Chinese characters (中文)", "\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},
      {"single-byte euro sign at 0x80", "\x80", "\xE2\x82\xAC"},
      {"trail byte that equals an ASCII brace (亄 81 7B)", "a\x81\x7B" "b", "a\xE4\xBA\x84" "b"},
      {"lead byte before a digit keeps the digit", "a\x81\x30" "b", "a?0b"},
      {"lead byte at the very end", "ab\xD6", "ab?"},
      {"0xFF is no character", "a\xFF" "b", "a?b"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(gbkToUtf8(row.input), row.expected);
  }
}

TEST(Utf8ToGbk, ConvertsAndReplacesWhatGbkLacksOrIsMalformed) {
  const ConversionRow rows[] = {
      {"empty", "", ""},
      {"ascii passes unchanged", "\"biznum\":\"12\"", "\"biznum\":\"12\""},
      {"two Chinese characters (中文)", "\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},
      {"euro sign to 0x80", "\xE2\x82\xAC", "\x80"},
      {"emoji GBK lacks, between markers", "{\"word\":\"\xF0\x9F\x98\x80\"}", "{\"word\":\"?\"}"},
      {"two-byte character GBK lacks (Armenian ա)", "a\xD5\xA1" "b", "a?b"},
      {"lone continuation byte", "a\x80" "b", "a?b"},
      {"three-byte sequence cut before an ASCII byte", "a\xE4\xB8" "b", "a?b"},
      {"three-byte sequence cut at the very end", "ab\xE4\xB8", "ab?"},
      {"overlong slash, each byte bad", "a\xC0\xAF" "b", "a??b"},
      {"surrogate, each byte bad", "a\xED\xA0\x80" "b", "a???b"},
      {"0xFF", "\xFF", "?"},
      {"bad byte right before a good character", "\xFF\xE4\xB8\xAD", "?\xD6\xD0"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(utf8ToGbk(row.input), row.expected);
  }
}

// Every double-byte GBK character that has a Unicode counterpart comes back
// unchanged through UTF-8, and one long text converts like its pieces.
TEST(CodePage, ValidGbkSurvivesTheRoundTrip) {
  std::string allCharacters;
  std::string allAsUtf8;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string character{static_cast<char>(lead), static_cast<char>(trail)};
      const std::string utf8 = gbkToUtf8(character);
      if (utf8 == "?") continue;  // unassigned code
      ASSERT_EQ(utf8ToGbk(utf8), character) << std::hex << lead << ' ' << trail;
      allCharacters += character;
      allAsUtf8 += utf8;
    }
  }
  EXPECT_GT(allCharacters.size(), 2u * 20000u);
  std::string ascii;
  for (int c = 1; c < 0x80; ++c) ascii += static_cast<char>(c);
  EXPECT_EQ(gbkToUtf8(ascii + allCharacters), ascii + allAsUtf8);
  EXPECT_EQ(utf8ToGbk(ascii + allAsUtf8), ascii + allCharacters);
}

}  // namespace
}  // namespace quorvane
