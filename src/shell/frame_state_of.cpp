#include "shell/frame_state_of.h"

#include "app/localization.h"
#include "lookup/thumb.h"
#include "lookup/video_search.h"

namespace tarnwick {
namespace {

template <class Source>
void copyMedia(MediaView& out, const Source& in) {
  out.title = in.title;
  out.channel = in.channel;
  out.durationSeconds = in.durationSeconds;
  out.viewCount = in.viewCount;
  out.height = in.height;
  out.thumb = thumbViewOf(in.thumb);
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

FrameState frameStateOf(const AppState& s, bool mainWindowHasFocus, std::uint64_t clockMs) {
  FrameState f;
  const int row = activeLanguage();
  f.language = row;
  for (int i = 0; i < kLanguageFieldCount; ++i) f.text[i] = languageField(row, i);
  for (int r = 0; r < kLanguageCount; ++r) f.languageNames[r] = languageField(r, fieldNativeName);

  f.audioMode = s.audioMode;
  f.wholePlaylist = s.wholePlaylist;
  f.videoFormat = s.videoFormat;
  f.quality = s.quality;
  f.audioFormat = s.audioFormat;
  f.bitrate = s.bitrate;
  f.folder = s.folder;

  f.jobState = s.jobState;
  f.statusKind = s.statusKind;
  f.statusId = s.statusId;
  f.statusDetail = s.statusDetail;
  f.progress = s.progress;
  f.hasOutputPath = !s.outputPath.empty();
  f.pendingRequest = s.pendingRequest != nullptr;

  f.searching = s.searching;
  f.searchMode = s.searchMode;
  f.linkBoxFocused = s.linkBoxFocused;
  f.hoverId = s.hoverId;
  f.pressedId = s.pressedId;
  f.focusId = s.focusId;
  f.focusVisible = s.focusVisible;
  f.mainWindowHasFocus = mainWindowHasFocus;

  f.langPopupOpen = s.langPopup;
  f.langPopupHover = s.langPopupHover;

  copyMedia(f.preview, s.preview);
  f.preview.active = s.preview.active;
  f.preview.titlePending = s.preview.titlePending;
  f.preview.detailsPending = s.preview.detailsPending;
  f.preview.unavailable = s.preview.unavailable;

  f.results.resize(s.results.size());
  for (std::size_t i = 0; i < s.results.size(); ++i) copyMedia(f.results[i], s.results[i]);
  f.resultsSelection = s.resultsSelection;
  f.resultsScroll = s.resultsScroll;
  f.clockMs = clockMs;
  return f;
}

}  // namespace tarnwick
