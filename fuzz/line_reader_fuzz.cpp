// Line cutting over arbitrary file bytes read in arbitrary chunks, driven the
// way the app's reader drives it: keep a buffer, cut lines off its front, and
// read more only when nothing comes back.
//
// Input: a byte whose low three bits tell how many chunk sizes follow (1 to
// 8) and whose fourth bit tells when the end of the file is known (at once
// with the last byte, or only when a read gives nothing, as with fread), the
// sizes (1 to 64 bytes each, used in turn), then the file's bytes, NUL and
// every other value included.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "reference_text.h"
#include "text/line_reader.h"

namespace quorvane::fuzz {
namespace {

bool isLeadByte(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

std::string numberText(std::size_t value) { return std::to_string(value); }

// The rules one cut must obey on its own, whatever the reference says.
void checkCut(std::string_view buffer, bool atEnd, const LineCut& cut) {
  const auto report = [&](const char* what) {
    fail(what, {{"buffer", hex(buffer)}, {"at end", atEnd ? "yes" : "no"}, {"line", hex(cut.line)},
                {"consumed", numberText(cut.consumed)}});
  };
  if (cut.consumed < 1 || cut.consumed > buffer.size()) {
    report("a cut must consume at least one byte of the buffer and no more");
  }
  if (cut.line.data() != buffer.data() || cut.line.size() > cut.consumed) {
    report("the line must be the front of the consumed bytes");
  }
  // Walk the characters up to the consumed end: no LF may begin one inside
  // the line, and a line end must be an LF that begins one.
  std::size_t cursor = 0;
  const std::size_t lineEnd = cut.consumed - 1;
  while (cursor < lineEnd) {
    if (buffer[cursor] == '\n') {
      report("an LF that begins a character was left inside the line");
    }
    cursor += isLeadByte(buffer[cursor]) ? 2 : 1;
  }
  const bool endsWithLineFeed = cursor == lineEnd && buffer[lineEnd] == '\n';
  if (endsWithLineFeed) {
    const bool crBeforeLineFeed = lineEnd >= 1 && buffer[lineEnd - 1] == '\r';
    if (cut.line.size() != lineEnd - (crBeforeLineFeed ? 1 : 0)) {
      report("a line must lose its LF and exactly one CR right before it");
    }
  } else if (!atEnd || cut.consumed != buffer.size() || cut.line.size() != buffer.size()) {
    report("a line without LF must be the whole rest of the file, every byte kept");
  }
}

}  // namespace
}  // namespace quorvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvane;
  using namespace quorvane::fuzz;

  FuzzInput input(data, size);
  const unsigned shape = input.takeByte();
  const bool endKnownAfterEmptyRead = (shape & 8U) != 0;
  std::vector<std::size_t> chunks(shape % 8U + 1U);
  for (std::size_t& chunk : chunks) {
    chunk = input.takeByte() % 64U + 1U;
  }
  const std::string_view file = input.takeRest();

  std::vector<std::string> expected;
  for (std::string_view rest = file; !rest.empty();) {
    const std::optional<LineCut> cut = reference::cutLine(rest, true);
    if (!cut) {
      fail("the reference gave no line for a non-empty rest at the end", {{"rest", hex(rest)}});
    }
    expected.emplace_back(cut->line);
    rest.remove_prefix(cut->consumed);
  }

  // Every round cuts a line (at least one byte), reads a chunk (at least one
  // byte, or the one empty read) or ends, so more rounds than that mean a
  // loop that hangs.
  const std::size_t roundLimit = 2 * file.size() + 3;
  std::vector<std::string> lines;
  std::string buffer;
  std::size_t read = 0;
  std::size_t nextChunk = 0;
  bool atEnd = !endKnownAfterEmptyRead && file.empty();
  for (std::size_t round = 0;; ++round) {
    if (round > roundLimit) {
      fail("the reading loop does not end", {{"file", hex(file)}});
    }
    const std::optional<LineCut> cut = cutLine(buffer, atEnd);
    if (cut) {
      checkCut(buffer, atEnd, *cut);
      lines.emplace_back(cut->line);
      buffer.erase(0, cut->consumed);
    } else if (atEnd) {
      if (!buffer.empty()) {
        fail("bytes left over at the end of the file", {{"buffer", hex(buffer)}});
      }
      break;
    } else {
      const std::string_view chunk = file.substr(read, chunks[nextChunk++ % chunks.size()]);
      buffer += chunk;
      read += chunk.size();
      atEnd = endKnownAfterEmptyRead ? chunk.empty() : read == file.size();
    }
  }

  if (lines != expected) {
    std::string sizes;
    for (const std::size_t chunk : chunks) {
      sizes += numberText(chunk) + ' ';
    }
    fail("chunked lines differ from the reference lines",
         {{"file", hex(file)}, {"chunk sizes", sizes}, {"lines", numberText(lines.size())},
          {"reference lines", numberText(expected.size())}});
  }
  return 0;
}
