// The offscreen renderer's portable half: what each render paints; the backend
// (offscreen_posix.cpp, offscreen_win32.cpp) gives the canvas and reads the pixels back.
#include "render/offscreen.h"

#include "render/painters.h"

namespace tarnwick {

std::uint32_t Image::atDip(float x, float y, double scale) const {
  return at(dipToPx(x, scale), dipToPx(y, scale));
}

void OffscreenRenderer::paintMainWindow(const FrameState& state, const MainLayout& layout, double scale) {
  Canvas& canvas = begin(layout.clientWidthDip, layout.clientHeightDip, scale, state.clockMs);
  tarnwick::paintMainWindow(canvas, state, layout, mainCache_);
}

Image OffscreenRenderer::renderMainWindow(const FrameState& state, float width, float height, double scale,
                                          MainLayout* layoutOut) {
  const MainLayout layout = layoutMainWindow(state, width, height, text());
  paintMainWindow(state, layout, scale);
  if (layoutOut) *layoutOut = layout;
  return snapshot();
}

Image OffscreenRenderer::renderAnimatedArea(const FrameState& state, const MainLayout& layout, double scale,
                                            AnimatedArea area) {
  Canvas& canvas = begin(layout.clientWidthDip, layout.clientHeightDip, scale, state.clockMs);
  {
    const ClipScope clip(canvas, animatedAreaRect(layout, state, area));
    tarnwick::paintAnimatedArea(canvas, state, layout, mainCache_, area);
  }
  return snapshot();
}

Image OffscreenRenderer::renderLanguagePopup(const FrameState& state, double scale) {
  Canvas& canvas = begin(kLanguagePopupWidth, kLanguagePopupHeight, scale, state.clockMs);
  paintLanguagePopup(canvas, state);
  return snapshot();
}

Image OffscreenRenderer::renderResultsPopup(const FrameState& state, float width, float height,
                                            double scale) {
  Canvas& canvas = begin(width, height, scale, state.clockMs);
  paintResultsPopup(canvas, state, width, height, popupCache_);
  return snapshot();
}

}  // namespace tarnwick
