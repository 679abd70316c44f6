#define TARNWICK_LOOKUP_INTERNAL
#include "lookup/http_get.h"

#include <atomic>

#include "lookup/http_transfer.h"
#include "lookup/lookup_testing.h"

namespace tarnwick {
namespace {

constexpr long defaultConnectMs = 15000;
constexpr long defaultWithoutDataMs = 15000;
// Also a server that trickles a byte now and then cannot hold a lookup worker for long; no
// thumbnail or oEmbed reply needs more than a few seconds.
constexpr long defaultWholeMs = 60000;

std::atomic<long> connectTimeoutMs{defaultConnectMs};
std::atomic<long> withoutDataMs{defaultWithoutDataMs};
std::atomic<long> wholeMs{defaultWholeMs};

bool startsWithScheme(std::wstring_view url, std::wstring_view scheme) {
  if (url.size() < scheme.size()) return false;
  for (std::size_t i = 0; i < scheme.size(); ++i) {
    wchar_t c = url[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != scheme[i]) return false;
  }
  return true;
}

}  // namespace

HttpLimits httpLimits() {
  return {std::chrono::milliseconds(connectTimeoutMs.load()), std::chrono::milliseconds(withoutDataMs.load()),
          std::chrono::milliseconds(wholeMs.load())};
}

bool isSecureAddress(std::wstring_view url) {
  return startsWithScheme(url, L"https://");
}

bool isWebAddress(std::wstring_view url) {
  return startsWithScheme(url, L"http://") || isSecureAddress(url);
}

bool mayFollowRedirect(std::wstring_view from, std::wstring_view to) {
  return isWebAddress(to) && (isSecureAddress(to) || !isSecureAddress(from));
}

bool appendWithinLimit(std::string& body, std::string_view chunk) {
  if (chunk.size() > httpBodyLimit - body.size()) return false;
  body.append(chunk);
  return true;
}

namespace testing {

void setHttpTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds withoutData) {
  connectTimeoutMs = static_cast<long>(connect.count());
  withoutDataMs = static_cast<long>(withoutData.count());
}

void setHttpDeadline(std::chrono::milliseconds whole) {
  wholeMs = static_cast<long>(whole.count());
}

void resetHttpTimeouts() {
  connectTimeoutMs = defaultConnectMs;
  withoutDataMs = defaultWithoutDataMs;
  wholeMs = defaultWholeMs;
}

}  // namespace testing
}  // namespace tarnwick
