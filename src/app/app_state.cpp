#include "app/app_state.h"

#include <chrono>

#include "app/host.h"
#include "app/localization.h"
#include "app/workers.h"
#include "lookup/video_search.h"
#include "pipeline/format_tables.h"

namespace tarnwick {

std::uint64_t steadyTicks() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

AppState::AppState() : workers(realWorkers()) {}

AppState::~AppState() {
  // A job still running at this point was cancelled by the close; it ends promptly.
  if (jobThread.joinable()) jobThread.join();
}

namespace {

bool qualityChipEnabled(const AppState& state, int row) {
  if (state.audioMode) {
    if (state.audioFormat < 0 || state.audioFormat >= static_cast<int>(audioFormatCount)) return true;
    return !audioFormatTable[static_cast<std::size_t>(state.audioFormat)].lossless;
  }
  if (!state.preview.active || state.preview.height < 1) return true;
  if (row < 0 || row >= static_cast<int>(qualityCount)) return true;
  return qualityTable[static_cast<std::size_t>(row)].maxHeight <= state.preview.height;
}

}  // namespace

bool isElementEnabled(const AppState& state, ElementId id) {
  if (id == ElementId::showInFolder) return state.statusKind == statusDone && !state.outputPath.empty();
  if (isQualityChip(id) && !qualityChipEnabled(state, chipIndex(id))) return false;
  if (id == ElementId::download && state.searching) return state.jobState == downloadJobRunning;
  if (state.jobState != downloadJobRunning) return true;
  switch (id) {
    case ElementId::language:
    case ElementId::download:
    case ElementId::openFolder:
    case ElementId::clearLog:
    case ElementId::footerLink:
      return true;
    default:
      return false;
  }
}

std::wstring statusLine(const AppState& state) {
  return statusLineIn(activeLanguage(), state.statusId, state.statusDetail);
}

std::wstring statusLineIn(int row, std::int32_t statusId, std::wstring_view detail) {
  const bool known = statusId >= 0 && statusId < languageFieldCount - firstTextField;
  std::wstring line = known ? formatField(row, statusId + firstTextField, {}) : std::wstring();
  if (!detail.empty()) {
    if (!line.empty()) line += L"  ";
    line += detail;
  }
  return line;
}

bool animationWanted(const AppState& state) {
  if (state.jobState != noJob || state.searching) return true;
  const PreviewState& p = state.preview;
  return p.active && (p.titlePending || p.detailsPending || p.thumbnailPending);
}

void applyAnimationTimer(AppState& state, Host& host) {
  bool wanted = animationWanted(state);
  if (wanted == state.animationTimerOn) return;
  state.animationTimerOn = wanted;
  if (wanted) {
    host.startAnimationTimer();
  } else {
    host.stopAnimationTimer();
  }
}

}  // namespace tarnwick
