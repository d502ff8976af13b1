// The answer extractions against their step-by-step models on the reference
// scans.
//
// Input: a mode byte, the lengths of two raw markers, the markers, then the
// answer. In token mode each answer byte picks a piece of the service's answer
// layout (markers, quotes, lead bytes), so that the fuzzer builds answers with
// many word and volume markers at once.

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "app/answers.h"
#include "fuzz_support.h"
#include "reference_text.h"

namespace quorvane::fuzz {
namespace {

// "#引号" in GBK.
constexpr std::string_view kQuotePlaceholder = "\x23\xD2\xFD\xBA\xC5";

constexpr std::string_view kTokens[] = {
    "{\"word\":\"", "\",\"total\"", "{\"biznum\":\"", "\",\"totalnum\":\"", "\"},\"success\":\"",
    kQuotePlaceholder, "\"", "{", "}", ",", ":", "a", "7", "\x81", "\xFF", "\x80", "\xB0\xA1",
    "\r\n", "\\", "word", "total",
};

// The volume markers with every double quote written as the placeholder, as
// a caller may pass them.
std::string withPlaceholders(std::string_view marker) {
  std::string out;
  for (const char byte : marker) {
    if (byte == '"') {
      out += kQuotePlaceholder;
    } else {
      out += byte;
    }
  }
  return out;
}

// One marker for textBetween in one of four shapes picked by two bits.
std::string decodeMarker(unsigned shape, std::string_view realMarker, std::string_view raw) {
  switch (shape & 3U) {
    case 0:
      return std::string(realMarker);
    case 1:
      return withPlaceholders(realMarker);
    case 2:
      return withoutNul(raw);
    default:
      // Raw bytes with the placeholder in the middle.
      return withoutNul(raw.substr(0, raw.size() / 2)) + std::string(kQuotePlaceholder) +
             withoutNul(raw.substr(raw.size() / 2));
  }
}

void checkBetween(std::string_view answer, std::string_view left, std::string_view right) {
  const std::string fast = textBetween(answer, left, right);
  const std::string model = reference::textBetween(answer, left, right);
  if (fast != model) {
    fail("textBetween differs from its model",
         {{"text", hex(answer)}, {"left", hex(left)}, {"right", hex(right)}, {"fast", hex(fast)},
          {"model", hex(model)}});
  }
}

}  // namespace
}  // namespace quorvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvane;
  using namespace quorvane::fuzz;

  FuzzInput input(data, size);
  const unsigned mode = input.takeByte();
  const std::string_view rawLeft = input.takeBytes(input.takeByte() % 16U);
  const std::string_view rawRight = input.takeBytes(input.takeByte() % 16U);
  const std::string_view body = input.takeRest();
  std::string answer;
  if ((mode & 1U) != 0) {
    for (const char byte : body) {
      answer += kTokens[static_cast<unsigned char>(byte) % std::size(kTokens)];
    }
  } else {
    answer = withoutNul(body);
  }

  const std::string words = extractWordList(answer);
  const std::string wordsModel = reference::extractWordList(answer);
  if (words != wordsModel) {
    fail("extractWordList differs from its model",
         {{"answer", hex(answer)}, {"fast", hex(words)}, {"model", hex(wordsModel)}});
  }

  // The two figures the volume stage takes, then a pair built from the input.
  checkBetween(answer, kTodayLeft, kTodayRight);
  checkBetween(answer, kTotalLeft, kTotalRight);
  const bool todayPair = (mode & 0x20U) == 0;
  checkBetween(answer, decodeMarker(mode >> 1, todayPair ? kTodayLeft : kTotalLeft, rawLeft),
               decodeMarker(mode >> 3, todayPair ? kTodayRight : kTotalRight, rawRight));
  return 0;
}
