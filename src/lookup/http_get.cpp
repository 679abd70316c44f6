#define TARNWICK_LOOKUP_INTERNAL
#include "lookup/http_get.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <mutex>

#include "base/text.h"
#include "lookup/lookup_testing.h"

namespace tarnwick {
namespace {

using Clock = std::chrono::steady_clock;

constexpr long defaultConnectMs = 15000;
constexpr long defaultWithoutDataMs = 15000;
constexpr long maxRedirects = 8;

std::atomic<long> connectTimeoutMs{defaultConnectMs};
std::atomic<long> withoutDataMs{defaultWithoutDataMs};

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
  if (bytes > httpBodyLimit - transfer->body->size()) return 0;
  transfer->body->append(data, bytes);
  return bytes;
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

void initialiseOnce() {
  // curl_global_init is not thread-safe in every libcurl; the workers may race to the first call.
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void configure(CURL* curl, const std::string& url, Transfer& transfer) {
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Tarnwick/1.0");
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, maxRedirects);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // worker threads: no SIGALRM for DNS time-outs
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs.load());
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, checkProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
  // Refuses at once when the server announces a larger body; appendChunk covers the rest.
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(httpBodyLimit));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendChunk);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
}

}  // namespace

bool httpGet(std::wstring_view url, std::string& body, std::uint32_t* status) {
  body.clear();
  if (status) *status = 0;
  initialiseOnce();
  CURL* curl = curl_easy_init();
  if (!curl) return false;
  Transfer transfer{&body, std::chrono::milliseconds(withoutDataMs.load())};
  configure(curl, wideToUtf8(url), transfer);
  CURLcode result = curl_easy_perform(curl);
  long code = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
  curl_easy_cleanup(curl);
  if (status) *status = static_cast<std::uint32_t>(code);
  // A transfer cut short (time-out, reset, over the limit) is a failure even with status 200:
  // the callers would otherwise decode half a picture or half a JSON text.
  return result == CURLE_OK && code == 200;
}

namespace testing {

void setHttpTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds withoutData) {
  connectTimeoutMs = static_cast<long>(connect.count());
  withoutDataMs = static_cast<long>(withoutData.count());
}

void resetHttpTimeouts() {
  connectTimeoutMs = defaultConnectMs;
  withoutDataMs = defaultWithoutDataMs;
}

}  // namespace testing
}  // namespace tarnwick
