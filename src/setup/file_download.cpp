#include "setup/file_download.h"

#include <filesystem>

#include "base/channel.h"
#include "base/job_control.h"
#include "base/sha256.h"
#include "base/text.h"
#include "base/worker_texts.h"
#include "setup/file_system.h"
#include "setup/file_transfer.h"

namespace tarnwick {
namespace fs = std::filesystem;
namespace {

constexpr double bytesPerMegabyte = 1048576.0;
// Far above any checksum list (yt-dlp's names a few dozen files).
constexpr std::uint64_t smallFileLimit = 1 << 20;

std::wstring megabytes(std::uint64_t bytes) {
  return formatFixed(static_cast<double>(bytes) / bytesPerMegabyte, 1);
}

void removeQuietly(const fs::path& path) {
  std::error_code ec;
  fs::remove(path, ec);
}

}  // namespace

namespace setup {

bool isSuccessStatus(long status) {
  return status >= 200 && status <= 299;
}

std::wstring tooLargeReason(std::uint64_t maxBytes) {
  return L"larger than " + megabytes(maxBytes) + L" MB";
}

void DownloadProgress::update(std::uint64_t received, std::uint64_t total) {
  if (total == 0) return;
  int permille = static_cast<int>(static_cast<double>(received) * 1000.0 / static_cast<double>(total));
  permille = permille < 0 ? 0 : (permille > 1000 ? 1000 : permille);
  if (permille == lastPermille_) return;  // the whole throttle: one post per tenth of a percent
  lastPermille_ = permille;
  postMessage(WM_APP_PROGRESS, static_cast<std::uintptr_t>(permille), 0);
  postText(WM_APP_STATUS, workerText(WorkerText::settingUpDownload, displayName_) + L"  \u00B7  " +
                              megabytes(received) + L" / " + megabytes(total) + L" MB");
}

}  // namespace setup

std::wstring downloadSmallFile(const std::wstring& url, std::string& body) {
  body.clear();
  return setup::fetchIntoMemory(url, body, smallFileLimit).reason;
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
  setup::DownloadProgress progress(displayName);
  setup::TransferResult result = setup::fetchIntoFile(url, part, progress);

  if (!result.ok()) {
    removeQuietly(part);
    if (cancelRequested.load()) return false;
    if (result.writeFailed)
      postText(WM_APP_LOG, L"Error: could not write " + destination);
    else
      postText(WM_APP_LOG, L"Error: download of " + displayName + L" failed (" + result.reason + L").");
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
  if (!setup::replaceFile(part, target)) {
    // The .part stays; the next attempt starts it afresh.
    postText(WM_APP_LOG, L"Error: could not write " + destination);
    return false;
  }
  return true;
}

}  // namespace tarnwick
