#include "lookup/http_get.h"

#include <windows.h>

#include <wininet.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "base/text.h"
#include "lookup/http_transfer.h"

namespace tarnwick {
namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD readChunk = 16 * 1024;
// No cookies, nothing from or into the cache, no dialogs; redirects are ours to check.
constexpr DWORD requestFlags = INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                               INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_RELOAD |
                               INTERNET_FLAG_NO_CACHE_WRITE;

// Each call has a session of its own, so a connection kept open would only linger.
constexpr const wchar_t* closeHeader = L"Connection: close\r\n";

class Handle {
 public:
  explicit Handle(HINTERNET handle = nullptr) : handle_(handle) {}
  ~Handle() {
    if (handle_) InternetCloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  void reset(HINTERNET handle) {
    if (handle_) InternetCloseHandle(handle_);
    handle_ = handle;
  }
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HINTERNET handle_;
};

DWORD milliseconds(std::chrono::milliseconds duration) {
  return static_cast<DWORD>(std::clamp<std::chrono::milliseconds::rep>(duration.count(), 1, 0x7FFFFFFF));
}

void setTimeout(HINTERNET handle, DWORD option, DWORD value) {
  InternetSetOptionW(handle, option, &value, sizeof value);
}

std::uint32_t statusOf(HINTERNET request) {
  DWORD code = 0;
  DWORD size = sizeof code;
  DWORD index = 0;
  if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, &index))
    return 0;
  return code;
}

std::wstring headerOf(HINTERNET request, DWORD query) {
  std::wstring value(256, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    DWORD index = 0;
    if (HttpQueryInfoW(request, query, value.data(), &bytes, &index)) {
      value.resize(bytes / sizeof(wchar_t));
      return value;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    value.assign(bytes / sizeof(wchar_t) + 1, L'\0');
  }
  return {};
}

std::optional<std::uint64_t> contentLength(HINTERNET request) {
  std::string digits = wideToUtf8(headerOf(request, HTTP_QUERY_CONTENT_LENGTH));
  std::uint64_t length = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), length);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return length;
}

bool isRedirect(std::uint32_t code) {
  return code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
}

// `location` (absolute or relative) resolved against `base`; empty when it cannot be.
std::wstring resolve(const std::wstring& base, const std::wstring& location) {
  std::wstring target(2048, L'\0');
  DWORD length = static_cast<DWORD>(target.size());
  if (!InternetCombineUrlW(base.c_str(), location.c_str(), target.data(), &length, ICU_NO_ENCODE)) return {};
  target.resize(length);
  return target;
}

// What the caller and the thread that talks to WinINet share. WinINet's own time-outs do not
// bound every wait (a silent server outlasts them under Wine, and Microsoft's advice for its
// connect time-out is a second thread), so the transfer runs on a thread of its own and the caller
// enforces the limits by waiting no longer.
struct Exchange {
  std::mutex lock;
  std::condition_variable changed;
  std::string body;
  std::uint32_t status = 0;
  Clock::time_point lastData = Clock::now();  // also the headers count as data
  bool finished = false;
  bool complete = false;   // the whole body arrived, within the limit
  bool abandoned = false;  // the caller stopped waiting; the transfer stops at its next step
};

// Reads the rest of the answer into the exchange. False when it ended early: a broken
// connection, more than the limit, fewer bytes than announced, or the caller gone.
bool readBody(HINTERNET request, Exchange& exchange) {
  std::optional<std::uint64_t> announced = contentLength(request);
  if (announced && *announced > httpBodyLimit) return false;  // refused before a byte is read
  std::string chunk;
  std::uint64_t received = 0;
  for (;;) {
    // Waits for whatever arrives first, so that a trickle counts as data while it trickles
    // rather than inside one read that insists on filling its buffer.
    DWORD available = 0;
    if (!InternetQueryDataAvailable(request, &available, 0, 0)) return false;
    if (available == 0) break;
    chunk.resize(std::min(available, readChunk));
    DWORD read = 0;
    if (!InternetReadFile(request, chunk.data(), static_cast<DWORD>(chunk.size()), &read)) return false;
    if (read == 0) break;
    std::lock_guard guard(exchange.lock);
    if (exchange.abandoned || !appendWithinLimit(exchange.body, std::string_view(chunk.data(), read)))
      return false;
    received += read;
    exchange.lastData = Clock::now();
    exchange.changed.notify_all();
  }
  return !announced || *announced == received;
}

void publishStatus(Exchange& exchange, std::uint32_t code) {
  std::lock_guard guard(exchange.lock);
  exchange.status = code;
  exchange.lastData = Clock::now();
  exchange.changed.notify_all();
}

bool isAbandoned(Exchange& exchange) {
  std::lock_guard guard(exchange.lock);
  return exchange.abandoned;
}

// The whole transfer, on its own thread: handles opened and closed here only.
void transfer(const std::shared_ptr<Exchange>& exchange, std::wstring address, const HttpLimits& limits) {
  bool complete = false;
  Handle session(InternetOpenW(L"Tarnwick/1.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (session) {
    // Where WinINet honours them, a transfer the caller gave up on ends soon after.
    setTimeout(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, milliseconds(limits.connect));
    setTimeout(session.get(), INTERNET_OPTION_SEND_TIMEOUT, milliseconds(limits.withoutData));
    setTimeout(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, milliseconds(limits.withoutData));
    Handle request;
    std::uint32_t code = 0;
    for (int redirects = 0; !isAbandoned(*exchange); ++redirects) {
      request.reset(InternetOpenUrlW(session.get(), address.c_str(), closeHeader, static_cast<DWORD>(-1L),
                                     requestFlags, 0));
      if (!request) break;
      code = statusOf(request.get());
      publishStatus(*exchange, code);
      std::wstring location =
          isRedirect(code) ? headerOf(request.get(), HTTP_QUERY_LOCATION) : std::wstring();
      std::wstring next = location.empty() ? std::wstring() : resolve(address, location);
      // Not a redirect, a loop, a way out of http(s), or down from https to plain http: this
      // answer is the last.
      if (next.empty() || redirects == httpMaxRedirects || !mayFollowRedirect(address, next)) {
        complete = readBody(request.get(), *exchange);
        break;
      }
      address = std::move(next);
    }
  }
  std::lock_guard guard(exchange->lock);
  exchange->finished = true;
  exchange->complete = complete;
  exchange->changed.notify_all();
}

}  // namespace

bool httpGet(std::wstring_view url, std::string& body, std::uint32_t* status) {
  body.clear();
  if (status) *status = 0;
  if (!isWebAddress(url)) return false;
  const HttpLimits limits = httpLimits();
  const Clock::time_point deadline = Clock::now() + limits.whole;
  auto exchange = std::make_shared<Exchange>();
  try {
    std::thread(transfer, exchange, std::wstring(url), limits).detach();
  } catch (const std::system_error&) {
    return false;  // no thread to spare: as any other failed fetch
  }
  std::unique_lock guard(exchange->lock);
  while (!exchange->finished) {
    const Clock::time_point until = std::min(deadline, exchange->lastData + limits.withoutData);
    if (Clock::now() >= until) {
      exchange->abandoned = true;
      break;
    }
    exchange->changed.wait_until(guard, until);
  }
  if (status) *status = exchange->status;
  // A transfer cut short is a failure even with status 200: the callers would otherwise decode
  // half a picture or half a JSON text.
  const bool ok = exchange->finished && exchange->complete && exchange->status == 200;
  if (exchange->finished)
    body = std::move(exchange->body);
  else
    body = exchange->body;  // what arrived so far; the transfer thread still holds its own
  return ok;
}

}  // namespace tarnwick
