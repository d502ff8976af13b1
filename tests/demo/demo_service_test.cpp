// Runs the real demo service binary on a free loopback port and asks it once
// per endpoint, the way scripts/run and the end-to-end tests use it.

#include <httplib.h>

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "tools/demo-service/demo_answers.h"

extern char** environ;

namespace {

constexpr auto kStartTimeout = std::chrono::seconds{10};
constexpr auto kStopTimeout = std::chrono::seconds{10};

// The demo service as a child process; stops it on destruction so a failing
// test leaves nothing behind.
class DemoServiceProcess {
 public:
  explicit DemoServiceProcess(int port = 0) {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    char path[] = QUORVANE_DEMO_SERVICE_PATH;
    char portFlag[] = "--port";
    std::string portText = std::to_string(port);
    char* argv[] = {path, portFlag, portText.data(), nullptr};
    if (posix_spawn(&m_pid, path, &actions, nullptr, argv, environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    m_stdout = fds[0];
  }

  ~DemoServiceProcess() {
    if (m_pid > 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
    if (m_stdout >= 0) close(m_stdout);
  }

  DemoServiceProcess(const DemoServiceProcess&) = delete;
  DemoServiceProcess& operator=(const DemoServiceProcess&) = delete;

  [[nodiscard]] bool started() const { return m_pid > 0; }

  // The port from the "listening on" line, or -1.
  [[nodiscard]] int readPort() {
    const std::string line = readFirstLine();
    const std::string prefix = "listening on 127.0.0.1:";
    if (line.rfind(prefix, 0) != 0) {
      ADD_FAILURE() << "first line: " << line;
      return -1;
    }
    return std::stoi(line.substr(prefix.size()));
  }

  // Sends SIGTERM and waits for the exit.
  [[nodiscard]] int terminate() {
    if (m_pid <= 0) return -1;  // kill(-1, ...) would signal every process
    kill(m_pid, SIGTERM);
    return waitForExit();
  }

  // The exit status, or -1 when the process did not end in time.
  [[nodiscard]] int waitForExit() {
    if (m_pid <= 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds{10});
    }
    return -1;
  }

 private:
  // The first line the service prints, or what arrived before the deadline.
  [[nodiscard]] std::string readFirstLine() {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (line.find('\n') == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd pfd{m_stdout, POLLIN, 0};
      if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0) break;
      char buffer[256];
      const ssize_t n = read(m_stdout, buffer, sizeof buffer);
      if (n <= 0) break;
      line.append(buffer, static_cast<std::size_t>(n));
    }
    return line.substr(0, line.find('\n'));
  }

  pid_t m_pid = -1;
  int m_stdout = -1;
};

TEST(DemoService, AnswersBothEndpointsOnLoopbackAndStopsOnSigterm) {
  DemoServiceProcess service;
  ASSERT_TRUE(service.started()) << QUORVANE_DEMO_SERVICE_PATH;

  const int port = service.readPort();
  ASSERT_GT(port, 0);

  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(std::chrono::seconds{5});
  client.set_read_timeout(std::chrono::seconds{5});
  client.set_write_timeout(std::chrono::seconds{5});

  struct Row {
    const char* name;
    std::string target;
    int status;
    std::string body;  // empty: only the status is checked
  };
  const Row rows[] = {
      {"recommended words for a percent-encoded seed",
       "/recomword/recomWordCache_findRecomWord.htm?area_id=&word=%E4%B8%AD%E6%96%87", 200,
       quorvane::demo::recommendedWordsAnswer("中文")},
      {"volumes for a percent-encoded keyword",
       "/trade/wordPv_statistics.htm?area_id=&word=%E4%B8%AD%E6%96%87", 200,
       quorvane::demo::volumeStatsAnswer("中文")},
      {"unknown path", "/nothing/here.htm?word=x", 404, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto result = client.Get(row.target);
    ASSERT_TRUE(result) << httplib::to_string(result.error());
    EXPECT_EQ(result->status, row.status);
    if (row.status == 200) {
      EXPECT_EQ(result->body, row.body);
      EXPECT_EQ(result->get_header_value("Content-Type"), "application/json; charset=utf-8");
    } else {
      EXPECT_FALSE(result->body.empty());
    }
  }

  EXPECT_EQ(service.terminate(), 0);
}

TEST(DemoService, RefusesToShareAPortWithARunningInstance) {
  DemoServiceProcess first;
  ASSERT_TRUE(first.started());
  const int port = first.readPort();
  ASSERT_GT(port, 0);

  DemoServiceProcess second(port);
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.waitForExit(), 1);
  EXPECT_EQ(first.terminate(), 0);
}

}  // namespace
