#include "render/render_cache.h"

#include <algorithm>

#include "render/palette.h"

namespace tarnwick {
namespace {

void drawStaticLayer(Canvas& canvas, const MainLayout& o, bool previewActive) {
  const float W = o.clientWidthDip;
  const float H = o.clientHeightDip;
  const RectF all{0, 0, W, H};
  canvas.clear(palette::windowBackground);
  canvas.fillBackgroundGlow(all, 0.18f * W, 0.02f * H, 0.62f * W, 0.55f * H, palette::accent, 0.30f);
  canvas.fillBackgroundGlow(all, 0.42f * W, 0.62f * H, 0.38f * W, 0.34f * H, palette::success, 0.07f);
  canvas.fillBackgroundGlow(all, 0.98f * W, 0.92f * H, 0.55f * W, 0.50f * H, palette::accentWarm, 0.20f);
  canvas.drawCard(o.mainCardRect, 18);
  if (previewActive) canvas.drawCard(o.previewCardRect, 16);
  canvas.drawCard(o.statusCardRect, 16);
  canvas.drawCard(o.logCardRect, 16);
  // The log's text area lies under the native log view and never changes with the state.
  canvas.fillRound(o.logBoxRect, 10, palette::logFill, 1);
  canvas.strokeRound(o.logBoxRect, 10, palette::white, 0.05f, 1);
}

}  // namespace

const CanvasImage& RenderCache::staticLayer(Canvas& canvas, const MainLayout& o, bool previewActive) {
  const StaticKey key{o.clientWidthDip,
                      o.clientHeightDip,
                      canvas.scale(),
                      {o.mainCardRect, previewActive ? o.previewCardRect : RectF{}, o.statusCardRect,
                       o.logCardRect, o.logBoxRect}};
  if (static_ && key == staticKey_) return *static_;
  static_.reset();
  static_ = canvas.makeImage(o.clientWidthDip, o.clientHeightDip,
                             [&](Canvas& layer) { drawStaticLayer(layer, o, previewActive); });
  staticKey_ = key;
  ++staticBuilds_;
  return *static_;
}

const CanvasImage* RenderCache::thumbnail(Canvas& canvas, const ThumbView& thumb, const RectF& box,
                                          float radius) {
  if (!thumb.present() || box.width() <= 0 || box.height() <= 0) return nullptr;
  const double scale = canvas.scale();
  const ThumbKey key{thumb.owner.get(), dipToPx(box.width(), scale), dipToPx(box.height(), scale), radius};
  auto found = thumbs_.find(key);
  if (found != thumbs_.end() && !found->second.owner.expired()) {
    found->second.used = true;
    return found->second.image.get();
  }
  if (found != thumbs_.end()) thumbs_.erase(found);  // a new picture at the old one's address
  // Scaled to cover the box, centred and cropped; the scaled copy is what is kept.
  const RectF local{0, 0, box.width(), box.height()};
  const double s = std::max(box.width() / thumb.width, box.height() / thumb.height);
  const auto x = static_cast<float>((box.width() - s * thumb.width) / 2);
  const auto y = static_cast<float>((box.height() - s * thumb.height) / 2);
  std::unique_ptr<CanvasImage> image = canvas.makeImage(box.width(), box.height(), [&](Canvas& target) {
    target.pushRoundClip(local, radius);
    target.drawPixels(thumb, x, y, static_cast<float>(s));
    target.popClip();
  });
  ++thumbBuilds_;
  const CanvasImage* made = image.get();
  thumbs_[key] = ThumbEntry{thumb.owner, std::move(image), true};
  return made;
}

void RenderCache::endFrame() {
  for (auto it = thumbs_.begin(); it != thumbs_.end();) {
    if (!it->second.used || it->second.owner.expired()) {
      it = thumbs_.erase(it);
    } else {
      it->second.used = false;
      ++it;
    }
  }
}

}  // namespace tarnwick
