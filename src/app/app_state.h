// The UI thread's single source of truth: everything the window shows is derived from AppState.
//
// Only the UI thread reads or writes an AppState. Workers never touch it; they post messages
// (base/channel.h) that the handlers in app/messages.h apply. The few variables shared with
// workers (language, cancelRequested, the generation counters) are the process-wide atomics of
// base/job_control.h; AppState refers to them under the same names.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/log_model.h"
#include "base/job_control.h"

namespace tarnwick {

struct DownloadRequest;  // pipeline/format_tables.h
struct Thumb;            // lookup: a decoded thumbnail, always shared
struct SearchResult;     // lookup: one search hit
class Host;              // app/host.h: what only the window can do

// The clickable elements of the main window. The hit test answers them, the actions act on them.
// Chips are numbered from their group's base: formatChip + i and qualityChip + i.
enum class ElementId : std::int32_t {
  none = 0,
  language = 1,      // opens the language popup
  paste = 2,         // "Paste"
  download = 3,      // "Download" / "Cancel" / "Search"
  videoMode = 4,     // "Video"
  audioMode = 5,     // "Audio"
  playlist = 6,      // "Whole playlist"
  changeFolder = 7,  // "Change"
  openFolder = 8,    // "Open"
  showInFolder = 9,  // "Show in folder"
  clearLog = 10,     // "Clear"
  footerLink = 11,
  formatChip = 100,   // + i: video format i in Video mode, audio format i in Audio mode
  qualityChip = 200,  // + i: quality row i in Video mode, bitrate row i in Audio mode
};

[[nodiscard]] constexpr ElementId formatChipId(int i) {
  return static_cast<ElementId>(static_cast<int>(ElementId::formatChip) + i);
}
[[nodiscard]] constexpr ElementId qualityChipId(int i) {
  return static_cast<ElementId>(static_cast<int>(ElementId::qualityChip) + i);
}
[[nodiscard]] constexpr bool isFormatChip(ElementId id) {
  return static_cast<int>(id) >= 100 && static_cast<int>(id) <= 109;
}
[[nodiscard]] constexpr bool isQualityChip(ElementId id) {
  return static_cast<int>(id) >= 200 && static_cast<int>(id) <= 209;
}
// Row index of a chip (id − 100 or id − 200); −1 for other elements.
[[nodiscard]] constexpr int chipIndex(ElementId id) {
  if (isFormatChip(id)) return static_cast<int>(id) - 100;
  if (isQualityChip(id)) return static_cast<int>(id) - 200;
  return -1;
}
// Arrow-key groups: 1 = the two modes, 2 = format chips, 3 = quality/bitrate chips, 0 = none.
[[nodiscard]] constexpr int elementGroup(ElementId id) {
  if (id == ElementId::videoMode || id == ElementId::audioMode) return 1;
  if (isFormatChip(id)) return 2;
  if (isQualityChip(id)) return 3;
  return 0;
}

// The preview card of the link in the link box. Its first seven fields match SearchResult's, so a
// chosen hit is handed to startPreview unchanged.
struct PreviewState {
  std::wstring videoId;  // "" when none
  std::wstring title;    // "" until known
  std::wstring channel;  // "" until known
  double durationSeconds = -1;
  std::int64_t viewCount = -1;
  std::int32_t height = 0;  // best video height; 0 = absent
  std::shared_ptr<Thumb> thumb;
  bool active = false;             // a preview is shown
  bool titlePending = false;       // the title lookup is outstanding
  bool detailsPending = false;     // the yt-dlp detail lookup is outstanding
  bool thumbnailPending = false;   // the thumbnail reply is outstanding (it may bring no picture)
  bool detailsAfterSetup = false;  // started during setup: the details follow when it succeeds
  bool unavailable = false;        // the video turned out unavailable or private
};

// Status kinds; the painter colours the status line by them.
inline constexpr std::int32_t statusNormal = 0;
inline constexpr std::int32_t statusBusy = 1;
inline constexpr std::int32_t statusDone = 2;
inline constexpr std::int32_t statusError = 3;
inline constexpr std::int32_t statusCancelled = 4;

// Job states.
inline constexpr std::int32_t noJob = 0;
inline constexpr std::int32_t setupJobRunning = 1;
inline constexpr std::int32_t downloadJobRunning = 2;

// Worker entry points, replaceable so that tests can see what would start without running tools.
// Each is called on the new thread.
struct WorkerEntries {
  std::function<void(DownloadRequest request)> job;
  std::function<void(std::wstring videoId, std::uint32_t generation, bool fetchTitle, bool fetchDetails)>
      preview;
  std::function<void(std::wstring query, std::uint32_t generation)> search;
};

// Milliseconds of a monotonic clock (the click guards, the popup re-open guard).
using TickSource = std::function<std::uint64_t()>;
[[nodiscard]] std::uint64_t steadyTicks();

struct AppState {
  AppState();
  ~AppState();  // joins a job thread still running
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  std::uint32_t dpi = 96;  // 96 = 100 %

  // The eight settings (loaded and saved as a whole).
  std::atomic<std::int32_t>& language = tarnwick::language;  // 0..16, shared with workers
  bool audioMode = false;                                    // false = Video, true = Audio
  bool wholePlaylist = false;
  std::int32_t videoFormat = 0;  // videoFormatTable row
  std::int32_t quality = 4;      // qualityTable row; 0 = best available
  std::int32_t audioFormat = 0;  // audioFormatTable row
  std::int32_t bitrate = 0;      // bitrateTable row
  std::wstring folder;

  // The job and the status line.
  std::int32_t jobState = noJob;
  std::int32_t statusKind = statusNormal;
  std::int32_t statusId = -1;  // uiText id (LanguagePack field statusId + 2); −1 = none
  std::wstring statusDetail;
  double progress = -1;     // percent 0..100, −1 = indeterminate
  std::wstring outputPath;  // the last download's file; emptied when a download starts
  std::unique_ptr<DownloadRequest> pendingRequest;                 // only while jobState is 1
  std::atomic<bool>& cancelRequested = tarnwick::cancelRequested;  // shared with the job
  std::thread jobThread;                                           // joined on JOB_DONE or at close

  // Preview and search.
  PreviewState preview;
  std::atomic<std::uint32_t>& previewGeneration = tarnwick::previewGeneration;
  std::atomic<std::uint32_t>& searchGeneration = tarnwick::searchGeneration;
  bool searching = false;
  std::wstring queuedSearch;  // typed while setup runs
  bool searchMode = false;    // the trimmed link-box text is non-empty and not a link
  std::vector<SearchResult> results;

  // Pointer and keyboard.
  ElementId hoverId = ElementId::none;
  ElementId pressedId = ElementId::none;
  ElementId focusId = ElementId::none;  // none = the link box holds the focus
  bool focusVisible = false;            // draw the focus ring (keyboard navigation)
  bool mouseTracked = false;
  bool linkBoxFocused = false;
  std::optional<std::uint64_t> lastDownloadClick;  // ticks of the last accepted Download/Cancel

  // Popups. langPopup / resultsPopup: the popup is open.
  bool langPopup = false;
  std::int32_t langPopupHover = -1;
  std::optional<std::uint64_t> langPopupClosedAt;  // ticks
  bool langPopupTracked = false;
  bool resultsPopup = false;
  std::int32_t resultsSelection = -1;
  float resultsScroll = 0;      // DIPs, 0 at the top
  float resultsViewHeight = 0;  // DIPs: the popup's client height − 12
  bool resultsPopupTracked = false;

  // Chip counts the layout shows (written by the layout).
  std::int32_t formatButtonCount = 10;
  std::int32_t qualityButtonCount = 10;

  // The log panel's text; the shell's view observes it.
  LogModel log;

  // Whether the 33 ms animation timer is running (kept in step by applyAnimationTimer).
  bool animationTimerOn = false;

  // Injected services.
  TickSource now = steadyTicks;
  WorkerEntries workers;  // the real workers by default

  // A close is waiting for the answer to the quit question.
  bool quitQuestionOpen = false;
};

// Whether an element is enabled (focus, activation, dimming).
[[nodiscard]] bool isElementEnabled(const AppState& state, ElementId id);

// The status line: the status text of statusId in the current language (English fallback; ""
// when statusId < 0), then two spaces (only after a non-empty text) and statusDetail.
[[nodiscard]] std::wstring statusLine(const AppState& state);
// The same rule for language row `row`, for whoever shows a status line outside AppState.
[[nodiscard]] std::wstring statusLineIn(int row, std::int32_t statusId, std::wstring_view detail);

// The animation-timer rule: the 33 ms timer runs while a job runs, a search runs, or an active
// preview waits for its title, details or thumbnail reply. A preview whose thumbnail never came
// is still once every reply is in.
[[nodiscard]] bool animationWanted(const AppState& state);
// Starts or stops the timer through the host when the rule's answer changed.
void applyAnimationTimer(AppState& state, Host& host);

}  // namespace tarnwick
