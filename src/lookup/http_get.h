// A blocking HTTP GET for the small lookups (oEmbed JSON, thumbnails). Every call has its own
// connection state, so the preview and search workers may call it side by side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

// No lookup reply is anywhere near this; a larger body is refused rather than buffered.
inline constexpr std::size_t httpBodyLimit = std::size_t(32) << 20;

// Fetches `url` into `body` (raw bytes, emptied first) and, when `status` is given, the final
// status code (0 when none was obtained). True exactly when the status is 200 and the whole body
// arrived. Only http and https; user agent "Tarnwick/1.0", redirects followed (at most a few,
// never from https to plain http), no cookies, no cache, TLS verified, 15 s to connect, 15 s
// without data and 60 s for the whole transfer end it. Whatever arrived stays in `body` also when
// the answer is false (an error page, a truncated transfer); a body beyond httpBodyLimit is
// abandoned at the limit. Also false (status 0) when the HTTP library (libcurl on Linux, WinINet
// on Windows) cannot be used.
[[nodiscard]] bool httpGet(std::wstring_view url, std::string& body, std::uint32_t* status = nullptr);

}  // namespace tarnwick
