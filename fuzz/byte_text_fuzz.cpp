// The fast byte-text scans against the byte-at-a-time reference.
//
// Input: a mode byte, a start byte, a count byte, the marker's and the
// replacement's lengths, then the marker, the replacement and the text.

#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "app/answers.h"
#include "fuzz_support.h"
#include "reference_text.h"
#include "text/byte_text.h"

namespace quorvane::fuzz {
namespace {

constexpr auto kLowest = std::numeric_limits<std::int32_t>::min();
constexpr auto kHighest = std::numeric_limits<std::int32_t>::max();

// Lead bytes (0x80, 0x81, 0xFF), the ASCII bytes of the answer markers and a
// line end: runs of lead bytes and trail bytes equal to a marker byte are
// where a scan that skips ahead could lose step with the characters.
constexpr std::string_view kAlphabet = "\x81{\"wa\n\xFF\x80\r,";

// A position or count in one of four shapes, picked by two bits of `shape`,
// so that both small values and the edges of a text of length `length` come
// up often: small signed numbers, numbers around the end, the int32 extremes
// and their neighbours, or a spot anywhere inside.
std::int32_t decodeNumber(unsigned shape, std::uint8_t value, std::int32_t length) {
  const auto small = static_cast<std::int8_t>(value);
  switch (shape & 3U) {
    case 0:
      return small;
    case 1:
      return length + small % 8;
    case 2: {
      const std::int32_t edges[] = {kLowest, kLowest + 1, kHighest, kHighest - 1,
                                    -1,      0,           1,        length + 1};
      return edges[value % std::size(edges)];
    }
    default:
      return static_cast<std::int32_t>(std::int64_t{value} * length / 255) + 1;
  }
}

std::string numberText(std::int64_t value) { return std::to_string(value); }

void checkFind(const std::string& text, const std::string& marker, std::int32_t start) {
  const std::int32_t fast = findText(text, marker, start);
  const std::int32_t slow = reference::findText(text, marker, start);
  if (fast != slow) {
    fail("findText differs from the reference",
         {{"text", hex(text)}, {"marker", hex(marker)}, {"start", numberText(start)},
          {"fast", numberText(fast)}, {"reference", numberText(slow)}});
  }
}

}  // namespace
}  // namespace quorvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvane;
  using namespace quorvane::fuzz;

  FuzzInput input(data, size);
  const unsigned mode = input.takeByte();
  const std::uint8_t startByte = input.takeByte();
  const std::uint8_t countByte = input.takeByte();
  const std::size_t markerLength = input.takeByte() % 17U;
  const std::size_t replacementLength = input.takeByte() % 9U;
  const bool useAlphabet = (mode & 1U) != 0;
  const auto decodeText = [useAlphabet](std::string_view bytes) {
    return useAlphabet ? overAlphabet(bytes, kAlphabet) : withoutNul(bytes);
  };
  const std::string marker = decodeText(input.takeBytes(markerLength));
  const std::string replacement = decodeText(input.takeBytes(replacementLength));
  const std::string text = decodeText(input.takeRest());
  const auto length = static_cast<std::int32_t>(text.size());
  const std::int32_t start = decodeNumber(mode >> 1, startByte, length);
  const std::int32_t count = decodeNumber(mode >> 3, countByte, length);

  checkFind(text, marker, start);
  for (const std::int32_t edge : {kLowest, 0, length, length + 1, kHighest}) {
    checkFind(text, marker, edge);
  }
  const std::int32_t wholeFast = findText(text, marker);
  const std::int32_t wholeSlow = reference::findText(text, marker);
  if (wholeFast != wholeSlow) {
    fail("findText without a start differs from the reference",
         {{"text", hex(text)}, {"marker", hex(marker)}, {"fast", numberText(wholeFast)},
          {"reference", numberText(wholeSlow)}});
  }

  // The offset form: the same search without findText's edge rules.
  if (start >= 0 && start <= length) {
    const auto from = static_cast<std::size_t>(start);
    const std::size_t offset = findTextOffset(text, marker, from);
    const std::int32_t slow = marker.empty() ? -1 : reference::findText(text, marker, start + 1);
    const std::int32_t fast = offset == std::string_view::npos ? -1 : static_cast<std::int32_t>(offset) + 1;
    if (fast != slow) {
      fail("findTextOffset differs from the reference",
           {{"text", hex(text)}, {"marker", hex(marker)}, {"from", numberText(start)},
            {"fast", numberText(fast)}, {"reference", numberText(slow)}});
    }
  }

  const std::vector<std::string> pieces = reference::splitText(text, marker);
  if (splitText(text, marker) != pieces) {
    fail("splitText differs from the reference", {{"text", hex(text)}, {"separator", hex(marker)}});
  }
  const std::vector<std::string_view> views = splitTextViews(text, marker);
  if (std::vector<std::string>(views.begin(), views.end()) != pieces) {
    fail("splitTextViews differs from the reference",
         {{"text", hex(text)}, {"separator", hex(marker)}});
  }

  const std::string replaced = replaceText(text, marker, replacement);
  const std::string replacedSlow = reference::replaceText(text, marker, replacement);
  if (replaced != replacedSlow) {
    fail("replaceText differs from the reference",
         {{"text", hex(text)}, {"old", hex(marker)}, {"new", hex(replacement)},
          {"fast", hex(replaced)}, {"reference", hex(replacedSlow)}});
  }

  const std::string left = leftText(text, count);
  if (left != reference::leftText(text, count)) {
    fail("leftText differs from the reference",
         {{"text", hex(text)}, {"count", numberText(count)}, {"fast", hex(left)}});
  }
  const std::string mid = midText(text, start, count);
  if (mid != reference::midText(text, start, count)) {
    fail("midText differs from the reference",
         {{"text", hex(text)}, {"start", numberText(start)}, {"count", numberText(count)},
          {"fast", hex(mid)}});
  }

  const std::string between = textBetween(text, marker, replacement);
  const std::string betweenSlow = reference::textBetween(text, marker, replacement);
  if (between != betweenSlow) {
    fail("textBetween differs from the reference",
         {{"text", hex(text)}, {"left", hex(marker)}, {"right", hex(replacement)},
          {"fast", hex(between)}, {"reference", hex(betweenSlow)}});
  }
  return 0;
}
