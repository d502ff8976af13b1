#include "text/byte_text.h"

#include <algorithm>
#include <charconv>

namespace quorvane {

namespace {

constexpr auto npos = std::string_view::npos;

[[nodiscard]] bool isLeadByte(char byte) {
  return static_cast<unsigned char>(byte) >= 0x80;
}

// Raw byte search, blind to characters: the fast part of every scan.
// libstdc++'s find runs memchr for the marker's first byte and compares only
// there. On answers where that byte is rare (a brace, a quote) it measured
// three times faster than glibc's memmem, which pays a set-up on every call.
// Its worst case grows with marker length times text length, which is harmless
// for the short marker constants the program searches for. A one-byte marker
// (the LF of a line) takes the char overload: the other one calls memcmp on
// every hit even then.
[[nodiscard]] std::size_t findBytes(std::string_view text, std::string_view marker,
                                    std::size_t from) {
  return marker.size() == 1 ? text.find(marker.front(), from) : text.find(marker, from);
}

}  // namespace

std::int32_t textLength(std::string_view text) {
  return static_cast<std::int32_t>(text.size());
}

Text concatText(std::initializer_list<std::string_view> parts) {
  std::size_t total = 0;
  for (const std::string_view part : parts) {
    total += part.size();
  }
  Text result;
  result.reserve(total);
  for (const std::string_view part : parts) {
    result.append(part);
  }
  return result;
}

Text leftText(std::string_view text, std::int32_t count) {
  if (count <= 0) {
    return {};
  }
  return Text(text.substr(0, static_cast<std::size_t>(count)));
}

Text midText(std::string_view text, std::int32_t start, std::int32_t count) {
  if (start <= 0 || count <= 0 || static_cast<std::size_t>(start) > text.size()) {
    return {};
  }
  return Text(text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(count)));
}

std::size_t findTextOffset(std::string_view text, std::string_view marker, std::size_t from) {
  if (marker.empty()) {
    return npos;
  }
  // A byte-by-byte scan from `from` visits exactly the character starts. Rather
  // than step through every character, let findBytes propose candidates and
  // decide for each whether the scan would stand on it:
  // - the byte right after a byte below 0x80 always begins a character (either
  //   that byte was a character of its own, or it was the trail of a lead byte
  //   that began right before it);
  // - inside a run of bytes of 0x80 and more, characters begin at every second
  //   byte from the run's first character start.
  // So walk back from the candidate over bytes of 0x80 and more. `known` is a
  // position whose standing is already settled (the scan origin, then the last
  // rejected candidate); the walk never passes it, which keeps the whole search
  // linear however many candidates fall on trail bytes.
  std::size_t known = from;
  bool knownStartsCharacter = true;
  std::size_t searchFrom = from;
  for (;;) {
    const std::size_t candidate = findBytes(text, marker, searchFrom);
    if (candidate == npos) {
      return npos;
    }
    std::size_t runStart = candidate;
    while (runStart > known && isLeadByte(text[runStart - 1])) {
      --runStart;
    }
    const bool evenRun = (candidate - runStart) % 2 == 0;
    bool startsCharacter = false;
    if (runStart > known) {
      startsCharacter = evenRun;  // runStart follows a byte below 0x80
    } else {
      // known itself does not begin a character only when it is a trail byte;
      // then the character starts of the run are shifted by one.
      startsCharacter = evenRun == knownStartsCharacter;
    }
    if (startsCharacter) {
      return candidate;
    }
    known = candidate;
    knownStartsCharacter = false;
    searchFrom = candidate + 1;
  }
}

std::int32_t findText(std::string_view text, std::string_view marker, std::int32_t start) {
  // Widened first: start - 1 would overflow for the lowest int32.
  const std::int64_t offset = std::max<std::int64_t>(std::int64_t{start} - 1, 0);
  if (static_cast<std::uint64_t>(offset) >= text.size()) {
    return -1;  // the searched stretch is empty, whatever the marker
  }
  if (marker.empty()) {
    return offset == 0 ? 1 : -1;
  }
  const std::size_t hit = findTextOffset(text, marker, static_cast<std::size_t>(offset));
  return hit == npos ? -1 : static_cast<std::int32_t>(hit + 1);
}

std::vector<Text> splitText(std::string_view text, std::string_view separator) {
  std::vector<Text> pieces;
  forEachTextPiece(text, separator,
                   [&pieces](std::string_view piece) { pieces.emplace_back(piece); });
  return pieces;
}

std::vector<std::string_view> splitTextViews(std::string_view text, std::string_view separator) {
  // Counting first and filling an array of the exact size: on a large answer
  // a doubling array touches twice the memory and copies it, and with glibc's
  // allocator the big blocks go back to the system after every call. Measured
  // on a 16 MiB answer (bench/text), the second scan costs far less than that.
  std::size_t count = 0;
  forEachTextPiece(text, separator, [&count](std::string_view) { ++count; });
  std::vector<std::string_view> pieces;
  pieces.reserve(count);
  forEachTextPiece(text, separator, [&pieces](std::string_view piece) { pieces.push_back(piece); });
  return pieces;
}

Text replaceText(std::string_view text, std::string_view from, std::string_view to) {
  if (text.empty() || from.empty()) {
    return Text(text);
  }
  Text result;
  result.reserve(text.size());
  std::size_t copied = 0;
  for (;;) {
    const std::size_t hit = findTextOffset(text, from, copied);
    if (hit == npos) {
      break;
    }
    result.append(text.substr(copied, hit - copied));
    result.append(to);
    copied = hit + from.size();
  }
  // Also covers a lead byte that ends the text outside a match: it has no
  // trail byte to pair with, and dropping it would silently shorten the text.
  result.append(text.substr(copied));
  return result;
}

Text bytesToText(std::string_view bytes) {
  return Text(bytes.substr(0, bytes.find('\0')));
}

ByteString textToBytes(std::string_view text) {
  return ByteString(text);
}

Text intToText(std::int64_t value) {
  char digits[24];  // 19 digits of the int64 range, a sign, and room to spare
  // Cannot fail: the buffer holds every int64.
  [[maybe_unused]] const auto [end, error] =
      std::to_chars(std::begin(digits), std::end(digits), value);
  return Text(std::begin(digits), end);
}

}  // namespace quorvane
