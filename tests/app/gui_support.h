#pragma once

// What the window tests share: a keyword service on 127.0.0.1 scripted per
// test, a closer for the program's message boxes, and a window in a
// temporary program directory.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
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

}  // namespace quorvane::testing
