// Save writes b.txt; the web link opens the product's page.

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include "app/commands.h"
#include "tests/app/gui_support.h"

namespace quorvane::testing {
namespace {

TEST(Save, WritesExactlyTheResultsBox) {
  const struct {
    const char* name;
    QString results;
    QByteArray bytes;
  } rows[] = {
      {"words in GBK with CR LF", "中文\nab\n", "\xD6\xD0\xCE\xC4\r\nab\r\n"},
      {"no line end added", "ab", "ab"},
      {"an empty box gives an empty file", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WindowFixture fixture;
    fixture.window->编辑框2->setPlainText(row.results);
    QTest::mouseClick(fixture.window->按钮4, Qt::LeftButton);
    EXPECT_TRUE(QFile::exists(fixture.path("b.txt")));
    EXPECT_EQ(fixture.fileBytes("b.txt"), row.bytes);
    EXPECT_TRUE(fixture.messages.texts().isEmpty());
  }
}

TEST(Save, SecondSaveReplacesTheFirst) {
  WindowFixture fixture;
  fixture.window->编辑框2->setPlainText("a long first text\n");
  QTest::mouseClick(fixture.window->按钮4, Qt::LeftButton);
  fixture.window->编辑框2->setPlainText("b");
  QTest::mouseClick(fixture.window->按钮4, Qt::LeftButton);
  EXPECT_EQ(fixture.fileBytes("b.txt"), QByteArray("b"));
}

TEST(Save, DuringARunWritesTheWordsSoFar) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  window.编辑框2->setPlainText("a\nb\n");
  ASSERT_TRUE(buildKeywordTable(window));
  // During row b's wait: row a's words are in, row b's are not.
  clickWhen(window.按钮4, [&] { return fixture.service.wordRequests().size() == 2; });
  QTest::mouseClick(window.按钮3, Qt::LeftButton);
  EXPECT_EQ(fixture.fileBytes("b.txt"), QByteArray("a\r\nb\r\na\xBC\xD7\r\na\xD2\xD2\r\n"));
}

TEST(Save, FailureIsReportedWithThePath) {
  WindowFixture fixture;
  // b.txt is a directory: no user, root included, can write it as a file.
  ASSERT_TRUE(QDir(fixture.directory.path()).mkdir("b.txt"));
  fixture.window->编辑框2->setPlainText("kept");
  QTest::mouseClick(fixture.window->按钮4, Qt::LeftButton);
  EXPECT_EQ(fixture.messages.texts(), QStringList{"保存失败：" + QDir::toNativeSeparators(fixture.path("b.txt"))});
  EXPECT_EQ(fixture.messages.captions(), QStringList{"提示"});
}

TEST(Save, IntoAReadOnlyDirectoryIsReported) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
  WindowFixture fixture;
  QFile::setPermissions(fixture.directory.path(), QFile::ReadOwner | QFile::ExeOwner);
  QTest::mouseClick(fixture.window->按钮4, Qt::LeftButton);
  QFile::setPermissions(fixture.directory.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_EQ(fixture.messages.count("保存失败：" + QDir::toNativeSeparators(fixture.path("b.txt"))), 1);
}

// Takes the addresses the program asks the desktop to open, so no browser
// starts.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  UrlCatcher() { QDesktopServices::setUrlHandler("file", this, "open"); }
  ~UrlCatcher() override { QDesktopServices::unsetUrlHandler("file"); }
  QList<QUrl> urls;

 public slots:
  void open(const QUrl& url) { urls.append(url); }
};

TEST(WebLink, AboutButtonAndLabelPressOpenTheProductPage) {
  WindowFixture fixture;
  UrlCatcher catcher;
  const QUrl page = QUrl::fromLocalFile(fixture.path("about.html"));

  QTest::mouseClick(fixture.window->按钮2, Qt::LeftButton);
  EXPECT_EQ(catcher.urls, QList<QUrl>{page});

  // On the press, not the release; the right button does nothing.
  QTest::mousePress(fixture.window->标签1, Qt::LeftButton);
  EXPECT_EQ(catcher.urls.size(), 2);
  QTest::mouseRelease(fixture.window->标签1, Qt::LeftButton);
  QTest::mouseClick(fixture.window->标签1, Qt::RightButton);
  EXPECT_EQ(catcher.urls, (QList<QUrl>{page, page}));
}

}  // namespace
}  // namespace quorvane::testing

#include "save_and_link_test.moc"
