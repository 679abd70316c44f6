#include "render/frame_state.h"
#include "render/seam.h"

namespace tarnwick {

bool isElementEnabled(const FrameState& state, ElementId id) {
  using namespace element;
  if (id == kShowInFolder) return state.statusKind == 2 && state.hasOutputPath;
  if (isQualityChip(id)) {
    const int row = chipIndex(id);
    if (state.audioMode) {
      if (seam::audioFormatLossless(state.audioFormat)) return false;
    } else if (state.preview.active && state.preview.height >= 1 &&
               seam::qualityMaxHeight(row) > state.preview.height) {
      return false;
    }
  }
  if (id == kAction && state.searching) return state.jobState == 2;
  if (state.jobState != 2) return true;
  return id == kLanguage || id == kAction || id == kOpenFolder || id == kClearLog || id == kFooterLink;
}

}  // namespace tarnwick
