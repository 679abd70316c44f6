#include "app/actions.h"

#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

#include "app/app_settings.h"
#include "app/host.h"
#include "app/localization.h"
#include "app/messages.h"
#include "app/popups.h"
#include "app/status_texts.h"
#include "base/process_runner.h"
#include "base/text.h"
#include "lookup/link_recognition.h"
#include "pipeline/format_tables.h"

namespace tarnwick {
namespace {

// "MP4 · 1080p", "MP3 · 320k", "FLAC".
std::wstring formatDescription(const DownloadRequest& request) {
  if (request.audioMode) {
    const AudioFormat& format = audioFormatTable[static_cast<std::size_t>(request.audioFormat)];
    std::wstring text = format.label;
    if (!format.lossless) {
      text += L" · " + std::to_wstring(bitrateTable[static_cast<std::size_t>(request.bitrate)]) + L"k";
    }
    return text;
  }
  const QualityOption& quality = qualityTable[static_cast<std::size_t>(request.quality)];
  std::wstring qualityLabel = quality.label ? *quality.label : std::wstring(uiField(fieldBest));
  return videoFormatTable[static_cast<std::size_t>(request.videoFormat)].label + L" · " + qualityLabel;
}

// Runs entry(args...) on a detached thread; false when the entry is unset or no thread started.
template <class Entry, class... Args>
bool startDetached(const Entry& entry, Args... args) {
  if (!entry) return false;
  try {
    std::thread([entry, args...]() mutable { entry(std::move(args)...); }).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace

void setStatus(AppState& state, std::int32_t kind, std::int32_t id, std::wstring detail) {
  state.statusKind = kind;
  state.statusId = id;
  state.statusDetail = std::move(detail);
}

std::wstring effectiveFolder(const AppState& state) {
  if (trimText(state.folder).empty()) return downloadsFolder();
  return state.folder;
}

void startDownload(AppState& state, Host& host) {
  if (state.jobState == downloadJobRunning || state.pendingRequest || state.searching) return;
  std::wstring text = trimText(host.linkText());
  if (!text.empty() && !isLinkLike(text)) {
    startSearch(state, host, text);
    return;
  }
  closeResultsPopup(state, host);

  std::unique_ptr<DownloadRequest> request = buildDownloadRequest(state, host);
  if (!request) {
    host.repaint();
    return;
  }
  saveAppSettings(state);
  state.log.appendLogLine(std::wstring(40, L'\u2500'));
  state.log.appendLogLine(std::wstring(uiField(fieldDownload)) + L": " + request->url + L"  (" +
                          formatDescription(*request) + L")");

  if (state.jobState == setupJobRunning) {
    state.pendingRequest = std::move(request);
    state.log.appendLogLine(std::wstring(uiField(fieldQueuedBehindSetup)));
    host.repaint();
    return;
  }
  startJob(state, host, std::move(*request));
}

std::unique_ptr<DownloadRequest> buildDownloadRequest(AppState& state, Host& host) {
  auto request = std::make_unique<DownloadRequest>();
  request->kind = 1;
  request->url = trimText(host.linkText());
  if (request->url.empty()) {
    setStatus(state, statusError, statusText::pasteLinkFirst);
    host.focusLinkBox(LinkSelection::keep);
    return nullptr;
  }
  // A link typed without its scheme ("youtu.be/…", "www.youtube.com/…").
  if (!startsWith(request->url, L"http") && request->url.find(L"youtu") != std::wstring::npos) {
    request->url = L"https://" + request->url;
    host.setLinkText(request->url);
  }
  if (trimText(state.folder).empty()) state.folder = downloadsFolder();

  std::error_code error;
  std::filesystem::path folder = toPath(state.folder);
  std::filesystem::create_directories(folder, error);  // failures show in the check below
  if (state.folder.empty() || !std::filesystem::is_directory(folder, error)) {
    setStatus(state, statusError, statusText::badFolder);
    return nullptr;
  }
  request->folder = state.folder;
  request->audioMode = state.audioMode;
  request->videoFormat = state.videoFormat;
  request->quality = state.quality;
  request->audioFormat = state.audioFormat;
  request->bitrate = state.bitrate;
  request->wholePlaylist = state.wholePlaylist;
  return request;
}

void cancelOrDropPending(AppState& state, Host& host) {
  if (state.pendingRequest) {
    state.pendingRequest.reset();
    host.repaint();
    return;
  }
  if (state.jobState != downloadJobRunning) return;
  setStatus(state, statusBusy, statusText::cancelling);
  host.repaint();
  cancelDownloadJob();
}

void startJob(AppState& state, Host& host, DownloadRequest request) {
  if (state.jobThread.joinable()) state.jobThread.join();
  state.cancelRequested.exchange(false);
  state.progress = -1;
  const bool download = request.kind == 1;
  if (download) state.outputPath.clear();
  state.jobState = download ? downloadJobRunning : setupJobRunning;
  if (download) host.setLinkReadOnly(true);
  applyAnimationTimer(state, host);
  host.repaint();
  setStatus(state, statusBusy, download ? statusText::starting : statusText::preparing);

  const std::int32_t kind = request.kind;
  bool started = false;
  if (state.workers.job) {
    try {
      state.jobThread = std::thread(
          [entry = state.workers.job, request = std::move(request)]() mutable { entry(std::move(request)); });
      started = true;
    } catch (const std::system_error&) {
    }
  }
  if (!started) {
    // No thread: end the job at once as a failure, so the window stays usable.
    state.log.appendLogLine(L"Error: could not start the job thread.");
    handleJobDone(state, host, 1, kind);
  }
}

void startPreview(AppState& state, Host& host, PreviewState preview, bool fetchTitle) {
  const std::uint32_t generation = ++state.previewGeneration;
  terminateJobSlot(previewProcessJob);
  const bool wasActive = state.preview.active;

  PreviewState& p = state.preview;
  p = PreviewState{};
  p.videoId = preview.videoId;
  p.title = preview.title;
  p.channel = preview.channel;
  p.durationSeconds = preview.durationSeconds;
  p.viewCount = preview.viewCount;
  p.height = preview.height;
  p.thumb = preview.thumb;
  p.active = true;
  p.titlePending = fetchTitle;
  p.thumbnailPending = fetchTitle && !p.thumb;  // the title lookup brings the thumbnail
  // While setup runs yt-dlp may be missing; the details follow when setup succeeds.
  p.detailsPending = state.jobState != setupJobRunning;
  p.detailsAfterSetup = !p.detailsPending;

  const bool started =
      startDetached(state.workers.preview, p.videoId, generation, fetchTitle, p.detailsPending);
  if (!started) {
    p.titlePending = false;
    p.detailsPending = false;
    p.thumbnailPending = false;
  }
  if (!wasActive) host.relayout();
  applyAnimationTimer(state, host);
  host.repaint();
}

void clearPreview(AppState& state, Host& host) {
  if (!state.preview.active) return;
  ++state.previewGeneration;
  terminateJobSlot(previewProcessJob);
  state.preview = PreviewState{};
  host.relayout();
  applyAnimationTimer(state, host);
  host.repaint();
}

void startSearch(AppState& state, Host& host, const std::wstring& query) {
  if (state.searching) return;
  closeResultsPopup(state, host);
  state.searching = true;
  state.log.appendLogLine(std::wstring(uiField(fieldSearch)) + L": " + query);

  if (state.jobState == setupJobRunning) {
    state.queuedSearch = query;
  } else {
    const std::uint32_t generation = ++state.searchGeneration;
    terminateJobSlot(searchProcessJob);
    if (!startDetached(state.workers.search, query, generation)) {
      state.searching = false;
      setStatus(state, statusError, statusText::searchFailed);
    }
  }
  applyAnimationTimer(state, host);
  host.repaint();
}

}  // namespace tarnwick
