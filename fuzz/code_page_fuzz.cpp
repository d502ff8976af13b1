// The code-page conversions on arbitrary bytes, and the GBK to UTF-8 to GBK
// round trip on valid GBK built from the input.
//
// Input: any bytes. NUL bytes are dropped first: the conversions see texts,
// which never hold one.

#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "service/code_page.h"

namespace quorvane::fuzz {
namespace {

// Whether glibc's converter, asked directly, decodes `character` as one
// defined GBK character. Independent of the conversions under test, so a
// character they wrongly reject still shows as a broken round trip.
bool isDefinedGbk(std::string_view character) {
  static const iconv_t converter = ::iconv_open("UTF-8", "CP936");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    fail("glibc's iconv does not know CP936", {});
  }
  ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(character.data());  // iconv's signature; it never writes here
  std::size_t inLeft = character.size();
  char out[8];
  char* outCursor = out;
  std::size_t outLeft = sizeof out;
  return ::iconv(converter, &in, &inLeft, &outCursor, &outLeft) != static_cast<std::size_t>(-1) &&
         inLeft == 0;
}

// Valid GBK made from any bytes: a byte below 0x80 stays as it is, 0x80 is
// the euro sign, and any other high byte takes the next input byte to form a
// double-byte code (lead 0x81 to 0xFE, trail 0x40 to 0xFE without 0x7F),
// kept only when that code is a defined character.
std::string validGbkFrom(std::string_view bytes) {
  std::string gbk;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      gbk.push_back(static_cast<char>(byte));
      continue;
    }
    if (byte == 0x80) {
      gbk.push_back('\x80');
      continue;
    }
    if (i + 1 == bytes.size()) {
      break;
    }
    const auto next = static_cast<unsigned char>(bytes[++i]);
    const unsigned lead = 0x81U + (byte - 0x81U) % 0x7EU;
    unsigned trail = 0x40U + next % 190U;
    if (trail >= 0x7FU) {
      ++trail;
    }
    const std::string character{static_cast<char>(lead), static_cast<char>(trail)};
    if (isDefinedGbk(character)) {
      gbk += character;
    }
  }
  return gbk;
}

void checkNoNul(const char* what, std::string_view input, std::string_view output) {
  if (output.find('\0') != std::string_view::npos) {
    fail(what, {{"input", hex(input)}, {"output", hex(output)}});
  }
}

}  // namespace
}  // namespace quorvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvane;
  using namespace quorvane::fuzz;

  FuzzInput input(data, size);
  const std::string text = withoutNul(input.takeRest());

  const std::string asUtf8 = gbkToUtf8(text);
  checkNoNul("gbkToUtf8 made a NUL byte", text, asUtf8);
  const std::string asGbk = utf8ToGbk(text);
  checkNoNul("utf8ToGbk made a NUL byte", text, asGbk);
  checkNoNul("utf8ToGbk of gbkToUtf8 made a NUL byte", text, utf8ToGbk(asUtf8));

  const std::string gbk = validGbkFrom(text);
  const std::string utf8 = gbkToUtf8(gbk);
  if (std::count(utf8.begin(), utf8.end(), '?') != std::count(gbk.begin(), gbk.end(), '?')) {
    fail("gbkToUtf8 replaced a valid GBK character", {{"gbk", hex(gbk)}, {"utf8", hex(utf8)}});
  }
  const std::string back = utf8ToGbk(utf8);
  if (back != gbk) {
    fail("valid GBK does not survive the round trip through UTF-8",
         {{"gbk", hex(gbk)}, {"utf8", hex(utf8)}, {"back", hex(back)}});
  }
  return 0;
}
