#include "text/line_reader.h"

#include "text/byte_text.h"

namespace quorvane {

std::optional<LineCut> cutLine(std::string_view bytes, bool atEnd) {
  if (bytes.empty()) {
    return std::nullopt;
  }
  // The line end is the first LF that begins a character: the same search as
  // findText's, so a trail byte of 0x0A is passed over.
  const std::size_t lineFeed = findTextOffset(bytes, "\n", 0);
  if (lineFeed == std::string_view::npos) {
    if (!atEnd) {
      // The line may go on in bytes not read yet; a lead byte at the very end
      // may also pair with an LF still to come, which must not end the line.
      return std::nullopt;
    }
    // A last line without LF keeps all its bytes, a final CR included: only a
    // CR that stands right before an LF belongs to the line end.
    return LineCut{bytes, bytes.size()};
  }
  std::string_view line = bytes.substr(0, lineFeed);
  if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  return LineCut{line, lineFeed + 1};
}

}  // namespace quorvane
