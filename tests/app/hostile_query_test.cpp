// The whole Query against a keyword service that misbehaves. Every request
// ends within the time bounds, so the Query runs through all its stages and
// the program is back in its event loop, showing what arrived, or nothing.
// The bounds are shortened here; a watchdog ends the program if a request
// still holds it long after them.

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/commands.h"
#include "service/http_get.h"
#include "tests/app/gui_support.h"

namespace quorvane::testing {
namespace {

using namespace std::chrono_literals;

const QString kToday = QStringLiteral("当前关键词今日搜索量  ");
const QString kTotal = QStringLiteral("总搜索量  ");
constexpr unsigned long long kForever = 1ULL << 40;
// Binary bytes, a NUL among them, where a status line should be.
constexpr char kGarbage[] = "\x16\x03\x01\x00\xff\xfe garbage \x80\x81\r\n\r\n\x00 more";

// Short time bounds while a test runs, the program's own afterwards.
class ShortLimits {
 public:
  explicit ShortLimits(std::size_t maxAnswerBytes = HttpLimits{}.maxAnswerBytes) {
    HttpLimits limits;
    limits.connectTimeout = 2s;
    limits.idleTimeout = 300ms;
    limits.totalTimeout = 2s;
    limits.maxAnswerBytes = maxAnswerBytes;
    setHttpLimits(limits);
  }
  ~ShortLimits() { setHttpLimits(HttpLimits{}); }
  ShortLimits(const ShortLimits&) = delete;
  ShortLimits& operator=(const ShortLimits&) = delete;
};

// One body that both endpoints can be read from: two words, then the figures.
std::string wordsAndFigures() {
  return wordsAnswer({"W甲", "W乙"}) + R"({"data":{"biznum":"12","totalnum":"345"},"success":"true"})";
}

// A window whose results box and list hold an earlier Query's "old", so that
// a Query that gets nothing visibly empties them.
struct OldResults : WindowFixture {
  OldResults() {
    window->编辑框2->setPlainText(QStringLiteral("old\n"));
    EXPECT_TRUE(buildKeywordTable(*window));
  }
};

// Clicks Query with every request answered by `reply`. True when the event
// loop runs again afterwards.
bool queryAgainst(WindowFixture& fixture, Handler reply) {
  fixture.service.server().setHandler(std::move(reply));
  fixture.service.server().clearRequests();
  {
    const Watchdog watchdog(90s, "a Query against a misbehaving service");
    QTest::mouseClick(fixture.window->按钮1, Qt::LeftButton);
  }
  bool dispatched = false;
  QTimer::singleShot(0, fixture.window.get(), [&] { dispatched = true; });
  return waitUntil([&] { return dispatched; });
}

Handler always(Reply reply) {
  return [reply = std::move(reply)](const ReceivedRequest&) { return reply; };
}

TEST(HostileService, QueryEndsEmptyWhenNoAnswerArrives) {
  const ShortLimits limits;
  const struct {
    const char* name;
    Handler reply;
    std::size_t requests;
  } rows[] = {
      {"accepts and never answers", always({.neverAnswer = true}), 3},
      {"drips a header line forever",
       always({.raw = "HTTP/1.0 200 OK\r\nX-Slow: ", .dripInterval = 100ms, .endlessBytes = kForever}), 3},
      // libcurl gives up after five redirects and drops the body it was
      // redirected away from; each of the three requests is sent six times.
      {"redirects to itself",
       [](const ReceivedRequest& request) {
         return Reply{.status = 302, .body = wordsAndFigures(), .extraHeaders = {"Location: " + request.target}};
       },
       3 * static_cast<std::size_t>(HttpLimits{}.maxRedirects + 1)},
      {"closes in the middle of the head", always({.raw = "HTTP/1.0 200 OK\r\nContent-Le"}), 3},
      {"answers garbage instead of HTTP",
       always({.raw = std::string(kGarbage, sizeof kGarbage - 1)}), 3},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    OldResults fixture;
    ASSERT_TRUE(queryAgainst(fixture, row.reply));
    EXPECT_EQ(fixture.service.server().requestCount(), row.requests);
    EXPECT_EQ(fixture.results(), "");
    EXPECT_EQ(fixture.window->标签1->text(), kToday + kTotal);
    EXPECT_EQ(fixture.listRows(), QStringList{});
    EXPECT_EQ(fixture.fileBytes(QStringLiteral("a.txt")), QByteArray());
    EXPECT_TRUE(fixture.messages.texts().isEmpty());
  }
}

TEST(HostileService, QueryKeepsWhatArrivedBeforeTheServiceFailed) {
  const ShortLimits limits;
  const std::string body = wordsAndFigures();
  const std::string head = "HTTP/1.0 200 OK\r\n\r\n";
  const std::string stallingHead = "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n";
  // Chunk boundaries inside the words, one of them between the bytes of 甲.
  const std::size_t inWord = body.find("甲") + 1;
  const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" +
                              QByteArray::number(static_cast<qulonglong>(inWord), 16).toStdString() + "\r\n" +
                              body.substr(0, inWord) + "\r\n" +
                              QByteArray::number(static_cast<qulonglong>(body.size() - inWord), 16).toStdString() +
                              "\r\n" + body.substr(inWord) + "\r\n0\r\n\r\n";
  const struct {
    const char* name;
    Reply reply;
  } rows[] = {
      // Past the words one byte per 100 ms: only the total bound ends it.
      {"drips forever after the words",
       {.raw = head + body,
        .dripInterval = 100ms,
        .dripAfter = static_cast<long long>(head.size() + body.size()),
        .endlessBytes = kForever}},
      // Silent after the words with the connection open: the idle bound.
      {"stalls after the words",
       {.raw = stallingHead + body,
        .cutAfter = static_cast<long long>(stallingHead.size() + body.size()),
        .stallAtCut = true}},
      {"announces more than it sends, then closes",
       {.body = body, .contentLengthOverride = std::to_string(body.size() + 5000)}},
      {"sends an HTTP/1.1 chunked body", {.raw = chunked}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    OldResults fixture;
    ASSERT_TRUE(queryAgainst(fixture, always(row.reply)));
    EXPECT_EQ(fixture.service.server().requestCount(), 3u);
    EXPECT_EQ(fixture.results(), "W甲\r\nW乙\r\n");
    EXPECT_EQ(fixture.window->标签1->text(), kToday + "12" + kTotal + "345");
    EXPECT_EQ(fixture.listRows(), (QStringList{"1 W甲", "2 W乙"}));
  }
}

TEST(HostileService, EndlessAnswerIsCutAtTheCapAndTheQueryGoesOn) {
  constexpr std::size_t kCap = 4u << 20;
  const ShortLimits limits(kCap);
  OldResults fixture;
  ASSERT_TRUE(queryAgainst(fixture, always({.body = wordsAndFigures(), .endlessBytes = kForever})));

  EXPECT_EQ(fixture.results(), "W甲\r\nW乙\r\n");
  EXPECT_EQ(fixture.window->标签1->text(), kToday + "12" + kTotal + "345");
  EXPECT_EQ(fixture.listRows(), (QStringList{"1 W甲", "2 W乙"}));
  // The scratch box holds the answer as far as the cap: all of it ASCII but
  // two characters, one byte shorter each in GBK than in UTF-8.
  const std::size_t scratch = fixture.window->编辑框1->commandText().size();
  EXPECT_EQ(scratch, kCap - 2);
}

}  // namespace
}  // namespace quorvane::testing
