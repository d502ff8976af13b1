#include "app/answers.h"

namespace quorvane {

namespace {

// "#引号" in GBK: lets a marker carry a double quote where writing one is awkward.
constexpr std::string_view kQuotePlaceholder = "\x23\xD2\xFD\xBA\xC5";

}  // namespace

Text extractWordList(std::string_view answer) {
  const std::vector<std::string_view> pieces = splitTextViews(answer, kWordStart);
  Text result;
  // The first piece is whatever stands before the first word marker: never a word.
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    const std::string_view piece = pieces[i];
    // Without the end marker the count is -2 and the word is empty: the piece
    // still gives its line, so the lines keep matching the word markers.
    const std::int32_t end = findText(piece, kWordEnd);
    result += leftText(piece, end - 1);
    result += "\r\n";
  }
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
