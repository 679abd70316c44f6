// One HTTP transfer for the setup's downloads, one implementation per platform
// (file_download_posix.cpp: libcurl; file_download_win32.cpp: URLMon). The rules around it (the
// ".part" file, the checksum, the log lines) are file_download.cpp's. Internal to the setup layer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace tarnwick::setup {

struct TransferResult {
  std::wstring reason;       // why the transfer failed ("HTTP 404", ...); empty when it succeeded
  bool writeFailed = false;  // the body could not be stored: the disk's fault, not the server's
  [[nodiscard]] bool ok() const { return reason.empty() && !writeFailed; }
};

// The progress of a component download as the window shows it: the bar in tenths of a percent
// (at most one post per tenth) and a status line with megabytes. Job thread.
class DownloadProgress {
 public:
  explicit DownloadProgress(std::wstring displayName) : displayName_(std::move(displayName)) {}
  // `total` 0: the length is unknown, so the bar stays indeterminate.
  void update(std::uint64_t received, std::uint64_t total);

 private:
  std::wstring displayName_;
  int lastPermille_ = -1;
};

[[nodiscard]] bool isSuccessStatus(long status);
// "larger than <N> MB"
[[nodiscard]] std::wstring tooLargeReason(std::uint64_t maxBytes);

// Fetches `url` into the new file `part`, which this creates (refusing anything already at that
// name) and flushes to disk, under the limits in force (transferLimits()). Any status other than
// 2xx, a time-out, a body over the size limit, a redirect from https to http and a cancel
// (cancelRequested, which aborts the transfer) are failures. On failure `part` may remain.
[[nodiscard]] TransferResult fetchIntoFile(const std::wstring& url, const std::filesystem::path& part,
                                           DownloadProgress& progress);
// The same into memory, up to `maxBytes`, without progress.
[[nodiscard]] TransferResult fetchIntoMemory(const std::wstring& url, std::string& body, std::uint64_t maxBytes);

}  // namespace tarnwick::setup
