#include "service/http_get.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace quorvane {
namespace {

constexpr std::size_t kUnannouncedReadChunk = 10240;
constexpr std::size_t kLargestReadChunk = 102400;
constexpr std::size_t kLongestLengthValue = 31;
constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

using Clock = std::chrono::steady_clock;

HttpLimits g_limits;

class CurlEasy {
 public:
  CurlEasy() = default;
  explicit CurlEasy(CURL* handle) : m_handle(handle) {}
  ~CurlEasy() {
    if (m_handle != nullptr) curl_easy_cleanup(m_handle);
  }
  CurlEasy(const CurlEasy&) = delete;
  CurlEasy& operator=(const CurlEasy&) = delete;
  CurlEasy(CurlEasy&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
  CurlEasy& operator=(CurlEasy&& other) noexcept {
    if (this != &other) {
      if (m_handle != nullptr) curl_easy_cleanup(m_handle);
      m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
  }

  [[nodiscard]] CURL* get() const { return m_handle; }
  explicit operator bool() const { return m_handle != nullptr; }

 private:
  CURL* m_handle = nullptr;
};

class CurlHeaderList {
 public:
  CurlHeaderList() = default;
  ~CurlHeaderList() { curl_slist_free_all(m_list); }
  CurlHeaderList(const CurlHeaderList&) = delete;
  CurlHeaderList& operator=(const CurlHeaderList&) = delete;
  CurlHeaderList(CurlHeaderList&& other) noexcept : m_list(std::exchange(other.m_list, nullptr)) {}
  CurlHeaderList& operator=(CurlHeaderList&& other) noexcept {
    if (this != &other) {
      curl_slist_free_all(m_list);
      m_list = std::exchange(other.m_list, nullptr);
    }
    return *this;
  }

  // False when libcurl could not allocate the entry; the list is unchanged then.
  bool append(const char* line) {
    curl_slist* grown = curl_slist_append(m_list, line);
    if (grown == nullptr) return false;
    m_list = grown;
    return true;
  }
  [[nodiscard]] curl_slist* get() const { return m_list; }

 private:
  curl_slist* m_list = nullptr;
};

// The one client of the program: created by the first request, reset between
// requests so that no option or state of one request reaches the next.
struct HttpClient {
  HttpClient() : globalReady(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {
    if (globalReady) easy = CurlEasy{curl_easy_init()};
  }
  ~HttpClient() {
    easy = CurlEasy{};
    if (globalReady) curl_global_cleanup();
  }
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  bool globalReady;
  CurlEasy easy;
};

HttpClient* g_client = nullptr;
std::size_t g_clientsCreated = 0;

HttpClient* client() {
  if (g_client == nullptr) {
    auto* created = new HttpClient;
    if (!created->easy) {
      delete created;  // the next request tries again
      return nullptr;
    }
    g_client = created;
    ++g_clientsCreated;
  }
  return g_client;
}

struct SplitAddress {
  std::string_view authority;  // host[:port]
  std::string_view target;     // path and query, without a fragment
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

// "http://host[:port]/target"; nothing when the address has another form.
// The target is checked here, before libcurl sees the address, so that an
// over-long one is never sent.
std::optional<SplitAddress> splitAddress(std::string_view address) {
  constexpr std::string_view kScheme = "http://";
  if (address.size() < kScheme.size() || !sameIgnoringCase(address.substr(0, kScheme.size()), kScheme)) {
    return std::nullopt;
  }
  address.remove_prefix(kScheme.size());
  const auto slash = address.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  SplitAddress split{address.substr(0, slash), address.substr(slash)};
  split.target = split.target.substr(0, split.target.find('#'));

  std::string_view host = split.authority;
  const auto colon = host.rfind(':');
  if (colon != std::string_view::npos && host.find(']', colon) == std::string_view::npos) {
    const auto port = host.substr(colon + 1);
    if (port.empty() || port.size() > 5 || !std::ranges::all_of(port, isDigit)) return std::nullopt;
    int value = 0;
    for (char c : port) value = value * 10 + (c - '0');
    if (value < 1 || value > 65535) return std::nullopt;
    host = host.substr(0, colon);
  }
  // Credentials in the address and blanks or control bytes in the host are
  // not part of any address this program builds.
  if (host.empty() ||
      std::ranges::any_of(host, [](char c) { return c == '@' || static_cast<unsigned char>(c) <= ' '; })) {
    return std::nullopt;
  }
  return split;
}

// What the callbacks of one request share. Nothing here calls back into the
// program: the callbacks only collect bytes and watch the clock.
struct Transfer {
  std::string answer;
  std::size_t maxAnswerBytes = 0;
  Clock::duration idleTimeout{};
  // When the last header line or body byte arrived; libcurl hands over the
  // head only in whole lines.
  Clock::time_point lastByte{};

  void sawBytes() { lastByte = Clock::now(); }
};

std::string_view trimmed(std::string_view s) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::size_t length = size * count;
  transfer->sawBytes();
  const std::string_view line(data, length);
  if (line.starts_with("HTTP/")) {
    // A new response (after a redirect, say): its body alone is the answer.
    transfer->answer.clear();
    transfer->answer.shrink_to_fit();
    return length;
  }
  const auto colon = line.find(':');
  if (colon != std::string_view::npos && sameIgnoringCase(trimmed(line.substr(0, colon)), "Content-Length")) {
    transfer->answer.reserve(readChunkSize(trimmed(line.substr(colon + 1))));
  }
  return length;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::size_t length = size * count;
  transfer->sawBytes();
  const std::size_t room = transfer->maxAnswerBytes - std::min(transfer->maxAnswerBytes, transfer->answer.size());
  // At the cap, keep what fits and report a short write, which ends the transfer.
  const std::size_t taken = std::min(length, room);
  std::string& answer = transfer->answer;
  if (answer.size() + taken > answer.capacity()) {
    // Grow as append would, but never past the cap: a big answer then holds
    // no more memory than the cap allows.
    answer.reserve(std::min(std::max(answer.capacity() * 2, answer.size() + taken), transfer->maxAnswerBytes));
  }
  answer.append(data, taken);
  return taken;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* transfer = static_cast<const Transfer*>(user);
  // Non-zero ends the transfer; what arrived stays the answer.
  return Clock::now() - transfer->lastByte >= transfer->idleTimeout ? 1 : 0;
}

long milliseconds(std::chrono::milliseconds duration) {
  return static_cast<long>(std::clamp<std::chrono::milliseconds::rep>(duration.count(), 1,
                                                                      std::numeric_limits<long>::max()));
}

bool configure(CURL* curl, const std::string& url, const CurlHeaderList& headers, Transfer& transfer,
               const HttpLimits& limits) {
  bool ok = true;
  const auto set = [&](CURLoption option, auto value) { ok = ok && curl_easy_setopt(curl, option, value) == CURLE_OK; };
  set(CURLOPT_URL, url.c_str());
  set(CURLOPT_HTTPGET, 1L);
  set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  set(CURLOPT_USERAGENT, kUserAgent);
  set(CURLOPT_HTTPHEADER, headers.get());
  // Send the target byte for byte: no squashing of "/../" sequences.
  set(CURLOPT_PATH_AS_IS, 1L);
  // A connection of its own for every request, closed when it ends.
  set(CURLOPT_FRESH_CONNECT, 1L);
  set(CURLOPT_FORBID_REUSE, 1L);
  set(CURLOPT_FOLLOWLOCATION, 1L);
  set(CURLOPT_MAXREDIRS, limits.maxRedirects);
  set(CURLOPT_PROTOCOLS_STR, "http");
  set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  set(CURLOPT_CONNECTTIMEOUT_MS, milliseconds(limits.connectTimeout));
  set(CURLOPT_TIMEOUT_MS, milliseconds(limits.totalTimeout));
  // Time-outs without signals: the resolver must not raise SIGALRM in the program.
  set(CURLOPT_NOSIGNAL, 1L);
  set(CURLOPT_WRITEFUNCTION, onBody);
  set(CURLOPT_WRITEDATA, &transfer);
  set(CURLOPT_HEADERFUNCTION, onHeader);
  set(CURLOPT_HEADERDATA, &transfer);
  // The idle time-out is watched here rather than with CURLOPT_LOW_SPEED_*,
  // which averages the speed and so lets a trickle of bytes go on forever.
  set(CURLOPT_NOPROGRESS, 0L);
  set(CURLOPT_XFERINFOFUNCTION, onProgress);
  set(CURLOPT_XFERINFODATA, &transfer);
  return ok;
}

}  // namespace

void setHttpLimits(const HttpLimits& limits) { g_limits = limits; }

HttpLimits httpLimits() { return g_limits; }

std::size_t readChunkSize(std::optional<std::string_view> contentLength) {
  if (!contentLength || contentLength->size() > kLongestLengthValue) return kUnannouncedReadChunk;
  std::string_view value = *contentLength;
  while (!value.empty() && std::strchr(" \t\r\n\v\f", value.front()) != nullptr) value.remove_prefix(1);
  bool negative = false;
  if (!value.empty() && (value.front() == '+' || value.front() == '-')) {
    negative = value.front() == '-';
    value.remove_prefix(1);
  }
  // Anything at or above the largest chunk gives the largest chunk, so the
  // number saturates there instead of overflowing on a long run of digits.
  std::size_t n = 0;
  for (char c : value) {
    if (!isDigit(c)) break;
    n = std::min(n * 10 + static_cast<std::size_t>(c - '0'), kLargestReadChunk);
  }
  if (negative || n == 0) return kUnannouncedReadChunk;
  return std::min(n + 1, kLargestReadChunk);
}

std::string httpGet(std::string_view address) {
  const auto split = splitAddress(address);
  if (!split || split->target.size() > kLongestRequestTarget) return {};

  HttpClient* http = client();
  if (http == nullptr) return {};
  CURL* curl = http->easy.get();
  curl_easy_reset(curl);

  const HttpLimits limits = g_limits;
  // Replaces the Accept line libcurl would add, so exactly one is sent.
  CurlHeaderList headers;
  if (!headers.append("Accept: */*")) return {};

  Transfer transfer;
  transfer.maxAnswerBytes = limits.maxAnswerBytes;
  transfer.idleTimeout = limits.idleTimeout;
  transfer.sawBytes();

  const std::string url = "http://" + std::string(split->authority) + std::string(split->target);
  if (!configure(curl, url, headers, transfer, limits)) return {};
  // The result is not looked at: a failure before the body leaves the answer
  // empty, and a body cut short, timed out or stopped at the cap is kept as it
  // arrived.
  static_cast<void>(curl_easy_perform(curl));
  // Nothing of this request may outlive it inside the handle.
  curl_easy_reset(curl);
  return std::move(transfer.answer);
}

void releaseHttpClient() {
  delete g_client;
  g_client = nullptr;
}

std::size_t httpClientsCreated() { return g_clientsCreated; }

}  // namespace quorvane
