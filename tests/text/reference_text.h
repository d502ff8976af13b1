#pragma once

// Slow, byte-at-a-time versions of the character-aware scans, written to read
// like the rules rather than to run fast. Tests and fuzzers compare the fast
// versions in text/ against these on random inputs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/line_reader.h"

namespace quorvane::reference {

[[nodiscard]] std::int32_t findText(std::string_view text, std::string_view marker,
                                    std::int32_t start = 1);
[[nodiscard]] std::vector<std::string> splitText(std::string_view text, std::string_view separator);
[[nodiscard]] std::string replaceText(std::string_view text, std::string_view from,
                                      std::string_view to);
[[nodiscard]] std::optional<LineCut> cutLine(std::string_view bytes, bool atEnd);

[[nodiscard]] std::string leftText(std::string_view text, std::int32_t count);
[[nodiscard]] std::string midText(std::string_view text, std::int32_t start, std::int32_t count);

// The answer extractions, spelled out step by step on the scans above, with
// the service's marker texts written out here rather than taken from app/, so
// that a wrong marker constant shows as a mismatch too.
[[nodiscard]] std::string extractWordList(std::string_view answer);
[[nodiscard]] std::string textBetween(std::string_view text, std::string_view left,
                                      std::string_view right);

}  // namespace quorvane::reference
