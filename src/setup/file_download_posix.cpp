#include <chrono>
#include <cstdio>
#include <filesystem>

#include "base/curl_library_posix.h"
#include "base/job_control.h"
#include "base/text.h"
#include "setup/file_system.h"
#include "setup/file_transfer.h"
#include "setup/setup_overrides.h"

namespace tarnwick::setup {
namespace fs = std::filesystem;
namespace {

constexpr long maxRedirects = 10;

using Clock = std::chrono::steady_clock;

// State of one transfer; lives on downloadFile's stack. libcurl calls back on the same thread.
struct Transfer {
  const CurlLibrary* libcurl = nullptr;
  CURL* handle = nullptr;
  std::FILE* file = nullptr;      // where the body goes, or
  std::string* memory = nullptr;  // for a small file kept in memory
  DownloadProgress* progress = nullptr;
  long refusedStatus = 0;  // a final response that was not 2xx
  bool writeFailed = false;
  std::uint64_t maxBytes = 0;  // 0: the limit in force for component downloads
  std::uint64_t received = 0;
  bool tooLarge = false;
  // Silence is measured from the request (once connected) or the last data received.
  Clock::duration silenceLimit{};
  bool connected = false;
  curl_off_t lastReceived = 0;
  Clock::time_point lastActivity{};
  bool silent = false;
};

long responseStatus(const Transfer& t) {
  long status = 0;
  t.libcurl->easy_getinfo(t.handle, CURLINFO_RESPONSE_CODE, &status);
  return status;
}

std::size_t onData(char* data, std::size_t size, std::size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  // Redirect bodies never reach this callback, so any other status here is the final answer:
  // its body (an error page) is not what we asked for.
  if (long status = responseStatus(t); !isSuccessStatus(status)) {
    t.refusedStatus = status;
    return 0;
  }
  std::size_t bytes = size * count;
  // A body without an announced length is stopped at the limit as well.
  if (bytes > t.maxBytes - t.received) {
    t.tooLarge = true;
    return 0;
  }
  t.received += bytes;
  if (t.memory) {
    t.memory->append(data, bytes);
    return bytes;
  }
  if (std::fwrite(data, 1, bytes, t.file) != bytes) {
    t.writeFailed = true;
    return 0;
  }
  return bytes;
}

// Called once a connection stands, right before each request (redirects included).
int onConnected(void* user, char*, char*, int, int) {
  auto& t = *static_cast<Transfer*>(user);
  t.connected = true;
  t.lastActivity = Clock::now();
  return CURL_PREREQFUNC_OK;
}

// libcurl's own low-speed limit averages over several seconds, so a burst of data would stretch
// the allowed silence; this counts the silence itself. libcurl calls back at least once a second.
bool hasGoneSilent(Transfer& t, curl_off_t received) {
  if (!t.connected) return false;  // the connect time-out covers this part
  Clock::time_point clock = Clock::now();
  if (received != t.lastReceived) {
    t.lastReceived = received;
    t.lastActivity = clock;
    return false;
  }
  return clock - t.lastActivity >= t.silenceLimit;
}

int onProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
  auto& t = *static_cast<Transfer*>(user);
  if (cancelRequested.load()) return 1;  // aborts the transfer
  if (hasGoneSilent(t, now)) {
    t.silent = true;
    return 1;
  }
  // Without a length the bar stays indeterminate; an error page's length is no progress either.
  if (!t.progress || total <= 0 || !isSuccessStatus(responseStatus(t))) return 0;
  t.progress->update(static_cast<std::uint64_t>(now), static_cast<std::uint64_t>(total));
  return 0;
}

void configure(const std::string& url, Transfer& transfer) {
  const setup::TransferLimits limits = setup::transferLimits();
  const CurlLibrary& libcurl = *transfer.libcurl;
  CURL* handle = transfer.handle;
  setCommonOptions(libcurl, handle, url, maxRedirects);
  libcurl.easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
  libcurl.easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.whole.count()));
  // An announced length over the limit ends the transfer before its first byte.
  if (transfer.maxBytes == 0) transfer.maxBytes = limits.maxBytes;
  libcurl.easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(transfer.maxBytes));
  transfer.silenceLimit = limits.silence;
  libcurl.easy_setopt(handle, CURLOPT_PREREQFUNCTION, onConnected);
  libcurl.easy_setopt(handle, CURLOPT_PREREQDATA, &transfer);
  libcurl.easy_setopt(handle, CURLOPT_WRITEFUNCTION, onData);
  libcurl.easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
  libcurl.easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, onProgress);
  libcurl.easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
  libcurl.easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
}

// The reason for the error line, or empty when the transfer succeeded.
std::wstring failureReason(CURLcode result, const Transfer& transfer) {
  if (transfer.refusedStatus != 0) return L"HTTP " + std::to_wstring(transfer.refusedStatus);
  if (transfer.tooLarge || result == CURLE_FILESIZE_EXCEEDED)
    return tooLargeReason(transfer.maxBytes);
  if (transfer.silent) result = CURLE_OPERATION_TIMEDOUT;
  if (result != CURLE_OK)
    return L"curl error " + std::to_wstring(static_cast<int>(result)) + L": " +
           utf8ToWide(transfer.libcurl->easy_strerror(result));
  // A transfer that ended on a status other than 2xx without a body (304, an unfollowed 3xx).
  if (long status = responseStatus(transfer); !isSuccessStatus(status))
    return L"HTTP " + std::to_wstring(status);
  return {};
}

// Runs the whole transfer into transfer.file; answers why it failed, or empty.
std::wstring transferFile(const std::wstring& url, Transfer& transfer) {
  const CurlLibrary& libcurl = curlLibrary();
  if (!libcurl.error.empty()) return utf8ToWide(libcurl.error);
  transfer.libcurl = &libcurl;
  transfer.handle = libcurl.easy_init();
  if (!transfer.handle) return L"curl error 2: Failed initialization";
  configure(wideToUtf8(url), transfer);
  CURLcode result = libcurl.easy_perform(transfer.handle);
  std::wstring reason = failureReason(result, transfer);
  libcurl.easy_cleanup(transfer.handle);
  return reason;
}

}  // namespace

TransferResult fetchIntoMemory(const std::wstring& url, std::string& body, std::uint64_t maxBytes) {
  Transfer transfer;
  transfer.memory = &body;
  transfer.maxBytes = maxBytes;
  return {transferFile(url, transfer), false};
}

TransferResult fetchIntoFile(const std::wstring& url, const fs::path& part, DownloadProgress& progress) {
  Transfer transfer;
  transfer.progress = &progress;
  transfer.file = createNewFile(part);
  if (!transfer.file) return {{}, true};
  std::wstring reason = transferFile(url, transfer);
  bool stored = syncAndClose(transfer.file) && !transfer.writeFailed;
  return {reason, !stored};
}

}  // namespace tarnwick::setup
