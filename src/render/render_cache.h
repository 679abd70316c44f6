// What a window keeps between frames so that an animated frame stays cheap: the layer of
// background glows and card shadows (redrawn only when the size or the cards move) and the
// thumbnails scaled to their boxes. One per window (the main window and each popup). UI thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "render/canvas.h"
#include "render/frame_state.h"
#include "render/geometry.h"
#include "render/main_layout.h"

namespace tarnwick {

class RenderCache {
 public:
  RenderCache() = default;
  ~RenderCache() = default;
  RenderCache(const RenderCache&) = delete;
  RenderCache& operator=(const RenderCache&) = delete;

  // The background glows and the cards of this layout, drawn at the canvas's scale.
  [[nodiscard]] const CanvasImage& staticLayer(Canvas& canvas, const MainLayout& layout, bool previewActive);

  // `thumb` scaled to cover `box` (centred, cropped) with rounded corners, at the canvas's
  // scale; null when the picture is absent or cannot be made.
  [[nodiscard]] const CanvasImage* thumbnail(Canvas& canvas, const ThumbView& thumb, const RectF& box,
                                             float radius);

  // Forgets thumbnails whose picture is gone or that the frame now ending did not draw.
  void endFrame();

  [[nodiscard]] int staticLayerBuilds() const { return staticBuilds_; }
  [[nodiscard]] int thumbnailBuilds() const { return thumbBuilds_; }

 private:
  struct StaticKey {
    float width, height;
    double scale;
    RectF cards[5];
    bool operator==(const StaticKey&) const = default;
  };
  struct ThumbKey {
    const void* picture;
    int width, height;  // box in device pixels
    float radius;
    auto operator<=>(const ThumbKey&) const = default;
  };
  struct ThumbEntry {
    std::weak_ptr<const void> owner;
    std::unique_ptr<CanvasImage> image;
    bool used = false;
  };

  std::unique_ptr<CanvasImage> static_;
  StaticKey staticKey_{};
  std::map<ThumbKey, ThumbEntry> thumbs_;
  int staticBuilds_ = 0;
  int thumbBuilds_ = 0;
};

}  // namespace tarnwick
