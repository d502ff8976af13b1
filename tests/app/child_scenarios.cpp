// The scenarios the closing tests run in a child process.

#include "tests/app/child_scenarios.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/commands.h"
#include "tests/app/gui_support.h"

namespace quorvane::testing {

namespace {

constexpr std::uint32_t kStormCloseSeed = 271828;

// Calls `action` on the first pass of the event loop at which `ready` holds.
void whenReady(QObject* context, std::function<bool()> ready, std::function<void()> action) {
  auto* timer = new QTimer(context);
  QObject::connect(timer, &QTimer::timeout, context, [timer, ready = std::move(ready), action = std::move(action)] {
    if (!ready()) return;
    timer->stop();
    action();
  });
  timer->start(0);
}

}  // namespace

int runChildScenario(QApplication& application, std::string_view name) {
  QTemporaryDir directory;
  KeywordServer service;
  MessageCloser messages;
  MainWindow window(directory.path());
  window.showCentred();
  std::unique_ptr<ClickStorm> storm;
  const auto requests = [&] { return service.wordRequests().size(); };
  const auto close = [&] { window.close(); };

  if (name == "query-wait") {
    QTimer::singleShot(0, &window, [&] { QTest::mouseClick(window.按钮1, Qt::LeftButton); });
    whenReady(&window, [&] { return requests() == 1; }, close);
  } else if (name == "reload") {
    QString lines;
    for (int i = 0; i < 20000; ++i) lines += QString::number(i) + '\n';
    window.编辑框2->setPlainText(lines);
    QTimer::singleShot(0, &window, [&] { (void)buildKeywordTable(window); });
    whenReady(&window, [&] { return window.keywordTable.size() >= 10; }, close);
  } else if (name == "run-pause") {
    window.编辑框2->setPlainText("a\nb\nc\n");
    QTimer::singleShot(0, &window, [&] {
      if (!buildKeywordTable(window)) return;
      QTest::mouseClick(window.按钮3, Qt::LeftButton);
    });
    // The cursor has moved past row a while row b is not asked for yet: the
    // run is in its pause between rows.
    whenReady(&window, [&] { return window.crawlCursor == 1 && requests() == 1; }, close);
  } else if (name == "storm-close" || name == "storm-close-box") {
    // A click storm that ends with the window closing under a waiting
    // command, or under one that shows its message.
    const ClickStorm::End end =
        name == "storm-close" ? ClickStorm::End::CloseWhileWaiting : ClickStorm::End::CloseUnderMessageBox;
    storm = std::make_unique<ClickStorm>(window, service, kStormCloseSeed);
    std::printf("seed=%u\n", storm->seed());
    QTimer::singleShot(0, &window, [&, end] {
      window.编辑框_数据->setText(QStringLiteral("S"));
      QTest::mouseClick(window.按钮1, Qt::LeftButton);
      storm->start(std::chrono::seconds(3), end);
    });
  } else {
    std::fprintf(stderr, "unknown scenario\n");
    return 2;
  }

  const int exitCode = application.exec();
  std::printf("requests=%zu\n", requests());
  std::printf("table=%zu\n", window.keywordTable.size());
  std::printf("results=%lld\n", static_cast<long long>(window.编辑框2->toPlainText().size()));
  std::printf("caption=%lld\n", static_cast<long long>(window.标签1->text().size()));
  std::printf("messages=%lld\n", static_cast<long long>(messages.texts().size()));
  if (storm) {
    for (const QString& problem : storm->problems()) std::fprintf(stderr, "storm: %s\n", qPrintable(problem));
    std::printf("problems=%lld\n", static_cast<long long>(storm->problems().size()));
    std::printf("over=%d\n", storm->over() ? 1 : 0);
    std::printf("runningAtClose=%d\n", storm->runningAtClose());
    std::printf("actions=%lld\n", storm->figures().actions);
    std::printf("cursor=%d\n", window.crawlCursor);
  }
  std::fflush(stdout);
  return exitCode;
}

}  // namespace quorvane::testing
