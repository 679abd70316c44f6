#include "render/frame_state_from_app.h"

#include "app/localization.h"
#include "lookup/thumb.h"

namespace tarnwick {

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
  s.language = activeLanguage();
  for (int field = 0; field < languageFieldCount; ++field) s.text[field] = languageField(s.language, field);
  for (int row = 0; row < languageCount; ++row) s.languageNames[row] = languageField(row, fieldNativeName);

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
  s.preview.unavailable = p.unavailable;
  s.preview.title = p.title;
  s.preview.channel = p.channel;
  s.preview.durationSeconds = p.durationSeconds;
  s.preview.viewCount = p.viewCount;
  s.preview.height = p.height;
  s.preview.thumb = thumbViewOf(p.thumb);

  s.clockMs = clockMs;
  return s;
}

}  // namespace tarnwick
