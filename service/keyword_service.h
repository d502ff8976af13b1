#pragma once

// The two requests to the keyword service. Each takes a GBK keyword and gives
// the service's whole answer as GBK text, or the empty text when the request
// fails.

#include <string>
#include <string_view>

namespace quorvane {

inline constexpr std::string_view kRecommendedWordsPath = "/recomword/recomWordCache_findRecomWord.htm";
inline constexpr std::string_view kVolumeStatsPath = "/trade/wordPv_statistics.htm";
inline constexpr std::string_view kKeywordQuery = "?area_id=&word=";
inline constexpr std::string_view kDefaultServiceHost = "127.0.0.1:8765";

// "host" or "host:port". Unless set, the first request takes it from the
// environment variable QUORVANE_SERVICE_HOST, else kDefaultServiceHost.
void setServiceHost(std::string_view host);
[[nodiscard]] std::string serviceHost();

// Every byte except A-Z a-z 0-9 - . _ ~ as %XX (upper-case hex).
[[nodiscard]] std::string percentEncode(std::string_view bytes);

// "http://" + host + path + "?area_id=&word=" + the escaped UTF-8 keyword.
[[nodiscard]] std::string keywordAddress(std::string_view path, std::string_view keywordGbk);

[[nodiscard]] std::string requestRecommendedWords(std::string_view keywordGbk);
[[nodiscard]] std::string requestVolumeStats(std::string_view keywordGbk);

}  // namespace quorvane
