#pragma once

// What the fuzz targets share: the libFuzzer entry point they define, a reader
// that takes the input apart into the arguments of the operations under test,
// and the report that stops the run on a broken rule.
//
// The same target sources build two ways: with libFuzzer (clang, scripts/fuzz),
// and with fuzz/replay_main.cpp as a plain program that feeds the kept corpus
// through the same checks as a ctest test.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace quorvane::fuzz {

// Takes the input apart front to back. Past the end every byte reads as 0 and
// every stretch as empty, so any input, the empty one included, decodes.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : m_bytes(reinterpret_cast<const char*>(data), size) {}

  std::uint8_t takeByte() {
    if (m_bytes.empty()) {
      return 0;
    }
    const auto byte = static_cast<std::uint8_t>(m_bytes.front());
    m_bytes.remove_prefix(1);
    return byte;
  }

  std::string_view takeBytes(std::size_t count) {
    const std::string_view taken = m_bytes.substr(0, count);
    m_bytes.remove_prefix(taken.size());
    return taken;
  }

  std::string_view takeRest() { return takeBytes(m_bytes.size()); }

 private:
  std::string_view m_bytes;
};

// A text never holds a NUL byte: the operations may count on that, so the
// targets never hand them one.
inline std::string withoutNul(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char byte : bytes) {
    if (byte != '\0') {
      text.push_back(byte);
    }
  }
  return text;
}

// Each byte replaced by an entry of `alphabet` (chosen by its value): inputs
// made of a few bytes that matter, such as lead bytes next to marker bytes,
// collide far more often than random ones.
inline std::string overAlphabet(std::string_view bytes, std::string_view alphabet) {
  std::string text;
  text.reserve(bytes.size());
  for (const char byte : bytes) {
    text.push_back(alphabet[static_cast<unsigned char>(byte) % alphabet.size()]);
  }
  return text;
}

inline std::string hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    out += kDigits[value >> 4];
    out += kDigits[value & 0x0F];
    out += ' ';
  }
  return out;
}

using Field = std::pair<const char*, std::string>;

// Prints what broke and with which arguments, then aborts: libFuzzer keeps the
// input as a crash, the replay test fails.
[[noreturn]] inline void fail(const char* what, std::initializer_list<Field> fields) {
  std::fprintf(stderr, "\n*** %s\n", what);
  for (const Field& field : fields) {
    std::fprintf(stderr, "    %s: %s\n", field.first, field.second.c_str());
  }
  std::abort();
}

}  // namespace quorvane::fuzz
