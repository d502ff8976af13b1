#pragma once

// One plain HTTP/1.0 GET through libcurl. The body of any response, whatever
// its status, is the answer; a body cut short, timed out or stopped at the cap
// gives what arrived; every failure before the body gives the empty byte
// string. No error is reported.
//
// Every request opens a connection of its own and closes it before returning;
// all share the one libcurl handle, created by the first request. Redirects
// are followed up to HttpLimits::maxRedirects; a chain longer than that gives
// the empty byte string, because libcurl drops the body of a redirect it set
// out to follow. A body is read up to its Content-Length when one is given,
// else to the end of the connection.
//
// Synchronous and for one thread: the callbacks inside only collect bytes and
// watch the clock, never call back into the program.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

struct HttpLimits {
  std::chrono::milliseconds connectTimeout{10'000};
  // A request that receives no byte for this long ends with what arrived
  // (bytes of the response head count once their header line is complete).
  // Checked when libcurl reports progress, which it does at least once a
  // second, so the request may run up to a second longer.
  std::chrono::milliseconds idleTimeout{20'000};
  // A request that is still receiving after this long ends with what arrived:
  // the bound on a service that trickles a byte now and then forever.
  std::chrono::milliseconds totalTimeout{120'000};
  std::size_t maxAnswerBytes{64u * 1024u * 1024u};
  long maxRedirects{5};
};

inline constexpr std::size_t kLongestRequestTarget = 2047;

// The limits every following request uses; tests shorten them.
void setHttpLimits(const HttpLimits& limits);
[[nodiscard]] HttpLimits httpLimits();

// The size of the buffer that collects an answer, from its Content-Length
// header value (nothing when the header is missing): the announced length
// plus one, at most 102400, and 10240 when nothing usable is announced.
[[nodiscard]] std::size_t readChunkSize(std::optional<std::string_view> contentLength);

// `address` is "http://host[:port]/path?query". Bytes of the target are sent
// as given (up to a '#'); the caller escapes them. An address of another form,
// or a target longer than kLongestRequestTarget, sends nothing and gives the
// empty byte string.
[[nodiscard]] std::string httpGet(std::string_view address);

// Releases the one HTTP client instance; the next request creates it again.
// Called at exit.
void releaseHttpClient();

// How many times the HTTP client instance has been created in this process, so
// that tests can see requests share one.
[[nodiscard]] std::size_t httpClientsCreated();

}  // namespace quorvane
