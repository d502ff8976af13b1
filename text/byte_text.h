#pragma once

// Operations on GBK byte texts.
//
// A text is a sequence of GBK bytes without NUL; a byte string may hold any
// byte. Both are carried in std::string. Lengths, counts and positions count
// bytes, positions are 1-based, and a search that finds nothing gives -1.
//
// The scanning operations (findText, splitText, replaceText) step over
// double-byte characters by one fixed rule: a byte of 0x80 or more begins a
// two-byte character and takes the next byte with it, whatever its value. So
// the trail byte of a character (GBK 81 7B, say) is never taken for the ASCII
// byte it happens to equal ('{').
//
// Every operation is a pure function of its arguments. Positions are 32-bit,
// so texts handed to the position-based operations must stay below 2 GiB.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

using Text = std::string;
using ByteString = std::string;

[[nodiscard]] std::int32_t textLength(std::string_view text);

// The texts one after another, nothing in between.
[[nodiscard]] Text concatText(std::initializer_list<std::string_view> parts);

// The first `count` bytes; empty for a count of 0 or less, the whole text for a
// count past its end. Never moves the cut to a character boundary.
[[nodiscard]] Text leftText(std::string_view text, std::int32_t count);

// `count` bytes from the 1-based position `start`; empty when start is 0 or
// less, past the end, or count is 0 or less. Stops at the end of the text.
[[nodiscard]] Text midText(std::string_view text, std::int32_t start, std::int32_t count);

// 1-based position of the first occurrence of `marker` at a character start,
// searching from `start` (1, 0 or any negative number search the whole text);
// -1 when absent. The position counts from the first byte of the text, but the
// character stepping begins at `start`, so pass 1 or a position known to begin
// a character (the byte after a marker found before).
//
// An empty marker is found at 1 when the whole text is searched and the text
// is not empty; searching for it from any later start gives -1, so that a
// caller never mistakes a stray empty marker for a hit in the middle of a text.
[[nodiscard]] std::int32_t findText(std::string_view text, std::string_view marker,
                                    std::int32_t start = 1);

// The 0-based offset of the first occurrence of `marker` at a character start,
// stepping from byte offset `from`; std::string_view::npos when there is none,
// when `marker` is empty or when `from` is past the end. The unbounded form of
// findText that the other scans build on; takes linear time in the text.
[[nodiscard]] std::size_t findTextOffset(std::string_view text, std::string_view marker,
                                         std::size_t from);

// The pieces between occurrences of `separator`, in order. An empty text has no
// pieces; a leading separator gives an empty first piece, a trailing one no
// empty last piece.
[[nodiscard]] std::vector<Text> splitText(std::string_view text, std::string_view separator);

// As splitText, but the pieces are views into `text`: the fast path for large
// answers.
[[nodiscard]] std::vector<std::string_view> splitTextViews(std::string_view text,
                                                           std::string_view separator);

// Calls onPiece(std::string_view) for each piece splitText gives, in order,
// without building the array: for callers that look at each piece once.
template <typename OnPiece>
void forEachTextPiece(std::string_view text, std::string_view separator, OnPiece&& onPiece) {
  if (text.empty()) {
    return;
  }
  if (separator.empty()) {
    onPiece(text);
    return;
  }
  std::size_t pieceStart = 0;
  for (;;) {
    const std::size_t hit = findTextOffset(text, separator, pieceStart);
    if (hit == std::string_view::npos) {
      break;
    }
    onPiece(text.substr(pieceStart, hit - pieceStart));
    // The character stepping starts afresh right after each separator.
    pieceStart = hit + separator.size();
  }
  if (pieceStart < text.size()) {
    onPiece(text.substr(pieceStart));
  }
}

// Every occurrence of `from` replaced by `to`, left to right, not overlapping;
// `to` is never searched again. An empty text or an empty `from` gives the text
// unchanged. A lead byte that ends the text outside any occurrence is copied
// through as it stands.
[[nodiscard]] Text replaceText(std::string_view text, std::string_view from, std::string_view to);

// The bytes before the first NUL byte.
[[nodiscard]] Text bytesToText(std::string_view bytes);

// Exactly the text's bytes.
[[nodiscard]] ByteString textToBytes(std::string_view text);

// Decimal digits, a leading minus sign for negative values; no leading zeros,
// spaces or digit grouping.
[[nodiscard]] Text intToText(std::int64_t value);

}  // namespace quorvane
