#include "tests/app/gui_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QAbstractButton>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

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
