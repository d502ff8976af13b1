#pragma once

// The answers of the demo keyword service, built as pure functions of the
// keyword so that they can be checked without a socket. Both take the keyword
// as UTF-8 (already percent-decoded) and return the whole UTF-8 body.

#include <string>
#include <string_view>

namespace quorvane::demo {

// A dozen long-tail words made from the seed, each as one record
// {"word":"<word>","total":<n>,"pv":<n>} inside a small JSON envelope.
// The same seed always gives the same words in the same order. Words hold
// only characters GBK can represent and never a quote or backslash, so they
// need no escaping; a seed with nothing usable left gives no records.
[[nodiscard]] std::string recommendedWordsAnswer(std::string_view seedUtf8);

// {"data":{"biznum":"N","totalnum":"M"},"success":"true"} with today's
// volume N and the total volume M derived from the keyword (M > N).
[[nodiscard]] std::string volumeStatsAnswer(std::string_view keywordUtf8);

}  // namespace quorvane::demo
