#include "render/render_cache.h"

#include <algorithm>
#include <cmath>

#include "render/canvas.h"
#include "render/palette.h"

namespace tarnwick {
namespace {

// An image surface of w × h DIPs at `scale`, drawn on in DIPs.
cairo_surface_t* makeSurface(double w, double h, double scale) {
  const int pw = std::max(1, static_cast<int>(std::ceil(w * scale)));
  const int ph = std::max(1, static_cast<int>(std::ceil(h * scale)));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pw, ph);
  cairo_surface_set_device_scale(surface, scale, scale);
  return surface;
}

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

RenderCache::~RenderCache() {
  if (static_) cairo_surface_destroy(static_);
  for (auto& [key, entry] : thumbs_) cairo_surface_destroy(entry.surface);
}

cairo_surface_t* RenderCache::staticLayer(const Canvas& canvas, const MainLayout& o, bool previewActive) {
  const StaticKey key{o.clientWidthDip,
                      o.clientHeightDip,
                      canvas.scale(),
                      {o.mainCardRect, previewActive ? o.previewCardRect : RectF{}, o.statusCardRect,
                       o.logCardRect, o.logBoxRect}};
  if (static_ && key == staticKey_) return static_;
  if (static_) cairo_surface_destroy(static_);
  static_ = makeSurface(o.clientWidthDip, o.clientHeightDip, canvas.scale());
  staticKey_ = key;
  ++staticBuilds_;
  cairo_t* cr = cairo_create(static_);
  Canvas layer(cr, canvas.text(), canvas.scale(), canvas.clock());
  drawStaticLayer(layer, o, previewActive);
  cairo_destroy(cr);
  return static_;
}

cairo_surface_t* RenderCache::thumbnail(const Canvas& canvas, const ThumbView& thumb, const RectF& box,
                                        float radius) {
  if (!thumb.present() || box.width() <= 0 || box.height() <= 0) return nullptr;
  const double scale = canvas.scale();
  const ThumbKey key{thumb.owner.get(), dipToPx(box.width(), scale), dipToPx(box.height(), scale), radius};
  auto found = thumbs_.find(key);
  if (found != thumbs_.end() && !found->second.owner.expired()) {
    found->second.used = true;
    return found->second.surface;
  }
  if (found != thumbs_.end()) {  // a new picture at the old one's address
    cairo_surface_destroy(found->second.surface);
    thumbs_.erase(found);
  }
  // The picture's own pixels, viewed without copying; the cover-scaled copy is what is kept.
  cairo_surface_t* source = cairo_image_surface_create_for_data(
      const_cast<unsigned char*>(thumb.pixels), CAIRO_FORMAT_ARGB32, thumb.width, thumb.height, thumb.stride);
  if (cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(source);
    return nullptr;
  }
  cairo_surface_t* surface = makeSurface(box.width(), box.height(), scale);
  cairo_t* cr = cairo_create(surface);
  Canvas target(cr, canvas.text(), scale, canvas.clock());
  const double s = std::max(box.width() / thumb.width, box.height() / thumb.height);
  target.roundedPath({0, 0, box.width(), box.height()}, radius);
  cairo_clip(cr);
  cairo_translate(cr, (box.width() - s * thumb.width) / 2, (box.height() - s * thumb.height) / 2);
  cairo_scale(cr, s, s);
  cairo_set_source_surface(cr, source, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(source);
  ++thumbBuilds_;
  thumbs_[key] = ThumbEntry{thumb.owner, surface, true};
  return surface;
}

void RenderCache::endFrame() {
  for (auto it = thumbs_.begin(); it != thumbs_.end();) {
    if (!it->second.used || it->second.owner.expired()) {
      cairo_surface_destroy(it->second.surface);
      it = thumbs_.erase(it);
    } else {
      it->second.used = false;
      ++it;
    }
  }
}

}  // namespace tarnwick
