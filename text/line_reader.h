#pragma once

// Cutting lines off the front of a file's bytes, by the scratch file's rules:
// a line runs up to the next LF byte (consumed, not part of the line); one CR
// right before that LF is removed, a CR anywhere else stays; a byte of 0x80 or
// more takes the next byte with it, so a trail byte of 0x0A does not end a
// line; a last line without LF is returned whole.

#include <cstddef>
#include <optional>
#include <string_view>

namespace quorvane {

struct LineCut {
  std::string_view line;  // the line's bytes, LF and its CR removed
  std::size_t consumed;   // bytes taken off the front, always at least 1
};

// Cuts the first line off `bytes`. When `bytes` holds no complete line and
// more bytes may follow (`atEnd` false), returns nothing: the caller reads
// more and asks again. With `atEnd` true, the rest is the last line. An empty
// `bytes` gives nothing.
[[nodiscard]] std::optional<LineCut> cutLine(std::string_view bytes, bool atEnd);

}  // namespace quorvane
