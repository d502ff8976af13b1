#pragma once

// Conversions between GBK (code page 936) and UTF-8 at the service's border.
// A character that the target lacks, and a byte sequence that is invalid in the
// source, each become one '?'. The result never holds a NUL byte that the
// input did not hold.

#include <string>
#include <string_view>

namespace quorvane {

[[nodiscard]] std::string gbkToUtf8(std::string_view gbk);
[[nodiscard]] std::string utf8ToGbk(std::string_view utf8);

}  // namespace quorvane
