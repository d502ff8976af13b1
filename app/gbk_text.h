#pragma once

// The one place where a control's Unicode text meets the commands' GBK texts.
//
// Commands see the multi-line boxes as GBK with CR LF line ends, the form the
// files keep; the widgets hold Unicode with LF. Converting whole texts in one
// step keeps a CR LF pair from being split into two line breaks.

#include <QString>
#include <string_view>

#include "text/byte_text.h"

namespace quorvane {

[[nodiscard]] Text toCommandText(const QString& widgetText);
[[nodiscard]] QString toWidgetText(std::string_view commandText);

}  // namespace quorvane
