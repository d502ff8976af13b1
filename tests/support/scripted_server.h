#pragma once

// A scripted HTTP server on 127.0.0.1 for tests: it listens on a free port,
// records every request it receives, and answers each with a reply the test
// chose. Replies can misbehave on purpose (cut short, never answer, drip,
// garbage) so that the client's failure paths run against a real socket.

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorvane::testing {

struct ReceivedRequest {
  std::string raw;          // every byte up to and including the blank line
  std::string requestLine;  // the first line without CR LF, e.g. "GET /x?y HTTP/1.0"
  std::string target;       // the request target, e.g. "/x?y"
  std::string path;         // the target before '?'
};

struct Reply {
  int status = 200;
  std::string body;
  bool sendContentLength = true;
  std::string contentLengthOverride;  // when not empty, sent instead of the body's size
  std::vector<std::string> extraHeaders;  // whole lines without CR LF
  // When not empty, these bytes are sent instead of a built response.
  std::string raw;
  // Close the connection after this many bytes of the response (-1: send all).
  long long cutAfter = -1;
  // Wait this long before sending anything.
  std::chrono::milliseconds delay{0};
  // Accept, read the request and never answer (the connection stays open until
  // the server stops or the client goes away).
  bool neverAnswer = false;
  // Send the response one byte per `dripInterval` (0: all at once).
  std::chrono::milliseconds dripInterval{0};
  // Bytes of the body to send after the response, repeated until the client
  // goes away or `endlessBytes` is reached (0: none). For answers too big to
  // build in memory.
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

  void setHandler(Handler handler);
  // Convenience: the same reply to every request.
  void replyAlways(Reply reply);

  [[nodiscard]] std::vector<ReceivedRequest> requests() const;
  [[nodiscard]] std::size_t requestCount() const;
  [[nodiscard]] std::size_t connectionCount() const;  // connections accepted
  void clearRequests();

 private:
  struct Impl;
  Impl* m_impl;
};

// A TCP port on 127.0.0.1 that refuses connections (bound, then closed).
[[nodiscard]] std::uint16_t refusedPort();

}  // namespace quorvane::testing
