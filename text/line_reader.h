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
// more and asks again. With `atEnd` true, the rest is the last line, kept
// whole (a CR at its end stays). An empty `bytes` gives nothing.
//
// Pass the unread rest of the buffer each time: the cost is linear in the
// length of the line cut off. The line's last byte is dropped whenever it is
// a CR, even when a lead byte before it makes it a trail byte (not a GBK
// sequence anyway). NUL and 0x1A are ordinary bytes.
[[nodiscard]] std::optional<LineCut> cutLine(std::string_view bytes, bool atEnd);

}  // namespace quorvane
