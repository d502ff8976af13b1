#include "tests/app/gui_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QAbstractButton>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/event_wait.h"
#include "app/gbk_text.h"
#include "service/code_page.h"
#include "service/keyword_service.h"

namespace quorvane::testing {
namespace {

constexpr std::string_view kWordParameter = "word=";

std::string keywordOf(const std::string& target) {
  const std::size_t at = target.find(kWordParameter);
  return at == std::string::npos ? std::string() : percentDecode(target.substr(at + kWordParameter.size()));
}

}  // namespace

std::string percentDecode(std::string_view text) {
  const auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() &&
        hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string wordsAnswer(const std::vector<std::string>& words) {
  std::string body = "{\"status\":0,\"data\":{\"group\":[";
  for (const std::string& word : words) body += "{\"word\":\"" + word + "\",\"total\":100,\"pv\":7},";
  return body + "]}}";
}

KeywordServer::KeywordServer() {
  setWords([](const std::string& keyword) { return std::vector<std::string>{keyword + "甲", keyword + "乙"}; });
  setVolumeBody([](int) { return std::string(R"({"data":{"biznum":"12","totalnum":"345"},"success":"true"})"); });
  m_server.setHandler([this](const ReceivedRequest& request) { return answer(request); });
  setServiceHost(m_server.hostAndPort());
}

void KeywordServer::setWords(std::function<std::vector<std::string>(const std::string&)> words) {
  setWordsBody([words = std::move(words)](const std::string& keyword, int) { return wordsAnswer(words(keyword)); });
}

void KeywordServer::setWordsBody(std::function<std::string(const std::string&, int)> body) {
  const std::lock_guard lock(m_mutex);
  m_wordsBody = std::move(body);
}

void KeywordServer::setVolumeBody(std::function<std::string(int)> body) {
  const std::lock_guard lock(m_mutex);
  m_volumeBody = std::move(body);
}

std::vector<std::string> KeywordServer::wordRequests() const {
  const std::lock_guard lock(m_mutex);
  return m_wordRequests;
}

std::vector<std::string> KeywordServer::volumeRequests() const {
  const std::lock_guard lock(m_mutex);
  return m_volumeRequests;
}

Reply KeywordServer::answer(const ReceivedRequest& request) {
  const std::lock_guard lock(m_mutex);
  const std::string keyword = keywordOf(request.target);
  Reply reply;
  if (request.path == kRecommendedWordsPath) {
    m_wordRequests.push_back(keyword);
    reply.body = m_wordsBody(keyword, static_cast<int>(m_wordRequests.size()));
  } else if (request.path == kVolumeStatsPath) {
    m_volumeRequests.push_back(keyword);
    reply.body = m_volumeBody(static_cast<int>(m_volumeRequests.size()));
  } else {
    reply.status = 404;
    reply.body = "not here";
  }
  return reply;
}

MessageCloser::MessageCloser() {
  QObject::connect(&m_timer, &QTimer::timeout, [this] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    m_texts.append(box->text());
    m_captions.append(box->windowTitle());
    if (box->parent() != nullptr || box->windowModality() != Qt::ApplicationModal) m_allApplicationModal = false;
    box->button(QMessageBox::Ok)->click();
  });
  m_timer.start(5);
}

WindowFixture::WindowFixture() {
  window = std::make_unique<MainWindow>(directory.path());
  window->showCentred();
}

WindowFixture::~WindowFixture() = default;

QString WindowFixture::path(const QString& fileName) const { return directory.filePath(fileName); }

QByteArray WindowFixture::fileBytes(const QString& fileName) const {
  QFile file(path(fileName));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

std::string WindowFixture::results() const { return gbkToUtf8(toCommandText(window->编辑框2->toPlainText())); }

QStringList WindowFixture::listRows() const {
  QStringList rows;
  for (int i = 0; i < window->超级列表框1->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = window->超级列表框1->topLevelItem(i);
    rows.append(item->text(0) + QLatin1Char(' ') + item->text(1));
  }
  return rows;
}

void clickWhen(QWidget* widget, std::function<bool()> ready) {
  auto* timer = new QTimer(widget);
  QObject::connect(timer, &QTimer::timeout, widget, [widget, timer, ready = std::move(ready)] {
    if (!ready()) return;
    timer->stop();
    timer->deleteLater();
    QTest::mouseClick(widget, Qt::LeftButton);
  });
  timer->start(2);
}

bool waitUntil(const std::function<bool()>& done, int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > milliseconds) return false;
    QTest::qWait(5);
  }
  return true;
}

}  // namespace quorvane::testing

namespace quorvane::testing {

Watchdog::Watchdog(std::chrono::seconds limit, std::string what) {
  m_thread = std::thread([this, limit, what = std::move(what)] {
    std::unique_lock lock(m_mutex);
    if (m_wake.wait_for(lock, limit, [this] { return m_done; })) return;
    std::fprintf(stderr, "watchdog: %s still running after %lld s\n", what.c_str(),
                 static_cast<long long>(limit.count()));
    std::fflush(stderr);
    std::_Exit(124);
  });
}

Watchdog::~Watchdog() {
  {
    const std::lock_guard lock(m_mutex);
    m_done = true;
  }
  m_wake.notify_all();
  m_thread.join();
}

ChildRun runChildProgram(std::string_view scenario, int timeoutMs) {
  QProcess child;
  child.setProgram(QCoreApplication::applicationFilePath());
  const QString name = QString::fromUtf8(scenario.data(), static_cast<qsizetype>(scenario.size()));
  child.setArguments({QStringLiteral("--child=") + name});
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start();
  ChildRun run;
  if (!child.waitForFinished(timeoutMs)) {
    child.kill();
    child.waitForFinished();
    return run;
  }
  run.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
  for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
    const qsizetype at = line.indexOf('=');
    if (at > 0) run.facts[line.left(at).toStdString()] = line.mid(at + 1).toLongLong();
  }
  return run;
}

std::chrono::milliseconds stormLength(std::chrono::seconds fallback) {
  bool ok = false;
  const double seconds = qEnvironmentVariable("QUORVANE_STORM_SECONDS").toDouble(&ok);
  if (!ok || seconds <= 0) return fallback;
  return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

namespace {

constexpr int kTickMs = 3;
constexpr qint64 kStopEveryMs = 50;
// When the storm has found no end this long after its length, it reports
// that and closes the window, which makes every wait return.
constexpr qint64 kLongestUnwindMs = 120'000;
constexpr int kProblemsPerKind = 5;

// Key events sent straight to a control, as QTest does, without its warning
// for keys a control ignores.
void sendKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QCoreApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QCoreApplication::sendEvent(widget, &release);
}

std::size_t hashOf(const std::string& bytes) { return std::hash<std::string>{}(bytes); }

std::string resultsBytes(const MainWindow& window) {
  return textToBytes(toCommandText(window.编辑框2->toPlainText()));
}

std::string fileBytesAt(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "<unreadable>";
  const QByteArray bytes = file.readAll();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

ClickStorm::ClickStorm(MainWindow& window, KeywordServer& service, std::uint32_t seed)
    : m_window(window), m_service(service), m_seed(seed), m_random(seed) {
  m_aboutPage = QUrl::fromLocalFile(window.programDirectory + QStringLiteral("/about.html")).toString();
  QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
  m_service.setWords([this](const std::string& keyword) {
    std::vector<std::string> words;
    const bool isSeed = !keyword.empty() && keyword.find("号") == std::string::npos &&
                        keyword.find("甲") == std::string::npos && keyword.find("乙") == std::string::npos;
    if (isSeed) {
      for (int i = 0; i < kSeedWords; ++i) words.push_back(keyword + "号" + std::to_string(i));
    } else {
      words = {keyword + "甲", keyword + "乙"};
    }
    const std::lock_guard lock(m_sentMutex);
    for (const std::string& word : words) m_sent.insert(QString::fromStdString(word));
    return words;
  });

  // Each of these runs right after the command it watches, since the window
  // connected its own handlers first.
  connect(window.按钮1, &QPushButton::clicked, this, [this] { ++m_figures.queries; });
  connect(window.按钮2, &QPushButton::clicked, this, [this] { ++m_figures.webPages; });
  connect(window.按钮3, &QPushButton::clicked, this, [this] { ++m_figures.runs; });
  connect(window.按钮4, &QPushButton::clicked, this, [this] {
    ++m_figures.saves;
    checkSave();
  });
  connect(window.按钮5, &QPushButton::clicked, this, [this] { ++m_figures.stops; });
  connect(window.超级列表框1, &QTreeWidget::itemActivated, this, [this] { ++m_figures.activations; });
  connect(window.编辑框2, &QPlainTextEdit::textChanged, this, [this] { checkResultsBox(); });
  connect(window.超级列表框1->model(), &QAbstractItemModel::modelReset, this, [this] { checkRefill(); });
  m_boxHistory.insert(hashOf(resultsBytes(window)));

  connect(&m_tick, &QTimer::timeout, this, [this] { tick(); });
  m_clock.start();
}

ClickStorm::~ClickStorm() {
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  m_service.setWords(
      [](const std::string& keyword) { return std::vector<std::string>{keyword + "甲", keyword + "乙"}; });
}

bool ClickStorm::sent(const QString& word) const {
  const std::lock_guard lock(m_sentMutex);
  return m_sent.contains(word);
}

void ClickStorm::openUrl(const QUrl& url) {
  ++m_figures.urlsOpened;
  if (url.toString() != m_aboutPage) problem(QStringLiteral("opened ") + url.toString());
}

void ClickStorm::start(std::chrono::milliseconds length, End end) {
  m_length = length;
  m_end = end;
  m_clock.start();
  command([this] { QTest::mouseClick(m_window.按钮3, Qt::LeftButton); });
  m_tick.start(kTickMs);
}

void ClickStorm::problem(const QString& what) {
  const QString kind = what.section(QLatin1Char(' '), 0, 1);
  if (++m_problemKinds[kind] <= kProblemsPerKind) {
    m_problems.append(QStringLiteral("%1 s: ").arg(seconds(), 0, 'f', 2) + what);
  }
}

void ClickStorm::command(std::function<void()> action) {
  ++m_pending;
  QTimer::singleShot(0, &m_window, [this, action = std::move(action)] {
    --m_pending;
    // A closed window takes no more clicks.
    if (programClosing()) return;
    ++m_running;
    m_figures.deepest = std::max(m_figures.deepest, m_running);
    action();
    --m_running;
  });
}

void ClickStorm::tick() {
  if (m_window.crawlCursor < 0) problem(QStringLiteral("cursor negative: ") + QString::number(m_window.crawlCursor));
  const qint64 now = m_clock.elapsed();
  if (now < m_length.count()) {
    fire();
    return;
  }
  if (m_end != End::Unwind) {
    // This tick runs inside the innermost wait, so with a command of the
    // storm running the window closes under a waiting command.
    const bool boxOpen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr;
    if (m_running > 0 && boxOpen == (m_end == End::CloseUnderMessageBox)) {
      m_runningAtClose = m_running;
      m_tick.stop();
      m_over = true;
      m_window.close();
      return;
    }
  } else if (m_running == 0 && m_pending == 0) {
    m_tick.stop();
    m_over = true;
    return;
  }
  if (now > m_length.count() + kLongestUnwindMs) {
    problem(QStringLiteral("storm stuck: no end after its length; closing the window"));
    m_tick.stop();
    m_over = true;
    m_window.close();
    return;
  }
  // A Stop only ends the runs that check the cursor after it; a Query nested
  // later can give them rows again, so keep pressing until all is done. (Its
  // message box is also a wait to close the window under.)
  if (m_pending == 0 && now - m_lastStop >= kStopEveryMs) {
    m_lastStop = now;
    command([this] { QTest::mouseClick(m_window.按钮5, Qt::LeftButton); });
  }
}

void ClickStorm::fire() {
  const bool commandsAllowed = m_pending + m_running < kMostCommands;
  // Per mille of the ticks (one every few milliseconds): a few commands a
  // second, and many more of the quick actions around them.
  const int draw = std::uniform_int_distribution<int>(0, 999)(m_random);
  if (draw >= 600) return;
  ++m_figures.actions;
  if (draw < 5) {
    if (commandsAllowed) command([this] { QTest::mouseClick(m_window.按钮1, Qt::LeftButton); });
  } else if (draw < 12) {
    if (commandsAllowed) command([this] { QTest::mouseClick(m_window.按钮3, Qt::LeftButton); });
  } else if (draw < 15) {
    // Stop is quick and is what lets nested runs end, so it is not held back
    // by the nesting bound; one at a time.
    if (m_pendingStops == 0) {
      ++m_pendingStops;
      command([this] {
        --m_pendingStops;
        QTest::mouseClick(m_window.按钮5, Qt::LeftButton);
      });
    }
  } else if (draw < 25) {
    const bool byMouse = draw < 20;
    if (commandsAllowed) command([this, byMouse] { activateRow(byMouse); });
  } else if (draw < 40) {
    QTest::mouseClick(m_window.按钮4, Qt::LeftButton);
  } else if (draw < 45) {
    QTest::mouseClick(m_window.按钮2, Qt::LeftButton);
  } else if (draw < 50) {
    // The label reacts to the press; it ignores the release.
    const QPoint at = m_window.标签1->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, at, m_window.标签1->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_window.标签1, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, m_window.标签1->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_window.标签1, &release);
    ++m_figures.webPages;
  } else if (draw < 200) {
    type();
  } else {
    pressKey(commandsAllowed);
  }
}

void ClickStorm::activateRow(bool byMouse) {
  QTreeWidget* list = m_window.超级列表框1;
  const int rows = list->topLevelItemCount();
  if (rows == 0) return;
  QTreeWidgetItem* item = list->topLevelItem(std::uniform_int_distribution<int>(0, rows - 1)(m_random));
  if (byMouse) {
    list->scrollToItem(item);
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  } else {
    list->setCurrentItem(item);
    sendKey(list, Qt::Key_Return);
  }
}

void ClickStorm::type() {
  QLineEdit* seed = m_window.编辑框_数据;
  ++m_figures.typed;
  if (seed->text().size() > 12) {
    sendKey(seed, Qt::Key_A, Qt::ControlModifier);
    sendKey(seed, Qt::Key_Backspace);
    return;
  }
  // Letters, blanks, the bytes an address must escape, and Chinese; never
  // "号", which marks the service's words.
  static const QString kTyped = QStringLiteral("abxyzAB 19&#%+=?/中文长尾词");
  const int count = std::uniform_int_distribution<int>(1, 3)(m_random);
  for (int i = 0; i < count; ++i) {
    const QChar c = kTyped.at(std::uniform_int_distribution<int>(0, static_cast<int>(kTyped.size()) - 1)(m_random));
    const int key = c.isLetterOrNumber() && c.unicode() < 128 ? static_cast<int>(c.toUpper().unicode())
                                                              : static_cast<int>(Qt::Key_unknown);
    sendKey(seed, key, Qt::NoModifier, QString(c));
  }
  if (std::uniform_int_distribution<int>(0, 3)(m_random) == 0) sendKey(seed, Qt::Key_Backspace);
}

void ClickStorm::pressKey(bool commandsAllowed) {
  ++m_figures.keyPresses;
  // Keys that move, select or change focus; Space on a button and Enter on
  // the list run commands. Nothing that edits the results or the scratch box.
  static const int kMoving[] = {Qt::Key_Left, Qt::Key_Right,  Qt::Key_Up,       Qt::Key_Down, Qt::Key_Home,
                                Qt::Key_End,  Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Tab,  Qt::Key_Backtab};
  const auto moving = [&] {
    return kMoving[std::uniform_int_distribution<int>(0, std::size(kMoving) - 1)(m_random)];
  };
  MainWindow& w = m_window;
  QWidget* const controls[] = {w.编辑框_数据, w.按钮1, w.按钮2, w.编辑框2, w.按钮3,
                               w.按钮5, w.按钮4, w.编辑框1, w.超级列表框1};
  QWidget* target = controls[std::uniform_int_distribution<int>(0, std::size(controls) - 1)(m_random)];
  const bool enterOrSpace = std::uniform_int_distribution<int>(0, 19)(m_random) == 0;

  if (auto* button = qobject_cast<QPushButton*>(target)) {
    if (!enterOrSpace) {
      sendKey(button, moving());
    } else if (button == w.按钮4 || button == w.按钮2) {
      sendKey(button, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    } else if (commandsAllowed) {
      command([button] { sendKey(button, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" ")); });
    } else {
      // Enter on a button starts nothing: no button is a default button.
      sendKey(button, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    }
  } else if (target == w.超级列表框1) {
    if (enterOrSpace && commandsAllowed) {
      command([list = w.超级列表框1] { sendKey(list, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")); });
    } else {
      sendKey(target, enterOrSpace ? Qt::Key_Space : moving());
    }
  } else if (target == w.编辑框_数据 && enterOrSpace) {
    sendKey(target, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  } else {
    sendKey(target, moving());
  }
}

void ClickStorm::checkResultsBox() {
  const std::string bytes = resultsBytes(m_window);
  m_boxHistory.insert(hashOf(bytes));
  const QStringList lines = m_window.编辑框2->toPlainText().split(QLatin1Char('\n'));
  for (const QString& line : lines) {
    if (!line.isEmpty() && !sent(line)) {
      problem(QStringLiteral("results foreign line: ") + line.left(80));
      return;
    }
  }
}

void ClickStorm::checkSave() {
  const std::string file = fileBytesAt(m_window.programDirectory + QStringLiteral("/b.txt"));
  if (file != resultsBytes(m_window)) {
    problem(QStringLiteral("b.txt differs from the results box (%1 bytes in the file)").arg(file.size()));
  }
}

void ClickStorm::checkRefill() {
  const std::string file = fileBytesAt(m_window.programDirectory + QStringLiteral("/a.txt"));
  if (!m_boxHistory.contains(hashOf(file))) {
    problem(QStringLiteral("a.txt never was the results box (%1 bytes)").arg(file.size()));
  }
  // A Query nested in a reload rewrites a.txt under it; the reload must stop
  // then rather than read pieces of the new words into the table.
  for (const KeywordEntry& entry : m_window.keywordTable) {
    if (!sent(toWidgetText(entry.keyword))) {
      problem(QStringLiteral("table foreign keyword: ") + toWidgetText(entry.keyword).left(80));
      return;
    }
  }
}

}  // namespace quorvane::testing
