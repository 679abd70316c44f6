#include "lookup/http_get.h"

#include <windows.h>

#include <wininet.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <optional>

#include "base/text.h"
#include "lookup/http_transfer.h"

namespace tarnwick {
namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD readChunk = 16 * 1024;
// No cookies, nothing from or into the cache, no dialogs; redirects are ours to check.
constexpr DWORD requestFlags = INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT |
                               INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

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

// Every wait below is bounded by the silence limit and by what is left of the whole transfer's.
class Deadline {
 public:
  explicit Deadline(const HttpLimits& limits)
      : end_(Clock::now() + limits.whole), withoutData_(limits.withoutData) {}
  bool passed() const { return Clock::now() >= end_; }
  DWORD nextWait() const {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now());
    return milliseconds(std::min(left, withoutData_));
  }

 private:
  Clock::time_point end_;
  std::chrono::milliseconds withoutData_;
};

void setTimeout(HINTERNET handle, DWORD option, DWORD value) {
  InternetSetOptionW(handle, option, &value, sizeof value);
}

std::uint32_t statusOf(HINTERNET request) {
  DWORD code = 0;
  DWORD size = sizeof code;
  DWORD index = 0;
  if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, &index)) return 0;
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

// Reads the rest of the answer into `body`. False when it ended early: silence, the deadline, a
// broken connection, more than the limit or fewer bytes than announced.
bool readBody(HINTERNET request, std::string& body, const Deadline& deadline) {
  std::optional<std::uint64_t> announced = contentLength(request);
  if (announced && *announced > httpBodyLimit) return false;  // refused before a byte is read
  std::string chunk;
  for (;;) {
    if (deadline.passed()) return false;
    setTimeout(request, INTERNET_OPTION_RECEIVE_TIMEOUT, deadline.nextWait());
    // Waits for whatever arrives first, so that a trickle cannot outlast the deadline inside
    // one read that insists on filling its buffer.
    DWORD available = 0;
    if (!InternetQueryDataAvailable(request, &available, 0, 0)) return false;
    if (available == 0) break;
    chunk.resize(std::min(available, readChunk));
    DWORD read = 0;
    if (!InternetReadFile(request, chunk.data(), static_cast<DWORD>(chunk.size()), &read)) return false;
    if (read == 0) break;
    if (!appendWithinLimit(body, std::string_view(chunk.data(), read))) return false;
  }
  return !announced || *announced == body.size();
}

}  // namespace

bool httpGet(std::wstring_view url, std::string& body, std::uint32_t* status) {
  body.clear();
  if (status) *status = 0;
  if (!isWebAddress(url)) return false;
  const HttpLimits limits = httpLimits();
  const Deadline deadline(limits);
  Handle session(InternetOpenW(L"Tarnwick/1.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return false;
  setTimeout(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, milliseconds(limits.connect));
  setTimeout(session.get(), INTERNET_OPTION_SEND_TIMEOUT, milliseconds(limits.withoutData));

  std::wstring address(url);
  Handle request;
  std::uint32_t code = 0;
  for (int redirects = 0;; ++redirects) {
    if (deadline.passed()) return false;
    setTimeout(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, deadline.nextWait());
    request.reset(InternetOpenUrlW(session.get(), address.c_str(), nullptr, 0, requestFlags, 0));
    if (!request) return false;
    code = statusOf(request.get());
    if (status) *status = code;
    if (!isRedirect(code)) break;
    std::wstring location = headerOf(request.get(), HTTP_QUERY_LOCATION);
    std::wstring next = location.empty() ? std::wstring() : resolve(address, location);
    // A loop, a way out of http(s), or down from https to plain http: the redirect's own answer.
    if (redirects == httpMaxRedirects || !mayFollowRedirect(address, next)) break;
    address = std::move(next);
  }
  // A transfer cut short is a failure even with status 200: the callers would otherwise decode
  // half a picture or half a JSON text.
  bool complete = readBody(request.get(), body, deadline);
  return complete && code == 200;
}

}  // namespace tarnwick
