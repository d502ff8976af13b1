#include "service/keyword_service.h"

#include <cstdlib>
#include <optional>

#include "service/code_page.h"
#include "service/http_get.h"
#include "text/byte_text.h"

namespace quorvane {
namespace {

constexpr std::string_view kHttpScheme = "http://";
constexpr const char* kServiceHostVariable = "QUORVANE_SERVICE_HOST";

std::optional<std::string> g_serviceHost;

bool staysUnescaped(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
         byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

// U = the keyword in UTF-8; the answer is cut at its first NUL and brought
// back to GBK.
std::string requestKeyword(std::string_view path, std::string_view keywordGbk) {
  const ByteString answer = httpGet(keywordAddress(path, keywordGbk));
  return utf8ToGbk(bytesToText(answer));
}

}  // namespace

void setServiceHost(std::string_view host) { g_serviceHost = std::string(host); }

std::string serviceHost() {
  if (!g_serviceHost) {
    const char* fromEnvironment = std::getenv(kServiceHostVariable);
    g_serviceHost = (fromEnvironment != nullptr && *fromEnvironment != '\0') ? std::string(fromEnvironment)
                                                                             : std::string(kDefaultServiceHost);
  }
  return *g_serviceHost;
}

std::string percentEncode(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(bytes.size() * 3);
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (staysUnescaped(byte)) {
      escaped += c;
    } else {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    }
  }
  return escaped;
}

std::string keywordAddress(std::string_view path, std::string_view keywordGbk) {
  // Escaping every byte outside the unreserved set keeps "&", "=", "+", "#",
  // "%", blanks and line breaks of a keyword inside the one `word` value; the
  // service decodes it to the same UTF-8 bytes.
  const std::string host = serviceHost();
  const std::string word = percentEncode(gbkToUtf8(keywordGbk));
  return concatText({kHttpScheme, host, path, kKeywordQuery, word});
}

std::string requestRecommendedWords(std::string_view keywordGbk) {
  return requestKeyword(kRecommendedWordsPath, keywordGbk);
}

std::string requestVolumeStats(std::string_view keywordGbk) { return requestKeyword(kVolumeStatsPath, keywordGbk); }

}  // namespace quorvane
