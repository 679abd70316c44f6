// Renders frames without a window: a state, a size in DIPs and a scale in, an image out. Used by
// the tests and the frame benchmark; the shells paint the same way into their windows. The
// backend (offscreen_posix.cpp: Cairo, offscreen_win32.cpp: Direct2D on a WIC bitmap) gives the
// canvas and reads the pixels back; what is drawn is the same code on both.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "render/animated_areas.h"
#include "render/canvas.h"
#include "render/frame_state.h"
#include "render/main_layout.h"
#include "render/render_cache.h"
#include "render/text_measure.h"

namespace tarnwick {

// Premultiplied ARGB32 pixels (0xAARRGGBB), row after row.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  [[nodiscard]] std::uint32_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * width + x];
  }
  // The colour at a point given in DIPs, for a frame rendered at `scale`.
  [[nodiscard]] std::uint32_t atDip(float x, float y, double scale) const;
  [[nodiscard]] bool writePng(const std::filesystem::path& path) const;
};

class OffscreenRenderer {
 public:
  OffscreenRenderer();
  ~OffscreenRenderer();
  OffscreenRenderer(const OffscreenRenderer&) = delete;
  OffscreenRenderer& operator=(const OffscreenRenderer&) = delete;

  [[nodiscard]] const TextMeasure& text() const;
  [[nodiscard]] RenderCache& mainCache() { return mainCache_; }

  // Lays the main window out for width × height DIPs and paints it.
  [[nodiscard]] Image renderMainWindow(const FrameState& state, float width, float height, double scale,
                                       MainLayout* layoutOut = nullptr);
  // What an animation tick draws of that frame: the area alone, on a transparent image.
  [[nodiscard]] Image renderAnimatedArea(const FrameState& state, const MainLayout& layout, double scale,
                                         AnimatedArea area);
  // Paints one frame with a given layout into the renderer's own target (kept between calls).
  void paintMainWindow(const FrameState& state, const MainLayout& layout, double scale);

  [[nodiscard]] Image renderLanguagePopup(const FrameState& state, double scale);
  [[nodiscard]] Image renderResultsPopup(const FrameState& state, float width, float height, double scale);

 private:
  class Backend;  // per platform
  // A canvas over a target of width × height DIPs at `scale`, cleared to transparent; valid until
  // the next begin().
  Canvas& begin(float width, float height, double scale, std::uint64_t clockMs);
  [[nodiscard]] Image snapshot() const;

  std::unique_ptr<Backend> backend_;
  RenderCache mainCache_;
  RenderCache popupCache_;
};

}  // namespace tarnwick
