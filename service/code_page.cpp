#include "service/code_page.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>
#include <utility>

namespace quorvane {
namespace {

// glibc names GBK with the euro sign at 0x80 "CP936", as the Windows code page.
constexpr const char* kGbk = "CP936";
constexpr const char* kUtf8 = "UTF-8";

class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : m_handle(::iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) ::iconv_close(m_handle);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  IconvHandle(IconvHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, invalid())) {}
  IconvHandle& operator=(IconvHandle&& other) noexcept {
    if (this != &other) {
      if (valid()) ::iconv_close(m_handle);
      m_handle = std::exchange(other.m_handle, invalid());
    }
    return *this;
  }

  [[nodiscard]] bool valid() const { return m_handle != invalid(); }
  [[nodiscard]] iconv_t get() const { return m_handle; }

 private:
  static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
  iconv_t m_handle;
};

bool inRange(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

// How many bytes of `in` one '?' stands for when the converter stops at its
// start: a whole character that is well formed (the target lacks it), else
// the longest start of a well-formed sequence, at least one byte. So a bad
// lead byte never swallows the ASCII byte after it.
std::size_t utf8BadSequenceLength(std::string_view in) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(in[i]); };
  const unsigned char lead = at(0);
  std::size_t length = 0;
  unsigned char secondLow = 0x80;
  unsigned char secondHigh = 0xBF;
  if (inRange(lead, 0xC2, 0xDF)) {
    length = 2;
  } else if (inRange(lead, 0xE0, 0xEF)) {
    length = 3;
    if (lead == 0xE0) secondLow = 0xA0;
    if (lead == 0xED) secondHigh = 0x9F;  // no surrogates
  } else if (inRange(lead, 0xF0, 0xF4)) {
    length = 4;
    if (lead == 0xF0) secondLow = 0x90;
    if (lead == 0xF4) secondHigh = 0x8F;  // nothing above U+10FFFF
  } else {
    return 1;
  }
  std::size_t taken = 1;
  while (taken < length && taken < in.size()) {
    const unsigned char low = taken == 1 ? secondLow : 0x80;
    const unsigned char high = taken == 1 ? secondHigh : 0xBF;
    if (!inRange(at(taken), low, high)) break;
    ++taken;
  }
  return taken;
}

// A lead byte with a trail byte from the double-byte range is one unmapped
// character; otherwise only the lead byte is bad and the next byte (often
// ASCII) is read again on its own.
std::size_t gbkBadSequenceLength(std::string_view in) {
  const auto lead = static_cast<unsigned char>(in[0]);
  if (in.size() >= 2 && inRange(lead, 0x81, 0xFE)) {
    const auto trail = static_cast<unsigned char>(in[1]);
    if (inRange(trail, 0x40, 0x7E) || inRange(trail, 0x80, 0xFE)) return 2;
  }
  return 1;
}

using BadSequenceLength = std::size_t (*)(std::string_view);

std::string convert(IconvHandle& converter, std::string_view input, BadSequenceLength badSequenceLength) {
  if (input.empty() || !converter.valid()) return {};
  // Back to the initial state, whatever an earlier conversion left.
  ::iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);

  std::string output;
  output.resize(input.size() * 2 + 16);
  std::size_t produced = 0;

  // Runs one iconv call on `in` (nullptr: flush) into the free end of
  // `output`, growing it while the converter reports that it is full.
  const auto run = [&](char** in, std::size_t* inLeft) {
    for (;;) {
      char* out = output.data() + produced;
      std::size_t outLeft = output.size() - produced;
      const auto result = ::iconv(converter.get(), in, inLeft, &out, &outLeft);
      const int error = errno;
      produced = output.size() - outLeft;
      if (result != static_cast<std::size_t>(-1)) return 0;
      if (error != E2BIG) return error;
      output.resize(output.size() * 2);
    }
  };

  char* in = const_cast<char*>(input.data());  // iconv's signature; it never writes here
  std::size_t inLeft = input.size();
  while (inLeft > 0) {
    const int error = run(&in, &inLeft);
    if (error == 0) break;
    if (error != EILSEQ && error != EINVAL) return {};
    // A character the target lacks or a malformed (or, at the end, cut off)
    // sequence: one '?' in its place, then go on after it.
    const std::size_t skip = badSequenceLength(std::string_view(in, inLeft));
    in += skip;
    inLeft -= skip;
    if (produced == output.size()) output.resize(output.size() * 2);
    output[produced++] = '?';
  }
  if (run(nullptr, nullptr) != 0) return {};
  output.resize(produced);
  return output;
}

}  // namespace

// glibc loads a converter's module at iconv_open and unloads it soon after the
// last close, so opening one per conversion costs a dlopen each time; and the
// window converts every control text it touches. One converter per direction
// and thread, kept for the program's life.
std::string gbkToUtf8(std::string_view gbk) {
  thread_local IconvHandle converter(kUtf8, kGbk);
  return convert(converter, gbk, gbkBadSequenceLength);
}

std::string utf8ToGbk(std::string_view utf8) {
  thread_local IconvHandle converter(kGbk, kUtf8);
  return convert(converter, utf8, utf8BadSequenceLength);
}

}  // namespace quorvane
