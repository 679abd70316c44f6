#include "setup/file_download.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "base/channel.h"
#include "base/curl_library_posix.h"
#include "base/job_control.h"
#include "base/sha256.h"
#include "base/text.h"
#include "base/worker_texts.h"
#include "setup/file_system.h"
#include "setup/setup_overrides.h"

namespace tarnwick {
namespace fs = std::filesystem;
namespace {

constexpr long maxRedirects = 10;
constexpr double bytesPerMegabyte = 1048576.0;
// Far above any checksum list (yt-dlp's names a few dozen files).
constexpr std::uint64_t smallFileLimit = 1 << 20;

using Clock = std::chrono::steady_clock;

// State of one transfer; lives on downloadFile's stack. libcurl calls back on the same thread.
struct Transfer {
  const CurlLibrary* libcurl = nullptr;
  CURL* handle = nullptr;
  std::FILE* file = nullptr;      // where the body goes, or
  std::string* memory = nullptr;  // for a small file kept in memory
  bool postsProgress = true;
  std::wstring displayName;
  int lastPermille = -1;
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

bool isSuccessStatus(long status) {
  return status >= 200 && status <= 299;
}

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

std::wstring megabytes(curl_off_t bytes) {
  return formatFixed(static_cast<double>(bytes) / bytesPerMegabyte, 1);
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
  if (!t.postsProgress || total <= 0 || !isSuccessStatus(responseStatus(t))) return 0;
  int permille = static_cast<int>(static_cast<double>(now) * 1000.0 / static_cast<double>(total));
  permille = permille < 0 ? 0 : (permille > 1000 ? 1000 : permille);
  if (permille == t.lastPermille) return 0;  // the whole throttle: one post per tenth of a percent
  t.lastPermille = permille;
  postMessage(WM_APP_PROGRESS, static_cast<std::uintptr_t>(permille), 0);
  postText(WM_APP_STATUS, workerText(WorkerText::settingUpDownload, t.displayName) + L"  \u00B7  " +
                              megabytes(now) + L" / " + megabytes(total) + L" MB");
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
    return L"larger than " + megabytes(static_cast<curl_off_t>(transfer.maxBytes)) + L" MB";
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

void removeQuietly(const fs::path& path) {
  std::error_code ec;
  fs::remove(path, ec);
}

}  // namespace

std::wstring downloadSmallFile(const std::wstring& url, std::string& body) {
  body.clear();
  Transfer transfer;
  transfer.memory = &body;
  transfer.postsProgress = false;
  transfer.maxBytes = smallFileLimit;
  return transferFile(url, transfer);
}

bool downloadFile(const std::wstring& url, const std::wstring& destination, const std::wstring& displayName,
                  bool executable, std::string_view expectedSha256) {
  const std::wstring start = workerText(WorkerText::settingUpDownload, displayName) + L" \u2026";
  postText(WM_APP_LOG, start);
  postProgress(-1);
  postText(WM_APP_STATUS, start);

  const fs::path target = toPath(destination);
  fs::path part = target;
  part += ".part";
  removeQuietly(part);  // a leftover from an interrupted run, or a link someone placed there
  Transfer transfer;
  transfer.displayName = displayName;
  transfer.file = setup::createNewFile(part);
  if (!transfer.file) {
    postText(WM_APP_LOG, L"Error: could not write " + destination);
    return false;
  }

  std::wstring reason = transferFile(url, transfer);
  bool stored = setup::syncAndClose(transfer.file) && !transfer.writeFailed;

  if (!reason.empty() || !stored) {
    removeQuietly(part);
    if (cancelRequested.load()) return false;
    if (reason.empty() || transfer.writeFailed)
      postText(WM_APP_LOG, L"Error: could not write " + destination);
    else
      postText(WM_APP_LOG, L"Error: download of " + displayName + L" failed (" + reason + L").");
    return false;
  }
  if (!expectedSha256.empty() && sha256OfFile(part) != expectedSha256) {
    removeQuietly(part);
    postText(WM_APP_LOG,
             L"Error: the download of " + displayName + L" does not match its published checksum.");
    return false;
  }
  if (executable && !setup::makeExecutable(part)) {
    removeQuietly(part);
    postText(WM_APP_LOG, L"Error: could not write " + destination);
    return false;
  }
  std::error_code ec;
  fs::rename(part, target, ec);
  if (ec) {
    // The .part stays; the next attempt starts it afresh.
    postText(WM_APP_LOG, L"Error: could not write " + destination);
    return false;
  }
  return true;
}

}  // namespace tarnwick
