#pragma once

// What the window tests share: a keyword service on 127.0.0.1 scripted per
// test, a closer for the program's message boxes, and a window in a
// temporary program directory.

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "app/main_window.h"
#include "tests/support/scripted_server.h"

namespace quorvane::testing {

// "%E4%B8%AD" and the like back to bytes.
[[nodiscard]] std::string percentDecode(std::string_view text);

// The UTF-8 body of a recommended-word answer holding `words`.
[[nodiscard]] std::string wordsAnswer(const std::vector<std::string>& words);

// A keyword service on 127.0.0.1. By default a keyword K (UTF-8) is
// recommended "K甲" and "K乙", and its volumes are 12 today and 345 in total;
// tests override either. Every request's decoded keyword is recorded per
// endpoint, in order.
class KeywordServer {
 public:
  KeywordServer();

  void setWords(std::function<std::vector<std::string>(const std::string& keyword)> words);
  void setWordsBody(std::function<std::string(const std::string& keyword, int requestNumber)> body);
  void setVolumeBody(std::function<std::string(int requestNumber)> body);

  [[nodiscard]] std::vector<std::string> wordRequests() const;
  [[nodiscard]] std::vector<std::string> volumeRequests() const;
  ScriptedServer& server() { return m_server; }

 private:
  Reply answer(const ReceivedRequest& request);

  mutable std::mutex m_mutex;
  std::function<std::string(const std::string&, int)> m_wordsBody;
  std::function<std::string(int)> m_volumeBody;
  std::vector<std::string> m_wordRequests;
  std::vector<std::string> m_volumeRequests;
  ScriptedServer m_server;
};

// Presses OK on every message box the program shows, and records their texts
// and captions.
class MessageCloser {
 public:
  MessageCloser();
  [[nodiscard]] const QStringList& texts() const { return m_texts; }
  [[nodiscard]] const QStringList& captions() const { return m_captions; }
  [[nodiscard]] int count(const QString& text) const { return static_cast<int>(m_texts.count(text)); }
  // Was every box modal for the whole program, with no owner?
  [[nodiscard]] bool allApplicationModal() const { return m_allApplicationModal; }

 private:
  QTimer m_timer;
  QStringList m_texts;
  QStringList m_captions;
  bool m_allApplicationModal = true;
};

// A main window in a fresh temporary program directory, shown, and pointed
// at a fresh keyword service.
struct WindowFixture {
  WindowFixture();
  ~WindowFixture();

  QTemporaryDir directory;
  KeywordServer service;
  MessageCloser messages;
  std::unique_ptr<MainWindow> window;

  [[nodiscard]] QString path(const QString& fileName) const;
  [[nodiscard]] QByteArray fileBytes(const QString& fileName) const;
  // The results box as the commands see it (GBK, CR LF), here back in UTF-8.
  [[nodiscard]] std::string results() const;
  // The keyword list's rows as "number keyword" lines.
  [[nodiscard]] QStringList listRows() const;
};

// Clicks `widget` from the event loop once `ready` holds (checked every few
// milliseconds, so the click runs nested in whatever command waits then).
void clickWhen(QWidget* widget, std::function<bool()> ready);

// Spins the event loop until `done` or the time is up.
bool waitUntil(const std::function<bool()>& done, int milliseconds = 5000);

// Ends the process with a message when it is still alive after `limit`: the
// bound for a test whose only way to hang is a call that holds the UI thread
// (a request to a service that misbehaves), which no event-loop wait can end.
class Watchdog {
 public:
  Watchdog(std::chrono::seconds limit, std::string what);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_done = false;
  std::thread m_thread;
};

// This test program run again as a child ("--child=NAME"): its exit code
// (-1 when it crashed or was killed for running past `timeoutMs`) and the
// "key=value" lines it printed.
struct ChildRun {
  int exitCode = -1;
  std::map<std::string, long long> facts;
};
[[nodiscard]] ChildRun runChildProgram(std::string_view scenario, int timeoutMs);

// The length of a click storm: QUORVANE_STORM_SECONDS, else `fallback`.
[[nodiscard]] std::chrono::milliseconds stormLength(std::chrono::seconds fallback);

// A seeded random storm of user actions against a window: clicks on the five
// buttons, row activations by double-click and by Enter, typing into the seed
// box, key presses in the controls (never Esc) and presses on the label, fired
// from a timer every few milliseconds. Commands run nested in whatever command
// waits at the time, as a user's clicks would; at most kMostCommands of them
// at once, Stops aside.
//
// It takes the keyword service over: a seed (a keyword that is not empty and
// holds none of "号", "甲", "乙") is recommended 300 words "seed号0" to
// "seed号299", so a Query lists 300 rows; any other keyword K gets "K甲" and
// "K乙", so a long-tail step adds two lines. It records every word the
// service sent, and checks while it runs:
//   - crawlCursor is never negative;
//   - every line of the results box is empty or a word the service sent;
//   - b.txt holds exactly the results box right after every Save;
//   - whenever the keyword list is refilled, a.txt holds a text the results
//     box has held, and every keyword of the table is a word the service sent.
// After `length` it stops firing and presses Stop until every command it
// started has returned. Or it closes the window instead, at the first moment
// a command of the storm waits, or waits under an open message box. The
// desktop's "open" for file addresses is caught while the storm lives, so no
// browser starts.
class ClickStorm : public QObject {
  Q_OBJECT
 public:
  static constexpr int kMostCommands = 6;
  static constexpr int kSeedWords = 300;

  struct Figures {
    long long actions = 0;  // every action fired
    // Clicks on 按钮1, 按钮3, 按钮5 and 按钮4 as the buttons reported them,
    // by mouse or by Space, the storm's last Stops included.
    int queries = 0;
    int runs = 0;
    int stops = 0;
    int saves = 0;
    int webPages = 0;     // clicks on 按钮2 and presses on 标签1
    int urlsOpened = 0;   // addresses handed to the desktop to open
    int activations = 0;  // row activations the list reported
    int keyPresses = 0;
    int typed = 0;
    int deepest = 0;       // most commands of the storm running at once
  };

  ClickStorm(MainWindow& window, KeywordServer& service, std::uint32_t seed);
  ~ClickStorm() override;

  enum class End { Unwind, CloseWhileWaiting, CloseUnderMessageBox };
  // Starts a long-tail run and the storm around it.
  void start(std::chrono::milliseconds length, End end = End::Unwind);
  // Stopped firing, and every command it started has returned (or, with
  // closing, the window is closed).
  [[nodiscard]] bool over() const { return m_over; }
  [[nodiscard]] const Figures& figures() const { return m_figures; }
  // The broken invariants, as they were seen (the first few of each kind).
  [[nodiscard]] const QStringList& problems() const { return m_problems; }
  [[nodiscard]] std::uint32_t seed() const { return m_seed; }
  [[nodiscard]] double seconds() const { return static_cast<double>(m_clock.elapsed()) / 1000.0; }
  // The commands running when the storm closed the window.
  [[nodiscard]] int runningAtClose() const { return m_runningAtClose; }

 public slots:
  void openUrl(const QUrl& url);

 private:
  void tick();
  void fire();
  void command(std::function<void()> action);
  void problem(const QString& what);
  void checkResultsBox();
  void checkSave();
  void checkRefill();
  void activateRow(bool byMouse);
  void pressKey(bool commandsAllowed);
  void type();
  // Whether the service sent `word`.
  [[nodiscard]] bool sent(const QString& word) const;

  MainWindow& m_window;
  KeywordServer& m_service;
  std::uint32_t m_seed;
  std::mt19937 m_random;
  QTimer m_tick;
  QElapsedTimer m_clock;
  std::chrono::milliseconds m_length{0};
  End m_end = End::Unwind;
  bool m_over = false;
  int m_pending = 0;
  int m_pendingStops = 0;
  int m_running = 0;
  int m_runningAtClose = -1;
  qint64 m_lastStop = -1;
  Figures m_figures;
  QStringList m_problems;
  std::map<QString, int> m_problemKinds;
  mutable std::mutex m_sentMutex;
  QSet<QString> m_sent;
  std::unordered_set<std::size_t> m_boxHistory;
  QString m_aboutPage;
};

}  // namespace quorvane::testing
