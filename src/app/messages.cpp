#include "app/messages.h"

#include <utility>

#include "app/actions.h"
#include "app/host.h"
#include "app/localization.h"
#include "app/popups.h"
#include "app/status_texts.h"
#include "base/text.h"
#include "lookup/video_preview.h"
#include "lookup/video_search.h"
#include "pipeline/format_tables.h"

namespace tarnwick {
namespace {

// yt-dlp prints a progress line for every piece it receives: the bar repaints only when its
// value changes, and then only the status card.
void onProgress(AppState& state, Host& host, const Message& message) {
  const double percent = static_cast<double>(message.wParam) / 10.0;
  const double before = state.progress;
  // Without a total size yt-dlp has no percentage, and that arrives as 0: the bar keeps moving
  // until a real percentage is known.
  if (message.lParam == 1) {
    state.progress = -1;
  } else if (percent > 0 || state.progress >= 0) {
    state.progress = percent;
  }
  if (state.progress != before) host.repaintStatus();
}

void onStatus(AppState& state, Host& host, const Message& message) {
  // A status that arrives after Cancel must not overwrite "Cancelling …". A worker's status is
  // always work in progress, whatever a validation error made of the line before.
  if (state.jobState == noJob || state.cancelRequested.load()) return;
  const std::int32_t kindBefore = state.statusKind;
  std::wstring text = message.text();
  if (kindBefore == statusBusy && state.statusId == -1 && state.statusDetail == text) return;
  setStatus(state, statusBusy, -1, std::move(text));
  if (kindBefore == statusBusy) {
    host.repaintStatus();
  } else {
    host.repaint();
  }
}

void setupDone(AppState& state, Host& host, int outcome) {
  std::unique_ptr<DownloadRequest> request = std::move(state.pendingRequest);
  std::wstring search = std::move(state.queuedSearch);
  state.queuedSearch.clear();
  state.searching = false;
  if (outcome != 0) {
    // The queued download and search are dropped with the failed setup, and so are the details
    // a preview waited for.
    PreviewState& preview = state.preview;
    if (preview.detailsAfterSetup) {
      preview.detailsAfterSetup = false;
      if (preview.title.empty() && !preview.titlePending) preview.unavailable = true;
    }
    setStatus(state, statusError, statusText::setupFailed);
    state.log.appendLogLine(L"\u2716 " + uiText(statusText::setupFailed));
    applyAnimationTimer(state, host);
    return;
  }
  setStatus(state, statusNormal, statusText::ready);
  const PreviewState& preview = state.preview;
  if (preview.active && !preview.unavailable && preview.height == 0) {
    // yt-dlp exists now: fetch the details the preview could not get during setup. Restarting
    // makes the first worker's outstanding title reply stale, and that worker then skips the
    // thumbnail too; so the title lookup (which brings the thumbnail) runs again unless both are
    // already here. A title lookup that failed during setup is tried again too.
    const bool fetchTitle = preview.titlePending || !preview.thumb || preview.title.empty();
    startPreview(state, host, preview, fetchTitle);
  }
  if (!search.empty()) startSearch(state, host, search);
  if (request) startJob(state, host, std::move(*request));
  applyAnimationTimer(state, host);
}

void downloadDone(AppState& state, Host& host, int outcome) {
  if (outcome == 1) {
    setStatus(state, statusError, statusText::failed);
    state.log.appendLogLine(L"\u2716 " + uiText(statusText::failed));
    host.beep(Beep::error);
  } else if (outcome == 2) {
    setStatus(state, statusCancelled, statusText::cancelled);
    state.log.appendLogLine(L"\u2716 " + uiText(statusText::cancelled));
  } else {
    std::wstring name = state.outputPath.empty() ? std::wstring() : fileNameOf(state.outputPath);
    setStatus(state, statusDone, statusText::done, name);
    state.log.appendLogLine(L"\u2714 " + std::wstring(uiField(fieldDone)) + L"  " + state.outputPath);
    host.beep(Beep::success);
    host.requestAttention(statusLine(state));
  }
}

void onSearchResults(AppState& state, Host& host, Message& message) {
  std::unique_ptr<SearchReply> reply = message.payload.take<SearchReply>();
  if (!reply || reply->generation != state.searchGeneration.load()) return;
  state.searching = false;
  applyAnimationTimer(state, host);
  host.repaint();

  // Hits already known keep their decoded thumbnail.
  for (SearchResult& hit : reply->hits) {
    for (const SearchResult& old : state.results) {
      if (old.videoId == hit.videoId && old.thumb) {
        hit.thumb = old.thumb;
        break;
      }
    }
  }
  state.results = std::move(reply->hits);

  // A search that ends while a download runs must not take over the download's status line.
  const bool statusFree = state.jobState != downloadJobRunning;
  if (!state.results.empty()) {
    if (statusFree && state.statusKind == statusError) setStatus(state, statusNormal, statusText::ready);
    openResultsPopup(state, host);
  } else if (statusFree) {
    setStatus(state, statusError, reply->exitCode != 0 ? statusText::searchFailed : statusText::noResults);
  }
}

void onVideoInfo(AppState& state, Host& host, Message& message) {
  std::unique_ptr<VideoInfo> info = message.payload.take<VideoInfo>();
  if (!info || info->generation != state.previewGeneration.load() || !state.preview.active) return;
  PreviewState& p = state.preview;
  const bool titleReply = info->source == 1;
  if (info->ok) {
    // The title lookup's names win over the detail lookup's.
    if (p.title.empty() || titleReply) p.title = info->title;
    if (p.channel.empty() || titleReply) p.channel = info->channel;
  }
  if (!titleReply) {
    p.titlePending = false;
    p.detailsPending = false;
    if (info->ok) {
      if (info->durationSeconds > 0) p.durationSeconds = info->durationSeconds;
      if (info->viewCount >= 0) p.viewCount = info->viewCount;
      p.height = info->height > 0 ? info->height : 0;  // yt-dlp prints NA as −1; 0 means absent
    } else if (p.title.empty()) {
      p.unavailable = true;
    }
  } else {
    p.titlePending = false;
    // A failed oEmbed reply (embedding disabled, no network) is not the last word while the
    // detail lookup is still to come.
    if (!info->ok && !p.detailsPending && !p.detailsAfterSetup) p.unavailable = true;
  }
  applyAnimationTimer(state, host);
  host.repaint();
}

void onThumbnail(AppState& state, Host& host, Message& message) {
  std::unique_ptr<ThumbnailData> data = message.payload.take<ThumbnailData>();
  if (!data) return;
  PreviewState& p = state.preview;
  if (p.active && p.videoId == data->videoId) {
    p.thumbnailPending = false;
    if (!p.thumb) p.thumb = data->thumb;
  }
  for (SearchResult& hit : state.results) {
    if (hit.videoId == data->videoId && !hit.thumb) hit.thumb = data->thumb;
  }
  applyAnimationTimer(state, host);
  host.repaint();
  if (state.resultsPopup) host.refreshResultsPopup();
}

}  // namespace

void handleJobDone(AppState& state, Host& host, int outcome, std::int32_t kind) {
  if (state.jobThread.joinable()) state.jobThread.join();
  state.jobState = noJob;
  host.setLinkReadOnly(false);
  applyAnimationTimer(state, host);
  host.repaint();
  if (kind == 0) {
    setupDone(state, host, outcome);
  } else {
    downloadDone(state, host, outcome);
  }
}

void handleMessage(AppState& state, Host& host, Message& message) {
  switch (message.id) {
    case WM_APP_LOG:
      state.log.appendLogLine(message.text());
      break;
    case WM_APP_PROGRESS:
      onProgress(state, host, message);
      break;
    case WM_APP_STATUS:
      onStatus(state, host, message);
      break;
    case WM_APP_OUTPUT_PATH:
      state.outputPath = trimText(message.text());
      break;
    case WM_APP_JOB_DONE:
      handleJobDone(state, host, static_cast<int>(message.wParam), static_cast<std::int32_t>(message.lParam));
      break;
    case WM_APP_SEARCH_RESULTS:
      onSearchResults(state, host, message);
      break;
    case WM_APP_VIDEO_INFO:
      onVideoInfo(state, host, message);
      break;
    case WM_APP_THUMBNAIL:
      onThumbnail(state, host, message);
      break;
    default:
      break;
  }
  message.payload = Payload();
}

void drainMessages(AppState& state, Host& host) {
  for (Message& message : takePostedMessages()) handleMessage(state, host, message);
}

}  // namespace tarnwick
