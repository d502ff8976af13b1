// A Query and a long-tail run against the real demo service.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "service/keyword_service.h"
#include "tests/app/gui_support.h"

namespace quorvane::testing {
namespace {

TEST(EndToEnd, QueryAndRunAgainstTheDemoService) {
  QProcess demo;
  demo.start(QStringLiteral(QUORVANE_DEMO_SERVICE), {QStringLiteral("--port"), QStringLiteral("0")});
  ASSERT_TRUE(demo.waitForReadyRead(10'000));
  const QRegularExpressionMatch port =
      QRegularExpression(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)")).match(demo.readAllStandardOutput());
  ASSERT_TRUE(port.hasMatch());
  setServiceHost("127.0.0.1:" + port.captured(1).toStdString());

  QTemporaryDir directory;
  MessageCloser messages;
  MainWindow window(directory.path());
  window.showCentred();
  window.编辑框_数据->setText(QStringLiteral("手机"));
  QTest::mouseClick(window.按钮1, Qt::LeftButton);

  const QStringList words = window.编辑框2->toPlainText().split('\n', Qt::SkipEmptyParts);
  EXPECT_EQ(words.size(), 12);
  for (const QString& word : words) EXPECT_TRUE(word.contains(QStringLiteral("手机"))) << word.toStdString();
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^当前关键词今日搜索量  \\d+总搜索量  \\d+$"))
                  .match(window.标签1->text())
                  .hasMatch())
      << window.标签1->text().toStdString();
  EXPECT_EQ(window.超级列表框1->topLevelItemCount(), 12);

  QTest::mouseClick(window.按钮3, Qt::LeftButton);
  EXPECT_EQ(window.编辑框2->toPlainText().split('\n', Qt::SkipEmptyParts).size(), 12 + 12 * 12);
  EXPECT_EQ(messages.count(QStringLiteral("查询完毕")), 1);

  demo.terminate();
  EXPECT_TRUE(demo.waitForFinished(10'000));
}

}  // namespace
}  // namespace quorvane::testing
