// Save writes the results box to b.txt; the web link opens the product's page.

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QPlainTextEdit>
#include <QUrl>

#include "app/commands.h"
#include "app/gbk_text.h"
#include "app/main_window.h"

namespace quorvane {

void saveResults(MainWindow& window) {
  const QString path = window.programDirectory + QStringLiteral("/b.txt");
  const ByteString bytes = textToBytes(toCommandText(window.编辑框2->toPlainText()));
  // Saying nothing on failure would let the user believe the results kept.
  if (!writeWholeFile(path, bytes)) showNotice(QStringLiteral("保存失败：") + QDir::toNativeSeparators(path));
}

void openWebPage(const MainWindow& window) {
  const QString page = window.programDirectory + QLatin1Char('/') +
                       QString::fromLatin1(kProductPage.data(), static_cast<qsizetype>(kProductPage.size()));
  (void)QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

}  // namespace quorvane
