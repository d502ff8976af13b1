#pragma once

// Taking the keyword service's answers apart. Plain byte work on GBK texts,
// kept free of Qt so it can be tested, benchmarked and fuzzed on its own.

#include <string_view>

#include "text/byte_text.h"

namespace quorvane {

// The markers around one recommended word.
inline constexpr std::string_view kWordStart = "{\"word\":\"";
inline constexpr std::string_view kWordEnd = "\",\"total\"";

// The markers around the two search-volume figures.
inline constexpr std::string_view kTodayLeft = "{\"biznum\":\"";
inline constexpr std::string_view kTodayRight = "\",\"totalnum\":\"";
inline constexpr std::string_view kTotalLeft = "\",\"totalnum\":\"";
inline constexpr std::string_view kTotalRight = "\"},\"success\":\"";

// The recommended words of an answer, each followed by CR LF, as one text.
// A piece after a word marker that lacks the end marker gives an empty line.
[[nodiscard]] Text extractWordList(std::string_view answer);

// The bytes between the first `left` and the first `right` after it; empty
// when either is missing. "#引号" (GBK) in a marker stands for a double quote.
[[nodiscard]] Text textBetween(std::string_view text, std::string_view left, std::string_view right);

}  // namespace quorvane
