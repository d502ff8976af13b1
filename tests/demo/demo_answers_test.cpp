#include "tools/demo-service/demo_answers.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <array>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using quorvane::demo::recommendedWordsAnswer;
using quorvane::demo::volumeStatsAnswer;

constexpr std::string_view kWordStart = R"({"word":")";
constexpr std::string_view kWordEnd = R"(","total")";

// The words the tool would cut out of an answer: what stands between each
// word-start marker and the next word-end marker. A record whose end marker
// is missing yields an empty word so the checks below catch it.
std::vector<std::string> cutWords(std::string_view answer) {
  std::vector<std::string> words;
  for (auto at = answer.find(kWordStart); at != std::string_view::npos;
       at = answer.find(kWordStart, at + 1)) {
    const auto begin = at + kWordStart.size();
    const auto end = answer.find(kWordEnd, begin);
    const auto next = answer.find(kWordStart, begin);
    words.emplace_back(end == std::string_view::npos || end > next
                           ? std::string{}
                           : std::string(answer.substr(begin, end - begin)));
  }
  return words;
}

// True when the whole UTF-8 text converts to GBK.
bool convertsToGbk(const std::string& utf8) {
  iconv_t cd = iconv_open("CP936", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in = utf8;
  std::string out(in.size() * 2 + 4, '\0');
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  return ok && inLeft == 0;
}

struct SeedRow {
  const char* name;
  std::string seed;
  std::string core;  // what every word must contain
};

TEST(RecommendedWordsAnswer, GivesADozenCleanWordsBuiltOnTheSeed) {
  const std::array rows = {
      SeedRow{"chinese seed", "手机", "手机"},
      SeedRow{"ascii seed", "python", "python"},
      SeedRow{"mixed seed with plus signs", "c++教程", "c++教程"},
      SeedRow{"quote and backslash are dropped", "a\"b\\c", "abc"},
      SeedRow{"characters outside GBK are dropped", "\xF0\x9F\x98\x80手机\xE2\x82\xAC", "手机"},
      SeedRow{"malformed UTF-8 bytes are dropped", "\xFF手\xE6\x9C机", "手机"},
      SeedRow{"control characters and outer spaces are dropped", "  a\r\nb\t ", "ab"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string answer = recommendedWordsAnswer(row.seed);
    EXPECT_EQ(answer, recommendedWordsAnswer(row.seed)) << "not deterministic";

    const auto words = cutWords(answer);
    EXPECT_EQ(words.size(), 12u);
    EXPECT_EQ(std::set(words.begin(), words.end()).size(), words.size()) << "repeated word";
    for (const auto& word : words) {
      SCOPED_TRACE(word);
      EXPECT_NE(word.find(row.core), std::string::npos);
      EXPECT_EQ(word.find_first_of("\"\\"), std::string::npos);
      EXPECT_TRUE(convertsToGbk(word));
    }
  }
}

TEST(RecommendedWordsAnswer, DifferentSeedsMixDifferentShapes) {
  // Strip the seed from each word to compare the shapes around it.
  const auto shapes = [](const std::string& seed) {
    std::vector<std::string> out;
    for (auto word : cutWords(recommendedWordsAnswer(seed))) {
      word.erase(word.find(seed), seed.size());
      out.push_back(word);
    }
    return out;
  };
  EXPECT_NE(shapes("手机"), shapes("电脑"));
}

TEST(RecommendedWordsAnswer, SeedWithNothingUsableGivesAnEmptyGroup) {
  for (const std::string seed : {"", "\"", "\\\"  ", "\xF0\x9F\x98\x80"}) {
    SCOPED_TRACE(seed);
    EXPECT_EQ(recommendedWordsAnswer(seed), R"({"status":0,"data":{"group":[]}})");
  }
}

TEST(VolumeStatsAnswer, HoldsBothFiguresBetweenTheMarkers) {
  constexpr std::string_view kToday = R"({"biznum":")";
  constexpr std::string_view kTotal = R"(","totalnum":")";
  constexpr std::string_view kEnd = R"("},"success":")";
  const auto digitsBetween = [](std::string_view text, std::string_view left,
                                std::string_view right, std::size_t& from) -> std::string {
    const auto l = text.find(left, from);
    if (l == std::string_view::npos) return {};
    const auto r = text.find(right, l + left.size());
    if (r == std::string_view::npos) return {};
    from = r;
    std::string figure(text.substr(l + left.size(), r - l - left.size()));
    if (figure.find_first_not_of("0123456789") != std::string::npos) return {};
    return figure;
  };

  for (const std::string keyword : {"手机", "python", "", "a\"b\\c", "c++教程"}) {
    SCOPED_TRACE(keyword);
    const std::string answer = volumeStatsAnswer(keyword);
    EXPECT_EQ(answer, volumeStatsAnswer(keyword)) << "not deterministic";
    std::size_t from = 0;
    const std::string today = digitsBetween(answer, kToday, kTotal, from);
    const std::string total = digitsBetween(answer, kTotal, kEnd, from);
    ASSERT_FALSE(today.empty());
    ASSERT_FALSE(total.empty());
    EXPECT_GE(std::stoull(today), 100u);
    EXPECT_LT(std::stoull(today), 100000u);
    EXPECT_GT(std::stoull(total), std::stoull(today));
  }
}

}  // namespace
