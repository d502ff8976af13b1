#include "reference_text.h"

namespace quorvane::reference {

namespace {

bool isLeadByte(char byte) {
  return static_cast<unsigned char>(byte) >= 0x80;
}

bool matchesAt(std::string_view text, std::size_t cursor, std::string_view marker) {
  return text.substr(cursor, marker.size()) == marker;
}

}  // namespace

std::int32_t findText(std::string_view text, std::string_view marker, std::int32_t start) {
  const auto length = static_cast<std::int64_t>(text.size());
  std::int64_t offset = std::int64_t{start} - 1;
  if (offset < 0) {
    offset = 0;
  }
  if (marker.empty()) {
    return offset < length && offset == 0 ? 1 : -1;
  }
  if (offset >= length) {
    return -1;
  }
  std::int64_t cursor = offset;
  std::int64_t remaining = length - cursor;
  const auto markerLength = static_cast<std::int64_t>(marker.size());
  while (remaining >= markerLength) {
    if (matchesAt(text, static_cast<std::size_t>(cursor), marker)) {
      return static_cast<std::int32_t>(cursor + 1);
    }
    if (isLeadByte(text[static_cast<std::size_t>(cursor)])) {
      if (cursor == length - 1) {
        return -1;
      }
      cursor += 2;
      remaining -= 2;
    } else {
      cursor += 1;
      remaining -= 1;
    }
  }
  return -1;
}

std::vector<std::string> splitText(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (text.empty()) {
    return pieces;
  }
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  const std::size_t length = text.size();
  std::size_t pieceStart = 0;
  std::size_t cursor = 0;
  std::size_t remaining = length;
  while (remaining >= separator.size()) {
    if (matchesAt(text, cursor, separator)) {
      pieces.emplace_back(text.substr(pieceStart, cursor - pieceStart));
      cursor += separator.size();
      remaining -= separator.size();
      pieceStart = cursor;
    } else if (isLeadByte(text[cursor])) {
      if (cursor == length - 1) {
        break;
      }
      cursor += 2;
      remaining -= 2;
    } else {
      cursor += 1;
      remaining -= 1;
    }
  }
  if (pieceStart < length) {
    pieces.emplace_back(text.substr(pieceStart));
  }
  return pieces;
}

std::string replaceText(std::string_view text, std::string_view from, std::string_view to) {
  if (text.empty() || from.empty()) {
    return std::string(text);
  }
  const std::size_t length = text.size();
  std::string result;
  std::size_t cursor = 0;
  std::size_t remaining = length;
  while (remaining >= from.size()) {
    if (matchesAt(text, cursor, from)) {
      result.append(to);
      cursor += from.size();
      remaining -= from.size();
    } else if (isLeadByte(text[cursor])) {
      if (cursor == length - 1) {
        break;  // the lone lead byte is copied below with the rest
      }
      result.append(text.substr(cursor, 2));
      cursor += 2;
      remaining -= 2;
    } else {
      result.push_back(text[cursor]);
      cursor += 1;
      remaining -= 1;
    }
  }
  result.append(text.substr(cursor));
  return result;
}

std::optional<LineCut> cutLine(std::string_view bytes, bool atEnd) {
  std::size_t cursor = 0;
  while (cursor < bytes.size()) {
    if (bytes[cursor] == '\n') {
      std::string_view line = bytes.substr(0, cursor);
      if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
      }
      return LineCut{line, cursor + 1};
    }
    cursor += isLeadByte(bytes[cursor]) ? 2 : 1;
  }
  if (!atEnd || bytes.empty()) {
    return std::nullopt;
  }
  return LineCut{bytes, bytes.size()};
}

std::string leftText(std::string_view text, std::int32_t count) {
  std::string result;
  for (std::int64_t taken = 0; taken < count && taken < static_cast<std::int64_t>(text.size());
       ++taken) {
    result.push_back(text[static_cast<std::size_t>(taken)]);
  }
  return result;
}

std::string midText(std::string_view text, std::int32_t start, std::int32_t count) {
  const auto length = static_cast<std::int64_t>(text.size());
  std::string result;
  if (start <= 0 || start > length || count <= 0) {
    return result;
  }
  // Positions start to start + count - 1, 1-based, cut at the end of the text.
  for (std::int64_t position = start; position < std::int64_t{start} + count && position <= length;
       ++position) {
    result.push_back(text[static_cast<std::size_t>(position - 1)]);
  }
  return result;
}

std::string extractWordList(std::string_view answer) {
  std::vector<std::string> pieces = splitText(answer, "{\"word\":\"");
  if (!pieces.empty()) {
    pieces.erase(pieces.begin());
  }
  std::string result;
  for (const std::string& piece : pieces) {
    const std::int32_t end = findText(piece, "\",\"total\"");
    result += leftText(piece, end - 1);
    result += "\r\n";
  }
  return result;
}

std::string textBetween(std::string_view text, std::string_view left, std::string_view right) {
  // "#引号" in GBK.
  constexpr std::string_view kQuotePlaceholder = "\x23\xD2\xFD\xBA\xC5";
  const std::string leftMarker = replaceText(left, kQuotePlaceholder, "\"");
  const std::string rightMarker = replaceText(right, kQuotePlaceholder, "\"");
  std::int32_t valueStart = findText(text, leftMarker);
  if (valueStart != -1) {
    valueStart += static_cast<std::int32_t>(leftMarker.size());
  }
  const std::int32_t valueEnd = findText(text, rightMarker, valueStart);
  if (valueStart == -1 || valueEnd == -1) {
    return {};
  }
  return midText(text, valueStart, valueEnd - valueStart);
}

}  // namespace quorvane::reference
