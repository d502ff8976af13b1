#include "service/keyword_service.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "service/code_page.h"
#include "service/http_get.h"
#include "tests/support/scripted_server.h"

namespace quorvane {
namespace {

using testing::Reply;
using testing::ScriptedServer;

const std::string kRecommendedPrefix = std::string(kRecommendedWordsPath) + std::string(kKeywordQuery);
const std::string kVolumePrefix = std::string(kVolumeStatsPath) + std::string(kKeywordQuery);

// The query's parameters as the service splits them: at '&', each decoded.
std::vector<std::pair<std::string, std::string>> queryParameters(const std::string& target) {
  const auto hex = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
  const auto decode = [&](std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '%' && i + 2 < s.size()) {
        out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
        i += 2;
      } else {
        out += s[i];
      }
    }
    return out;
  };
  std::vector<std::pair<std::string, std::string>> parameters;
  std::string_view query = std::string_view(target).substr(target.find('?') + 1);
  for (;;) {
    const auto amp = query.find('&');
    const auto piece = query.substr(0, amp);
    const auto eq = piece.find('=');
    parameters.emplace_back(decode(piece.substr(0, eq)),
                            eq == std::string_view::npos ? "" : decode(piece.substr(eq + 1)));
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return parameters;
}

class KeywordServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setHttpLimits(HttpLimits{});
    setServiceHost(server.hostAndPort());
  }

  ScriptedServer server;
};

TEST_F(KeywordServiceTest, KeywordReachesTheServiceAsOneEscapedWordValue) {
  struct Row {
    const char* name;
    std::string keyword;  // GBK
    std::string escaped;  // what follows "word=" on the wire
  };
  const Row rows[] = {
      {"Chinese (中文)", "\xD6\xD0\xCE\xC4", "%E4%B8%AD%E6%96%87"},
      {"plus signs", "c++", "c%2B%2B"},
      {"hash", "c#", "c%23"},
      {"ampersand", "a&b", "a%26b"},
      {"equals sign", "a=b", "a%3Db"},
      {"percent sign", "100%", "100%25"},
      {"blank", "a b", "a%20b"},
      {"line break", "a\r\nHost: evil", "a%0D%0AHost%3A%20evil"},
      {"unreserved bytes stay", "Az09-._~", "Az09-._~"},
      {"empty keyword", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    server.clearRequests();
    EXPECT_EQ(requestRecommendedWords(row.keyword), "");
    ASSERT_EQ(server.requestCount(), 1u);
    const auto request = server.requests().front();
    EXPECT_EQ(request.requestLine, "GET " + kRecommendedPrefix + row.escaped + " HTTP/1.0");
    const auto parameters = queryParameters(request.target);
    ASSERT_EQ(parameters.size(), 2u);
    EXPECT_EQ(parameters[0], (std::pair<std::string, std::string>{"area_id", ""}));
    EXPECT_EQ(parameters[1], (std::pair<std::string, std::string>{"word", gbkToUtf8(row.keyword)}));
  }
}

TEST_F(KeywordServiceTest, EachRequestGoesToItsOwnPath) {
  server.setHandler([](const testing::ReceivedRequest& request) { return Reply{.body = request.path}; });
  EXPECT_EQ(requestRecommendedWords("k"), kRecommendedWordsPath);
  EXPECT_EQ(requestVolumeStats("k"), kVolumeStatsPath);
  ASSERT_EQ(server.requestCount(), 2u);
  EXPECT_EQ(server.requests()[1].target, kVolumePrefix + "k");
  EXPECT_EQ(server.connectionCount(), 2u);
  EXPECT_EQ(keywordAddress(kVolumeStatsPath, "k"), "http://" + server.hostAndPort() + kVolumePrefix + "k");
}

TEST_F(KeywordServiceTest, LimitAppliesToTheEscapedTarget) {
  server.replyAlways({.body = "sent"});
  // 2000 ASCII bytes: 2058 bytes of target on the longer path, 2043 on the shorter.
  const std::string ascii(2000, 'a');
  EXPECT_EQ(requestRecommendedWords(ascii), "");
  EXPECT_EQ(requestVolumeStats(ascii), "sent");
  ASSERT_EQ(server.requestCount(), 1u);
  EXPECT_EQ(server.requests()[0].target.size(), 2043u);

  // 中 escapes to 9 bytes: 221 of them fill the longer target to exactly 2047.
  std::string chinese;
  for (int i = 0; i < 221; ++i) chinese += "\xD6\xD0";
  server.clearRequests();
  EXPECT_EQ(requestRecommendedWords(chinese), "sent");
  EXPECT_EQ(requestRecommendedWords(chinese + "\xD6\xD0"), "");
  ASSERT_EQ(server.requestCount(), 1u);
  EXPECT_EQ(server.requests()[0].target.size(), kLongestRequestTarget);
}

TEST_F(KeywordServiceTest, AnswerComesBackAsGbkText) {
  struct Row {
    const char* name;
    Reply reply;
    std::string expected;
  };
  const Row rows[] = {
      {"empty answer", {}, ""},
      {"NUL byte ends the text", {.body = std::string("a\0b", 3)}, "a"},
      {"UTF-8 converted to GBK", {.body = "{\"word\":\"\xE4\xB8\xAD\xE6\x96\x87\""}, "{\"word\":\"\xD6\xD0\xCE\xC4\""},
      {"invalid UTF-8 between markers", {.body = "{\"word\":\"\xFF\xFE\",\"total\""}, "{\"word\":\"??\",\"total\""},
      {"character GBK lacks between markers",
       {.body = "\"biznum\":\"\xF0\x9F\x98\x80\",\"totalnum\""},
       "\"biznum\":\"?\",\"totalnum\""},
      {"404 page", {.status = 404, .body = "<p>\xE6\x9C\xAA</p>"}, "<p>\xCE\xB4</p>"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    server.replyAlways(row.reply);
    EXPECT_EQ(requestRecommendedWords("k"), row.expected);
    EXPECT_EQ(requestVolumeStats("k"), row.expected);
  }
}

TEST_F(KeywordServiceTest, UnreachableServiceGivesEmptyText) {
  setServiceHost("127.0.0.1:" + std::to_string(testing::refusedPort()));
  EXPECT_EQ(requestRecommendedWords("k"), "");
  EXPECT_EQ(requestVolumeStats("k"), "");
}

// The host is program-wide state fixed at its first use, so each case runs in
// a fresh copy of this program.
TEST(ServiceHost, ComesFromTheEnvironmentOnceElseTheDefault) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Exits with 0 when the first use gives `expected` and a later change of the
  // variable changes nothing.
  const auto firstUse = [](const char* variable, std::string_view expected) {
    if (variable != nullptr) {
      setenv("QUORVANE_SERVICE_HOST", variable, 1);
    } else {
      unsetenv("QUORVANE_SERVICE_HOST");
    }
    const std::string first = serviceHost();
    setenv("QUORVANE_SERVICE_HOST", "changed.invalid:1", 1);
    std::exit(first == expected && serviceHost() == first ? 0 : 1);
  };
  EXPECT_EXIT(firstUse("127.0.0.1:9", "127.0.0.1:9"), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(firstUse(nullptr, kDefaultServiceHost), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(firstUse("", kDefaultServiceHost), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace quorvane
