#include "tools/demo-service/demo_answers.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::demo {
namespace {

constexpr std::size_t kWordsPerAnswer = 12;

struct Affix {
  std::string_view prefix;
  std::string_view suffix;
};

// Shapes of the long-tail searches people make around a word. More than one
// answer needs, so that different seeds show different mixes.
constexpr std::array kAffixes = {
    Affix{"", "教程"},     Affix{"", "下载"},       Affix{"", "官网"},
    Affix{"", "是什么"},   Affix{"", "怎么用"},     Affix{"", "价格"},
    Affix{"", "多少钱"},   Affix{"", "哪个好"},     Affix{"", "排行榜"},
    Affix{"免费", ""},     Affix{"", "app"},        Affix{"", "2026"},
    Affix{"", "入门"},     Affix{"", "推荐"},       Affix{"", "安装"},
    Affix{"", "使用方法"}, Affix{"", "最新版"},     Affix{"", "手机版"},
    Affix{"如何", ""},     Affix{"best ", ""},      Affix{"", " review"},
    Affix{"", "视频"},     Affix{"", "和什么区别"}, Affix{"", "官方下载"},
};

// FNV-1a: stable across runs and platforms, unlike std::hash.
[[nodiscard]] std::uint64_t hashBytes(std::string_view bytes) {
  std::uint64_t h = 14695981039346656037ULL;
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ULL;
  }
  return h;
}

// splitmix64 finaliser: spreads neighbouring inputs over the whole range.
[[nodiscard]] std::uint64_t mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

class GbkProbe {
 public:
  GbkProbe() : m_cd(iconv_open("CP936", "UTF-8")) {}
  ~GbkProbe() {
    if (m_cd != invalid()) iconv_close(m_cd);
  }
  GbkProbe(const GbkProbe&) = delete;
  GbkProbe& operator=(const GbkProbe&) = delete;

  // True when the one UTF-8 character converts to one GBK character the
  // program can step over: an ASCII byte or a two-byte sequence. The euro
  // sign's single byte 0x80 would be read as the lead of a two-byte
  // character and swallow the byte after it, so it is refused.
  [[nodiscard]] bool fits(std::string_view utf8Char) {
    if (m_cd == invalid()) return false;
    std::string in(utf8Char);
    std::array<char, 8> out{};
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
      return false;
    const std::size_t written = out.size() - outLeft;
    if (written == 1) return static_cast<unsigned char>(out[0]) < 0x80;
    return written == 2;
  }

 private:
  static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
  iconv_t m_cd;
};

// Length of the well-formed UTF-8 character at the start of `s`, or 0.
[[nodiscard]] std::size_t utf8CharLength(std::string_view s) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char b0 = byte(0);
  std::size_t n = 0;
  std::uint32_t cp = 0;
  if (b0 < 0x80) return 1;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2;
    cp = b0 & 0x1Fu;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3;
    cp = b0 & 0x0Fu;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4;
    cp = b0 & 0x07u;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) return 0;
    cp = (cp << 6) | (byte(i) & 0x3Fu);
  }
  const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
  const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
  if (overlong || surrogate || cp > 0x10FFFF) return 0;
  return n;
}

// The part of the seed that can stand inside a word: well-formed characters
// that GBK can hold, without quotes, backslashes or control characters (the
// answer escapes nothing), and without spaces at either end.
[[nodiscard]] std::string usableSeed(std::string_view seed) {
  GbkProbe probe;
  std::string kept;
  while (!seed.empty()) {
    const std::size_t n = utf8CharLength(seed);
    if (n == 0) {
      seed.remove_prefix(1);
      continue;
    }
    const std::string_view ch = seed.substr(0, n);
    seed.remove_prefix(n);
    if (n == 1) {
      const auto c = static_cast<unsigned char>(ch[0]);
      if (c < 0x20 || c == 0x7F || c == '"' || c == '\\') continue;
      kept += ch;
    } else if (probe.fits(ch)) {
      kept += ch;
    }
  }
  const auto first = kept.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return kept.substr(first, kept.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string recommendedWordsAnswer(std::string_view seedUtf8) {
  std::string answer = R"({"status":0,"data":{"group":[)";
  const std::string seed = usableSeed(seedUtf8);
  if (!seed.empty()) {
    const std::uint64_t h = hashBytes(seed);

    // Order the affixes by a per-seed key and keep the first dozen.
    std::array<std::size_t, kAffixes.size()> order{};
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [h](std::size_t a, std::size_t b) {
      return mix(h ^ (a * 0x100000001B3ULL)) < mix(h ^ (b * 0x100000001B3ULL));
    });

    // A real service lists its words by falling popularity.
    std::vector<std::uint64_t> totals;
    for (std::size_t i = 0; i < kWordsPerAnswer; ++i) totals.push_back(50 + mix(h + i) % 200000);
    std::sort(totals.begin(), totals.end(), std::greater<>{});

    for (std::size_t i = 0; i < kWordsPerAnswer; ++i) {
      const Affix& affix = kAffixes[order[i]];
      if (i != 0) answer += ',';
      answer += R"({"word":")";
      answer += affix.prefix;
      answer += seed;
      answer += affix.suffix;
      answer += R"(","total":)";
      answer += std::to_string(totals[i]);
      answer += R"(,"pv":)";
      answer += std::to_string(totals[i] / (2 + mix(h ^ i) % 5));
      answer += '}';
    }
  }
  answer += "]}}";
  return answer;
}

std::string volumeStatsAnswer(std::string_view keywordUtf8) {
  const std::uint64_t h = hashBytes(keywordUtf8);
  const std::uint64_t today = 100 + mix(h) % 30000;
  const std::uint64_t total = today * (5 + mix(h + 1) % 60) + mix(h + 2) % 1000;
  std::string answer = R"({"data":{"biznum":")";
  answer += std::to_string(today);
  answer += R"(","totalnum":")";
  answer += std::to_string(total);
  answer += R"("},"success":"true"})";
  return answer;
}

}  // namespace quorvane::demo
