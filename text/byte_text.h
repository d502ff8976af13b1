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
// Every operation is a pure function of its arguments.

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
// -1 when absent. The position counts from the first byte of the text.
[[nodiscard]] std::int32_t findText(std::string_view text, std::string_view marker,
                                    std::int32_t start = 1);

// The pieces between occurrences of `separator`, in order. An empty text has no
// pieces; a leading separator gives an empty first piece, a trailing one no
// empty last piece.
[[nodiscard]] std::vector<Text> splitText(std::string_view text, std::string_view separator);

// As splitText, but the pieces are views into `text`: the fast path for large
// answers.
[[nodiscard]] std::vector<std::string_view> splitTextViews(std::string_view text,
                                                           std::string_view separator);

// Every occurrence of `from` replaced by `to`, left to right, not overlapping.
[[nodiscard]] Text replaceText(std::string_view text, std::string_view from, std::string_view to);

// The bytes before the first NUL byte.
[[nodiscard]] Text bytesToText(std::string_view bytes);

// Exactly the text's bytes.
[[nodiscard]] ByteString textToBytes(std::string_view text);

// Decimal digits, a leading minus sign for negative values.
[[nodiscard]] Text intToText(std::int64_t value);

}  // namespace quorvane
