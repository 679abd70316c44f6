#include "lookup/http_get.h"

#include <chrono>

#include "base/curl_library_posix.h"
#include "base/text.h"
#include "lookup/http_transfer.h"

namespace tarnwick {
namespace {

using Clock = std::chrono::steady_clock;

struct Transfer {
  std::string* body;
  Clock::duration withoutDataLimit;
  Clock::time_point lastData = Clock::now();
  curl_off_t lastBytes = 0;
};

// Runs on the calling thread inside curl_easy_perform. Returning less than offered aborts the
// transfer, so nothing past the limit is ever buffered.
std::size_t appendChunk(char* data, std::size_t size, std::size_t count, void* context) {
  auto* transfer = static_cast<Transfer*>(context);
  std::size_t bytes = size * count;
  return appendWithinLimit(*transfer->body, std::string_view(data, bytes)) ? bytes : 0;
}

// Runs on the calling thread, often while data flows and about once a second while it does not.
// Ends the transfer once nothing has arrived for the limit (also while waiting for the answer).
// The library's own low-speed check averages over several seconds, which blurs the limit.
int checkProgress(void* context, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(context);
  Clock::time_point now = Clock::now();
  if (received != transfer->lastBytes) {
    transfer->lastBytes = received;
    transfer->lastData = now;
    return 0;
  }
  return now - transfer->lastData >= transfer->withoutDataLimit ? 1 : 0;
}

void configure(const CurlLibrary& libcurl, CURL* handle, const std::string& url, const HttpLimits& limits,
               Transfer& transfer) {
  setCommonOptions(libcurl, handle, url, httpMaxRedirects);
  libcurl.easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
  libcurl.easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.whole.count()));
  libcurl.easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  libcurl.easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, checkProgress);
  libcurl.easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
  // Refuses at once when the server announces a larger body; appendChunk covers the rest.
  libcurl.easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(httpBodyLimit));
  libcurl.easy_setopt(handle, CURLOPT_WRITEFUNCTION, appendChunk);
  libcurl.easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
}

}  // namespace

bool httpGet(std::wstring_view url, std::string& body, std::uint32_t* status) {
  body.clear();
  if (status) *status = 0;
  const CurlLibrary& libcurl = curlLibrary();
  if (!libcurl.error.empty()) return false;  // the callers treat it as any other failed fetch
  CURL* handle = libcurl.easy_init();
  if (!handle) return false;
  const HttpLimits limits = httpLimits();
  Transfer transfer{&body, limits.withoutData};
  configure(libcurl, handle, wideToUtf8(url), limits, transfer);
  CURLcode result = libcurl.easy_perform(handle);
  long code = 0;
  libcurl.easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
  libcurl.easy_cleanup(handle);
  if (status) *status = static_cast<std::uint32_t>(code);
  // A transfer cut short (time-out, reset, over the limit) is a failure even with status 200:
  // the callers would otherwise decode half a picture or half a JSON text.
  return result == CURLE_OK && code == 200;
}

}  // namespace tarnwick
