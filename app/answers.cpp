#include "app/answers.h"

namespace quorvane {

namespace {

// "#引号" in GBK: lets a marker carry a double quote where writing one is awkward.
constexpr std::string_view kQuotePlaceholder = "\x23\xD2\xFD\xBA\xC5";

}  // namespace

Text extractWordList(std::string_view answer) {
  Text result;
  bool beforeFirstWord = true;
  forEachTextPiece(answer, kWordStart, [&](std::string_view piece) {
    if (beforeFirstWord) {
      // Whatever stands before the first word marker is never a word. Each
      // later line (word plus CR LF) is no longer than its piece plus the
      // marker before it, so the rest of the answer bounds the result: one
      // allocation instead of a string that keeps growing on large answers.
      beforeFirstWord = false;
      if (piece.size() < answer.size()) {
        result.reserve(answer.size() - piece.size());
      }
      return;
    }
    // Without the end marker the count is -2 and the word is empty: the piece
    // still gives its line, so the lines keep matching the word markers.
    const std::int32_t end = findText(piece, kWordEnd);
    result += leftText(piece, end - 1);
    result += "\r\n";
  });
  return result;
}

Text textBetween(std::string_view text, std::string_view left, std::string_view right) {
  const Text leftMarker = replaceText(left, kQuotePlaceholder, "\"");
  const Text rightMarker = replaceText(right, kQuotePlaceholder, "\"");
  std::int32_t valueStart = findText(text, leftMarker);
  if (valueStart != -1) {
    valueStart += textLength(leftMarker);
  }
  // Looking for the right marker only after the left one skips an earlier
  // occurrence of it. With the left marker missing this search is wasted, but
  // harmless.
  const std::int32_t valueEnd = findText(text, rightMarker, valueStart);
  if (valueStart == -1 || valueEnd == -1) {
    return {};
  }
  return midText(text, valueStart, valueEnd - valueStart);
}

}  // namespace quorvane
