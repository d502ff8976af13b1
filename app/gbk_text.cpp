#include "app/gbk_text.h"

#include <QByteArray>

#include "service/code_page.h"

namespace quorvane {

Text toCommandText(const QString& widgetText) {
  QByteArray utf8 = widgetText.toUtf8();
  utf8.replace('\n', "\r\n");
  return utf8ToGbk(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString toWidgetText(std::string_view commandText) {
  const std::string utf8 = gbkToUtf8(commandText);
  QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

}  // namespace quorvane
