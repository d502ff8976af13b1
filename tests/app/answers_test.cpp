#include "app/answers.h"

#include <gtest/gtest.h>

#include <string_view>

namespace quorvane {
namespace {

// A marker written with the GBK placeholder "#引号" for each quote: "b" and "end.
constexpr std::string_view kQuotedB = "\x23\xD2\xFD\xBA\xC5" "b" "\x23\xD2\xFD\xBA\xC5";
constexpr std::string_view kQuotedEnd = "\x23\xD2\xFD\xBA\xC5" "end";

TEST(ExtractWordList, TakesEachWordBetweenItsMarkers) {
  struct Row {
    const char* name;
    std::string_view answer;
    std::string_view expected;
  };
  const Row rows[] = {
      {"empty answer", "", ""},
      {"no word marker", "{\"status\":0,\"data\":[]}", ""},
      {"begins with the word marker", "{\"word\":\"A\",\"total\":1}", "A\r\n"},
      {"two words with more fields",
       "{\"data\":[{\"word\":\"A\",\"total\":12,\"x\":1},{\"word\":\"B\",\"total\":3}]}",
       "A\r\nB\r\n"},
      {"piece without the end marker gives an empty line",
       "x{\"word\":\"A\"}{\"word\":\"B\",\"total\":1}", "\r\nB\r\n"},
      {"piece beginning with the end marker", "{\"word\":\"\",\"total\":1}", "\r\n"},
      {"trail byte 7B before \"word\":\" is part of the word",
       "{\"word\":\"\x81\x7B\"word\":\"x\",\"total\":1}", "\x81\x7B\"word\":\"x\r\n"},
      {"quote of the end marker taken by a lead byte", "{\"word\":\"\x81\",\"total\":1}", "\r\n"},
      {"GBK word", "{\"word\":\"\xB0\xA1\xB0\xA1\",\"total\":5}", "\xB0\xA1\xB0\xA1\r\n"},
      {"escapes stay as they stand", "{\"word\":\"a\\\"b\\u4e2d\",\"total\":1}",
       "a\\\"b\\u4e2d\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(extractWordList(row.answer), row.expected);
  }
}

TEST(TextBetween, TakesTheBytesBetweenTheMarkerPair) {
  constexpr std::string_view kVolumes =
      "{\"status\":0,\"data\":{\"biznum\":\"12\",\"totalnum\":\"345\"},\"success\":\"true\"}";
  struct Row {
    const char* name;
    std::string_view text;
    std::string_view left;
    std::string_view right;
    std::string_view expected;
  };
  const Row rows[] = {
      {"today figure", kVolumes, kTodayLeft, kTodayRight, "12"},
      {"total figure", kVolumes, kTotalLeft, kTotalRight, "345"},
      {"left marker missing", "{\"totalnum\":\"345\"},\"success\":\"", kTodayLeft, kTodayRight, ""},
      {"right marker missing", "{\"biznum\":\"12\"}", kTodayLeft, kTodayRight, ""},
      {"right marker before the left one is skipped",
       "\",\"totalnum\":\"x{\"biznum\":\"12\",\"totalnum\":\"3", kTodayLeft, kTodayRight, "12"},
      {"empty value", "{\"biznum\":\"\",\"totalnum\":\"3\"}", kTodayLeft, kTodayRight, ""},
      {"placeholder stands for a quote", "x\"b\"42\"end", kQuotedB, kQuotedEnd, "42"},
      {"bytes copied exactly", "{\"biznum\":\"-1,234 \xB0\xA1\",\"totalnum\":\"", kTodayLeft,
       kTodayRight, "-1,234 \xB0\xA1"},
      {"quote taken by a lead byte does not start the right marker",
       "{\"biznum\":\"\x81\",\"totalnum\":\"5\",\"totalnum\":\"", kTodayLeft, kTodayRight,
       "\x81\",\"totalnum\":\"5"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(textBetween(row.text, row.left, row.right), row.expected);
  }
}

}  // namespace
}  // namespace quorvane
