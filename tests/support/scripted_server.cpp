#include "tests/support/scripted_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <set>
#include <stdexcept>
#include <utility>

namespace quorvane::testing {
namespace {

constexpr std::size_t kLongestRequestHead = 1u << 20;
constexpr int kLingerAfterReplyMs = 2'000;

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Calls `visit(name, value)` for every header line of a request head.
template <typename Visit>
void forEachHeader(std::string_view raw, Visit visit) {
  auto lineEnd = raw.find("\r\n");
  while (lineEnd != std::string_view::npos) {
    raw.remove_prefix(lineEnd + 2);
    lineEnd = raw.find("\r\n");
    const auto line = raw.substr(0, lineEnd);
    const auto colon = line.find(':');
    if (colon != std::string_view::npos) {
      if (visit(line.substr(0, colon), trimBlanks(line.substr(colon + 1)))) return;
    }
  }
}

ReceivedRequest parseRequest(std::string raw) {
  ReceivedRequest request;
  const auto lineEnd = raw.find("\r\n");
  request.requestLine = raw.substr(0, lineEnd);
  const auto firstSpace = request.requestLine.find(' ');
  const auto lastSpace = request.requestLine.rfind(' ');
  if (firstSpace != std::string::npos && lastSpace > firstSpace) {
    request.target = request.requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1);
  }
  request.path = request.target.substr(0, request.target.find('?'));
  request.raw = std::move(raw);
  return request;
}

std::string reasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

std::string buildResponse(const Reply& reply) {
  if (!reply.raw.empty()) return reply.raw;
  std::string out = "HTTP/1.0 " + std::to_string(reply.status) + " " + reasonPhrase(reply.status) + "\r\n";
  if (reply.sendContentLength) {
    const auto length = reply.contentLengthOverride.empty()
                            ? std::to_string(reply.body.size() + reply.endlessBytes)
                            : reply.contentLengthOverride;
    out += "Content-Length: " + length + "\r\n";
  }
  for (const auto& line : reply.extraHeaders) out += line + "\r\n";
  out += "\r\n";
  out += reply.body;
  return out;
}

class Socket {
 public:
  explicit Socket(int fd) : m_fd(fd) {}
  ~Socket() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  Socket(Socket&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
  Socket& operator=(Socket&& other) noexcept {
    if (this != &other) {
      if (m_fd >= 0) ::close(m_fd);
      m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
  }
  [[nodiscard]] int fd() const { return m_fd; }
  [[nodiscard]] int release() { return std::exchange(m_fd, -1); }

 private:
  int m_fd;
};

Socket listenOnLoopback() {
  Socket s{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
  if (s.fd() < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (::bind(s.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("bind to 127.0.0.1 failed");
  }
  return s;
}

std::uint16_t boundPort(int fd) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    throw std::runtime_error("getsockname failed");
  }
  return ntohs(address.sin_port);
}

}  // namespace

std::string ReceivedRequest::header(std::string_view name) const {
  std::string found;
  forEachHeader(raw, [&](std::string_view lineName, std::string_view value) {
    if (!sameNameIgnoringCase(lineName, name)) return false;
    found = value;
    return true;
  });
  return found;
}

std::size_t ReceivedRequest::headerCount(std::string_view name) const {
  std::size_t count = 0;
  forEachHeader(raw, [&](std::string_view lineName, std::string_view) {
    if (sameNameIgnoringCase(lineName, name)) ++count;
    return false;
  });
  return count;
}

struct ScriptedServer::Impl {
  enum class Wait { Ready, Stopped, TimedOut };

  int listenFd = -1;
  // Written once when the server stops and never read, so it stays readable and
  // every wait that polls it wakes at once.
  int wakeRead = -1;
  int wakeWrite = -1;
  std::uint16_t port = 0;
  std::atomic<bool> stopping{false};

  mutable std::mutex mutex;
  Handler handler = [](const ReceivedRequest&) { return Reply{}; };
  std::vector<ReceivedRequest> received;
  std::size_t connections = 0;
  std::set<int> openConnections;
  std::vector<std::thread> workers;
  std::thread acceptor;

  Impl() {
    Socket s = listenOnLoopback();
    if (::listen(s.fd(), 64) != 0) throw std::runtime_error("listen failed");
    port = boundPort(s.fd());
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    wakeRead = pipeFds[0];
    wakeWrite = pipeFds[1];
    listenFd = s.release();
    acceptor = std::thread([this] { acceptLoop(); });
  }

  ~Impl() {
    stopping = true;
    const char byte = 'x';
    [[maybe_unused]] const auto written = ::write(wakeWrite, &byte, 1);
    {
      std::lock_guard lock(mutex);
      // Wakes a send or recv blocked on a connection.
      for (int fd : openConnections) ::shutdown(fd, SHUT_RDWR);
    }
    acceptor.join();
    std::vector<std::thread> toJoin;
    {
      std::lock_guard lock(mutex);
      toJoin.swap(workers);
    }
    for (auto& worker : toJoin) worker.join();
    ::close(listenFd);
    ::close(wakeRead);
    ::close(wakeWrite);
  }

  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  // Waits until `fd` is readable (fd < 0: only the timeout counts), the server
  // stops, or `timeoutMs` passes (negative: no time limit).
  Wait waitFor(int fd, int timeoutMs) const {
    pollfd fds[2] = {{wakeRead, POLLIN, 0}, {fd, POLLIN, 0}};
    const nfds_t count = fd >= 0 ? 2 : 1;
    for (;;) {
      const int n = ::poll(fds, count, timeoutMs);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Wait::Stopped;
      if (fds[0].revents != 0) return Wait::Stopped;
      if (n == 0) return Wait::TimedOut;
      return Wait::Ready;
    }
  }

  bool sleepFor(std::chrono::milliseconds duration) const {
    const auto ms = std::clamp<long long>(duration.count(), 0, 3'600'000);
    return waitFor(-1, static_cast<int>(ms)) == Wait::TimedOut;
  }

  void acceptLoop() {
    for (;;) {
      if (waitFor(listenFd, -1) != Wait::Ready) return;
      const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      std::lock_guard lock(mutex);
      if (stopping) {
        ::close(fd);
        return;
      }
      ++connections;
      openConnections.insert(fd);
      workers.emplace_back([this, fd] { serve(fd); });
    }
  }

  // Reads up to the blank line that ends the request head; empty when the
  // client went away or the server stops first.
  std::string readRequestHead(int fd) const {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
      if (head.size() > kLongestRequestHead) return {};
      if (waitFor(fd, -1) != Wait::Ready) return {};
      const auto n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return {};
      head.append(buffer, static_cast<std::size_t>(n));
    }
    head.resize(head.find("\r\n\r\n") + 4);
    return head;
  }

  // Sends the response bytes, honouring drip and the cut; false once sending
  // has to stop (client gone, cut reached, server stopping).
  class Sender {
   public:
    Sender(const Impl& server, int fd, const Reply& reply)
        : m_server(server),
          m_fd(fd),
          m_drip(reply.dripInterval),
          m_beforeDrip(std::max(0LL, reply.dripAfter)),
          m_left(reply.cutAfter) {}

    bool send(std::string_view bytes) {
      while (!bytes.empty()) {
        if (m_left == 0) return false;
        const bool dripping = m_drip.count() > 0 && m_beforeDrip == 0;
        auto n = bytes.size();
        if (dripping) n = 1;
        if (m_drip.count() > 0 && m_beforeDrip > 0) n = std::min<std::size_t>(n, static_cast<std::size_t>(m_beforeDrip));
        if (m_left > 0) n = std::min<std::size_t>(n, static_cast<std::size_t>(m_left));
        const auto sent = ::send(m_fd, bytes.data(), n, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
        if (m_left > 0) m_left -= sent;
        if (m_beforeDrip > 0) m_beforeDrip = std::max(0LL, m_beforeDrip - sent);
        if (dripping && !m_server.sleepFor(m_drip)) return false;
      }
      return m_left != 0;
    }

    [[nodiscard]] bool cutReached() const { return m_left == 0; }

   private:
    const Impl& m_server;
    int m_fd;
    std::chrono::milliseconds m_drip;
    long long m_beforeDrip;
    long long m_left;
  };

  // Holds the connection open and silent until the client goes away or the
  // server stops.
  void holdOpen(int fd) const {
    char buffer[512];
    while (waitFor(fd, -1) == Wait::Ready) {
      const auto n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n == 0 || (n < 0 && errno != EINTR)) return;
    }
  }

  void answer(int fd, const Reply& reply) const {
    if (reply.neverAnswer) {
      holdOpen(fd);
      return;
    }
    if (reply.delay.count() > 0 && !sleepFor(reply.delay)) return;
    Sender sender(*this, fd, reply);
    const auto sendAll = [&] {
      if (!sender.send(buildResponse(reply))) return;
      const std::string filler(64 * 1024, 'x');
      for (auto left = reply.endlessBytes; left > 0;) {
        const auto n = std::min<unsigned long long>(left, filler.size());
        if (!sender.send(std::string_view(filler).substr(0, static_cast<std::size_t>(n)))) return;
        left -= n;
      }
    };
    sendAll();
    if (reply.stallAtCut && sender.cutReached()) holdOpen(fd);
  }

  void serve(int fd) {
    std::string head = readRequestHead(fd);
    if (!head.empty()) {
      ReceivedRequest request = parseRequest(std::move(head));
      Handler current;
      {
        std::lock_guard lock(mutex);
        received.push_back(request);
        current = handler;
      }
      answer(fd, current(request));
    }
    // End our side first and wait for the client to close, so that unread
    // bytes never turn the close into a reset that could cost the client the
    // tail of the answer.
    ::shutdown(fd, SHUT_WR);
    char buffer[4096];
    while (waitFor(fd, kLingerAfterReplyMs) == Wait::Ready) {
      const auto n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n == 0 || (n < 0 && errno != EINTR)) break;
    }
    std::lock_guard lock(mutex);
    openConnections.erase(fd);
    ::close(fd);
  }
};

ScriptedServer::ScriptedServer() : m_impl(std::make_unique<Impl>()) {}

ScriptedServer::~ScriptedServer() = default;

std::uint16_t ScriptedServer::port() const { return m_impl->port; }

std::string ScriptedServer::hostAndPort() const { return "127.0.0.1:" + std::to_string(port()); }

std::string ScriptedServer::url(std::string_view target) const {
  return "http://" + hostAndPort() + std::string(target);
}

void ScriptedServer::setHandler(Handler handler) {
  std::lock_guard lock(m_impl->mutex);
  m_impl->handler = std::move(handler);
}

void ScriptedServer::replyAlways(Reply reply) {
  setHandler([reply = std::move(reply)](const ReceivedRequest&) { return reply; });
}

std::vector<ReceivedRequest> ScriptedServer::requests() const {
  std::lock_guard lock(m_impl->mutex);
  return m_impl->received;
}

std::size_t ScriptedServer::requestCount() const {
  std::lock_guard lock(m_impl->mutex);
  return m_impl->received.size();
}

std::size_t ScriptedServer::connectionCount() const {
  std::lock_guard lock(m_impl->mutex);
  return m_impl->connections;
}

void ScriptedServer::clearRequests() {
  std::lock_guard lock(m_impl->mutex);
  m_impl->received.clear();
  m_impl->connections = 0;
}

std::uint16_t refusedPort() {
  // Nothing listens on a port that was bound and closed again, so a connect
  // is refused at once (until some other program happens to take it).
  Socket s = listenOnLoopback();
  return boundPort(s.fd());
}

}  // namespace quorvane::testing
