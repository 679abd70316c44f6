#include "base/curl_library_posix.h"

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

}  // namespace tarnwick
