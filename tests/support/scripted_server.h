#pragma once

// A scripted HTTP server on 127.0.0.1 for tests: it listens on a free port,
// records every request it receives, and answers each with a reply the test
// chose. Replies can misbehave on purpose (cut short, never answer, drip,
// garbage) so that the client's failure paths run against a real socket.
//
// Each connection is served on a thread of its own, so a connection that never
// answers does not hold up later ones. Every wait inside the server (delay,
// drip, neverAnswer) wakes when the server stops, so the destructor returns
// promptly whatever the replies were.
//
//   ScriptedServer server;
//   server.replyAlways({.body = "hello"});
//   ... httpGet("http://" + server.hostAndPort() + "/x") ...
//   EXPECT_EQ(server.requests().at(0).target, "/x");

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quorvane::testing {

struct ReceivedRequest {
  std::string raw;          // every byte up to and including the blank line
  std::string requestLine;  // the first line without CR LF, e.g. "GET /x?y HTTP/1.0"
  std::string target;       // the request target, e.g. "/x?y"
  std::string path;         // the target before '?'

  // The value of the first header line named `name` (case-insensitive), with
  // the blanks around it removed; empty when there is no such line.
  [[nodiscard]] std::string header(std::string_view name) const;
  // How many header lines are named `name` (case-insensitive).
  [[nodiscard]] std::size_t headerCount(std::string_view name) const;
};

struct Reply {
  int status = 200;
  std::string body{};
  // Content-Length counts the body and the endless bytes.
  bool sendContentLength = true;
  std::string contentLengthOverride{};  // when not empty, sent instead of the body's size
  std::vector<std::string> extraHeaders{};  // whole lines without CR LF
  // When not empty, these bytes are sent instead of a built response.
  std::string raw{};
  // Close the connection after this many bytes of the response (-1: send all).
  long long cutAfter = -1;
  // At the cut, keep the connection open and silent instead of closing it,
  // until the client goes away or the server stops: a service that stalls.
  bool stallAtCut = false;
  // Wait this long before sending anything.
  std::chrono::milliseconds delay{0};
  // Accept, read the request and never answer (the connection stays open until
  // the server stops or the client goes away).
  bool neverAnswer = false;
  // Send the response one byte per `dripInterval` (0: all at once), after the
  // first `dripAfter` bytes, which go at once (the head of the response, say).
  std::chrono::milliseconds dripInterval{0};
  long long dripAfter = 0;
  // After the response, this many more bytes of 'x' (0: none), for answers too
  // big to build in memory; a built Content-Length counts them. Sending stops
  // early when the client goes away.
  unsigned long long endlessBytes = 0;
};

using Handler = std::function<Reply(const ReceivedRequest&)>;

class ScriptedServer {
 public:
  // Starts listening at once; the default handler answers 200 with an empty body.
  ScriptedServer();
  ~ScriptedServer();  // stops accepting, closes open connections, joins
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  [[nodiscard]] std::uint16_t port() const;
  // "127.0.0.1:<port>", ready for setServiceHost.
  [[nodiscard]] std::string hostAndPort() const;
  // "http://127.0.0.1:<port>" + target.
  [[nodiscard]] std::string url(std::string_view target) const;

  // The handler runs on the connection's thread, once per complete request.
  void setHandler(Handler handler);
  // Convenience: the same reply to every request.
  void replyAlways(Reply reply);

  [[nodiscard]] std::vector<ReceivedRequest> requests() const;
  [[nodiscard]] std::size_t requestCount() const;
  [[nodiscard]] std::size_t connectionCount() const;  // connections accepted
  // Forgets the recorded requests and sets the connection count back to 0.
  void clearRequests();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

// A TCP port on 127.0.0.1 that refuses connections (bound, then closed).
[[nodiscard]] std::uint16_t refusedPort();

}  // namespace quorvane::testing
