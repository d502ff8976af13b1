// main() of the window tests: one QApplication for all tests, on the
// offscreen platform. Closing a window must not end it between tests, so the
// tests turn quitting on the last window off; the scenarios that check the
// real exit run in a child process of this same program ("--child=NAME").

#include <QApplication>
#include <gtest/gtest.h>
#include <string_view>

#include "tests/app/child_scenarios.h"

namespace {

QtMessageHandler g_standardHandler = nullptr;

// The offscreen platform warns on every fixed-size window; nothing to see.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QLatin1String("propagateSizeHints"))) return;
  g_standardHandler(type, context, message);
}

}  // namespace

int main(int argc, char* argv[]) {
  g_standardHandler = qInstallMessageHandler(quietMessages);
  QApplication application(argc, argv);
  constexpr std::string_view kChild = "--child=";
  if (argc >= 2 && std::string_view(argv[1]).starts_with(kChild)) {
    return quorvane::testing::runChildScenario(application, std::string_view(argv[1]).substr(kChild.size()));
  }
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
