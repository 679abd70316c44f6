#include "render/frame_state_from_app.h"

#include "app/localization.h"
#include "lookup/thumb.h"
#include "lookup/video_search.h"

namespace tarnwick {
namespace {

// A preview and a search hit carry the same fields (a chosen hit becomes the preview unchanged).
template <typename Video>
void viewVideo(const Video& video, MediaView& view) {
  view.title = video.title;
  view.channel = video.channel;
  view.durationSeconds = video.durationSeconds;
  view.viewCount = video.viewCount;
  view.height = video.height;
  view.thumb = thumbViewOf(video.thumb);
}

}  // namespace

ThumbView thumbViewOf(const std::shared_ptr<Thumb>& thumb) {
  ThumbView view;
  if (!thumb || thumb->pixels.empty()) return view;
  view.owner = std::shared_ptr<const void>(thumb, thumb.get());
  view.pixels = reinterpret_cast<const std::uint8_t*>(thumb->pixels.data());
  view.width = thumb->width;
  view.height = thumb->height;
  view.stride = thumb->stride;
  return view;
}

void viewLanguage(FrameState& state, int row) {
  state.language = row;
  for (int field = 0; field < languageFieldCount; ++field) state.text[field] = languageField(row, field);
  for (int i = 0; i < languageCount; ++i) state.languageNames[i] = languageField(i, fieldNativeName);
}

EnabledElements enabledElementsOf(const AppState& app) {
  EnabledElements enabled;
  for (int slot = 0; slot < EnabledElements::kCount; ++slot) {
    const ElementId id = EnabledElements::element(slot);
    enabled.set(id, isElementEnabled(app, id));
  }
  return enabled;
}

FrameState frameStateFrom(const AppState& app, bool mainWindowHasFocus, std::uint64_t clockMs) {
  FrameState s;
  viewLanguage(s, activeLanguage());

  s.audioMode = app.audioMode;
  s.wholePlaylist = app.wholePlaylist;
  s.videoFormat = app.videoFormat;
  s.quality = app.quality;
  s.audioFormat = app.audioFormat;
  s.bitrate = app.bitrate;
  s.folder = app.folder;

  s.jobState = app.jobState;
  s.statusKind = app.statusKind;
  s.statusId = app.statusId;
  s.statusDetail = app.statusDetail;
  s.progress = app.progress;
  s.pendingRequest = app.pendingRequest != nullptr;

  s.searching = app.searching;
  s.searchMode = app.searchMode;
  s.linkBoxFocused = app.linkBoxFocused;

  s.enabled = enabledElementsOf(app);
  s.hoverId = app.hoverId;
  s.pressedId = app.pressedId;
  s.focusId = app.focusId;
  s.focusVisible = app.focusVisible;
  s.mainWindowHasFocus = mainWindowHasFocus;

  s.langPopupOpen = app.langPopup;
  s.langPopupHover = app.langPopupHover;
  s.resultsSelection = app.resultsSelection;
  s.resultsScroll = app.resultsScroll;

  const PreviewState& p = app.preview;
  s.preview.active = p.active;
  s.preview.titlePending = p.titlePending;
  s.preview.detailsPending = p.detailsPending;
  s.preview.thumbnailPending = p.thumbnailPending;
  s.preview.unavailable = p.unavailable;
  viewVideo(p, s.preview);

  s.results.resize(app.results.size());
  for (std::size_t i = 0; i < app.results.size(); ++i) viewVideo(app.results[i], s.results[i]);

  s.clockMs = clockMs;
  return s;
}

}  // namespace tarnwick
