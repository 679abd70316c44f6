// libcurl for the lookups and the setup (POSIX only: Windows uses URLMon and WinINet), loaded on
// the first transfer rather than at start-up (see base/shared_library.h). Only its headers are used
// at build time.
#pragma once

#include <curl/curl.h>

#include <string>
#include <string_view>

namespace tarnwick {

// The soname of the libcurl the program is built against (Debian's libcurl4).
inline constexpr const char* curlFileName = "libcurl.so.4";

// The functions Tarnwick calls, named as in libcurl without the "curl_" prefix.
struct CurlLibrary {
  std::string error;  // empty when the library and every function below were found
  decltype(&curl_easy_init) easy_init = nullptr;
  decltype(&curl_easy_setopt) easy_setopt = nullptr;
  decltype(&curl_easy_perform) easy_perform = nullptr;
  decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
  decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
  decltype(&curl_easy_strerror) easy_strerror = nullptr;
};

// Any thread. The first call loads libcurl and runs curl_global_init; every call answers that
// same table. When `error` is set, no function may be called.
[[nodiscard]] const CurlLibrary& curlLibrary();

// What every transfer of ours shares: `url`, http and https only, redirects followed (at most
// `maxRedirects`) but never from https down to plain http, TLS verified, the user agent
// "Tarnwick/1.0", and no signals (transfers run on worker threads).
void setCommonOptions(const CurlLibrary& libcurl, CURL* handle, const std::string& url, long maxRedirects);

// The protocols a redirect from `url` may lead to: once on https, only https.
[[nodiscard]] const char* redirectProtocolsFrom(std::string_view url);

}  // namespace tarnwick
