#include "base/curl_library_posix.h"

#include <cctype>

#include "base/shared_library.h"

namespace tarnwick {
namespace {

CurlLibrary loadCurl() {
  SharedLibrary library("libcurl", curlFileName);
  CurlLibrary curl;
#define TARNWICK_BIND(name) library.bind(curl.name, "curl_" #name)
  TARNWICK_BIND(easy_init);
  TARNWICK_BIND(easy_setopt);
  TARNWICK_BIND(easy_perform);
  TARNWICK_BIND(easy_getinfo);
  TARNWICK_BIND(easy_cleanup);
  TARNWICK_BIND(easy_strerror);
#undef TARNWICK_BIND
  decltype(&curl_global_init) globalInit = nullptr;
  library.bind(globalInit, "curl_global_init");
  curl.error = library.error();
  if (!curl.error.empty()) return curl;
  // Needed once before any handle; not thread-safe in every libcurl, hence here, under the
  // function-local static's guard.
  if (CURLcode result = globalInit(CURL_GLOBAL_DEFAULT); result != CURLE_OK)
    curl.error = std::string("libcurl could not start: ") + curl.easy_strerror(result);
  return curl;
}

}  // namespace

const CurlLibrary& curlLibrary() {
  static const CurlLibrary curl = loadCurl();
  return curl;
}

const char* redirectProtocolsFrom(std::string_view url) {
  constexpr std::string_view secure = "https:";
  if (url.size() < secure.size()) return "http,https";
  for (std::size_t i = 0; i < secure.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(url[i])) != secure[i]) return "http,https";
  return "https";
}

void setCommonOptions(const CurlLibrary& libcurl, CURL* handle, const std::string& url, long maxRedirects) {
  libcurl.easy_setopt(handle, CURLOPT_URL, url.c_str());
  libcurl.easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);  // no SIGALRM for DNS time-outs
  libcurl.easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  libcurl.easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, redirectProtocolsFrom(url));
  libcurl.easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  libcurl.easy_setopt(handle, CURLOPT_MAXREDIRS, maxRedirects);
  libcurl.easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
  libcurl.easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
  libcurl.easy_setopt(handle, CURLOPT_USERAGENT, "Tarnwick/1.0");
}

}  // namespace tarnwick
