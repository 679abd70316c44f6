// What the two httpGet implementations (libcurl, WinINet) share: the limits of one transfer, which
// the tests may shorten, and the rules that do not depend on the HTTP library.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace tarnwick {

struct HttpLimits {
  std::chrono::milliseconds connect;      // to reach the server
  std::chrono::milliseconds withoutData;  // silence, also while waiting for the answer
  std::chrono::milliseconds whole;        // the whole transfer, redirects included
};

inline constexpr int httpMaxRedirects = 8;

// The limits now in force (the program's, or a test's).
[[nodiscard]] HttpLimits httpLimits();

// "http://" or "https://" in any case: the only addresses the lookups fetch.
[[nodiscard]] bool isWebAddress(std::wstring_view url);
[[nodiscard]] bool isSecureAddress(std::wstring_view url);
// Whether a redirect from `from` to `to` (absolute) is followed: web addresses only, and once on
// https never down to plain http.
[[nodiscard]] bool mayFollowRedirect(std::wstring_view from, std::wstring_view to);

// Appends `chunk` unless that would take `body` past httpBodyLimit; false then, and `body` keeps
// what it had, so nothing past the limit is ever buffered.
[[nodiscard]] bool appendWithinLimit(std::string& body, std::string_view chunk);

}  // namespace tarnwick
