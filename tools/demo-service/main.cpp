// quorvane-demo-service: a local stand-in for the keyword service, so the tool
// can be run and tested offline. It answers the two endpoints the tool asks
// on 127.0.0.1 only.
//
//   quorvane-demo-service [--port N]    (default 8765; 0 picks a free port)
//
// Once it listens it prints "listening on 127.0.0.1:<port>" to stdout, which
// scripts and tests wait for. Every request line goes to stderr. SIGINT and
// SIGTERM stop it cleanly.

#include <httplib.h>

#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "tools/demo-service/demo_answers.h"

namespace {

constexpr int kDefaultPort = 8765;
constexpr auto kHost = "127.0.0.1";
constexpr auto kJson = "application/json; charset=utf-8";
constexpr auto kStopPoll = std::chrono::milliseconds{5};

void printUsage(std::FILE* to) {
  std::fputs("usage: quorvane-demo-service [--port N]\n"
             "  Serves demo keyword answers on 127.0.0.1 (default port 8765;\n"
             "  0 picks a free port). Stop it with Ctrl+C or SIGTERM.\n",
             to);
}

// The port from the command line, or -1 after printing why not.
[[nodiscard]] int parsePort(int argc, char** argv) {
  int port = kDefaultPort;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      printUsage(stdout);
      std::exit(0);
    }
    if (arg != "--port" || i + 1 == argc) {
      printUsage(stderr);
      return -1;
    }
    const std::string_view value = argv[++i];
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), port);
    if (ec != std::errc{} || end != value.data() + value.size() || port < 0 || port > 65535) {
      std::fprintf(stderr, "quorvane-demo-service: not a port: %s\n", argv[i]);
      return -1;
    }
  }
  return port;
}

}  // namespace

int main(int argc, char** argv) {
  const int port = parsePort(argc, argv);
  if (port < 0) return 2;

  // Block the stop signals before any thread exists, so that every thread the
  // server starts inherits the mask and only the waiter below receives them;
  // stop() then runs on an ordinary thread rather than in a signal handler.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  // A shell starts background jobs with SIGINT ignored, and an ignored signal
  // never reaches sigwait; take the default back so Ctrl+C and kill -INT work.
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);

  httplib::Server server;
  server.Get("/recomword/recomWordCache_findRecomWord.htm",
             [](const httplib::Request& req, httplib::Response& res) {
               res.set_content(quorvane::demo::recommendedWordsAnswer(req.get_param_value("word")),
                               kJson);
             });
  server.Get("/trade/wordPv_statistics.htm",
             [](const httplib::Request& req, httplib::Response& res) {
               res.set_content(quorvane::demo::volumeStatsAnswer(req.get_param_value("word")),
                               kJson);
             });
  // Address reuse only: the default also sets SO_REUSEPORT, which lets a
  // second instance share the port and take half of the requests instead of
  // failing to start.
  server.set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (res.status == 404) res.set_content("not found\n", "text/plain; charset=utf-8");
  });

  std::mutex logMutex;
  server.set_logger([&logMutex](const httplib::Request& req, const httplib::Response& res) {
    const std::lock_guard lock(logMutex);
    std::fprintf(stderr, "%s %s -> %d\n", req.method.c_str(), req.target.c_str(), res.status);
  });

  const int bound = port == 0 ? server.bind_to_any_port(kHost)
                              : (server.bind_to_port(kHost, port) ? port : -1);
  if (bound < 0) {
    std::fprintf(stderr, "quorvane-demo-service: cannot listen on %s:%d\n", kHost, port);
    return 1;
  }
  std::printf("listening on %s:%d\n", kHost, bound);
  std::fflush(stdout);

  // stop() does nothing until the listener runs, so a signal that arrives
  // between bind and listen waits for it instead of being lost.
  std::atomic<bool> listenEnded{false};
  std::atomic<bool> stopRequested{false};
  std::thread stopper([&] {
    int received = 0;
    sigwait(&stopSignals, &received);
    stopRequested = true;
    while (!server.is_running() && !listenEnded) std::this_thread::sleep_for(kStopPoll);
    server.stop();
  });

  const bool ok = server.listen_after_bind();
  listenEnded = true;
  // The listener may also end on its own (a failed accept); wake the waiter
  // so it can be joined.
  if (!stopRequested) pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return ok ? 0 : 1;
}
