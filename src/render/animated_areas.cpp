#include "render/animated_areas.h"

#include "render/painters.h"

namespace tarnwick {
namespace {

constexpr unsigned motionMs = animationTickMs;  // spinners, the gliding bar and the sheen: 20 frames a second
constexpr unsigned shimmerMs = 3 * animationTickMs;  // a slow pulse of a faint alpha

bool busy(const FrameState& state) { return state.statusKind == 1; }

}  // namespace

RectF animatedAreaRect(const MainLayout& layout, const FrameState& state, AnimatedArea area) {
  switch (area) {
    case AnimatedArea::statusCard:
      return layout.statusCardRect;
    case AnimatedArea::statusIcon:
      return layout.statusIconRect;
    case AnimatedArea::progress:
      return layout.progressTrackRect;
    case AnimatedArea::actionButton:
      return layout.actionButtonRect;
    case AnimatedArea::preview:
      return state.preview.active ? layout.previewCardRect : RectF{};
  }
  return {};
}

unsigned animationPeriodMs(const FrameState& state, AnimatedArea area) {
  switch (area) {
    case AnimatedArea::statusCard:  // redrawn when the status changes, not by the clock
      return 0;
    case AnimatedArea::statusIcon:
      return busy(state) ? motionMs : 0;
    case AnimatedArea::progress:  // the gliding bar while the size is unknown, then the sheen
      return busy(state) && state.progress != 0 ? motionMs : 0;
    case AnimatedArea::actionButton:  // its spinner while searching
      return state.searching && state.jobState != 2 && !state.pendingRequest ? motionMs : 0;
    case AnimatedArea::preview: {
      const PreviewView& p = state.preview;
      return p.active && (p.titlePending || p.detailsPending || p.thumbnailPending) ? shimmerMs : 0;
    }
  }
  return 0;
}

void paintAnimatedArea(Canvas& canvas, const FrameState& state, const MainLayout& layout, RenderCache& cache,
                       AnimatedArea area) {
  canvas.drawImage(cache.staticLayer(canvas, layout, state.preview.active), 0, 0, true);
  switch (area) {
    case AnimatedArea::statusCard:
    case AnimatedArea::statusIcon:
    case AnimatedArea::progress:
      paintStatusCard(canvas, state, layout);
      break;
    case AnimatedArea::actionButton:
      paintMainCard(canvas, state, layout);
      break;
    case AnimatedArea::preview:
      paintPreviewCard(canvas, state, layout, cache);
      break;
  }
  paintFocusRing(canvas, state, layout);
}

}  // namespace tarnwick
