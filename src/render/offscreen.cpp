#include "render/offscreen.h"

#include <cstring>

#include "base/text.h"
#include "render/painters.h"

namespace tarnwick {

std::uint32_t Image::atDip(float x, float y, double scale) const {
  return at(dipToPx(x, scale), dipToPx(y, scale));
}

bool Image::writePng(const std::filesystem::path& path) const {
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(pixels.data())), CAIRO_FORMAT_ARGB32, width,
      height, width * 4);
  const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

OffscreenRenderer::~OffscreenRenderer() {
  if (surface_) cairo_surface_destroy(surface_);
}

cairo_t* OffscreenRenderer::begin(float width, float height, double scale) {
  const int pw = std::max(1, dipToPx(width, scale));
  const int ph = std::max(1, dipToPx(height, scale));
  if (!surface_ || cairo_image_surface_get_width(surface_) != pw ||
      cairo_image_surface_get_height(surface_) != ph) {
    if (surface_) cairo_surface_destroy(surface_);
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pw, ph);
  }
  cairo_t* cr = cairo_create(surface_);
  cairo_scale(cr, scale, scale);
  return cr;
}

Image OffscreenRenderer::snapshot() const {
  cairo_surface_flush(surface_);
  Image image;
  image.width = cairo_image_surface_get_width(surface_);
  image.height = cairo_image_surface_get_height(surface_);
  image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
  const int stride = cairo_image_surface_get_stride(surface_);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  for (int y = 0; y < image.height; ++y) {
    std::memcpy(&image.pixels[static_cast<std::size_t>(y) * image.width],
                data + static_cast<std::size_t>(y) * stride, static_cast<std::size_t>(image.width) * 4);
  }
  return image;
}

void OffscreenRenderer::paintMainWindow(const FrameState& state, const MainLayout& layout, double scale) {
  cairo_t* cr = begin(layout.clientWidthDip, layout.clientHeightDip, scale);
  Canvas canvas(cr, text_, scale, state.clockMs);
  tarnwick::paintMainWindow(canvas, state, layout, mainCache_);
  cairo_destroy(cr);
}

Image OffscreenRenderer::renderMainWindow(const FrameState& state, float width, float height, double scale,
                                          MainLayout* layoutOut) {
  const MainLayout layout = layoutMainWindow(state, width, height, text_);
  paintMainWindow(state, layout, scale);
  if (layoutOut) *layoutOut = layout;
  return snapshot();
}

Image OffscreenRenderer::renderAnimatedArea(const FrameState& state, const MainLayout& layout, double scale,
                                            AnimatedArea area) {
  cairo_t* cr = begin(layout.clientWidthDip, layout.clientHeightDip, scale);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  const RectF rect = animatedAreaRect(layout, state, area);
  cairo_rectangle(cr, rect.left, rect.top, rect.width(), rect.height());
  cairo_clip(cr);
  Canvas canvas(cr, text_, scale, state.clockMs);
  tarnwick::paintAnimatedArea(canvas, state, layout, mainCache_, area);
  cairo_destroy(cr);
  return snapshot();
}

Image OffscreenRenderer::renderLanguagePopup(const FrameState& state, double scale) {
  cairo_t* cr = begin(kLanguagePopupWidth, kLanguagePopupHeight, scale);
  Canvas canvas(cr, text_, scale, state.clockMs);
  paintLanguagePopup(canvas, state);
  cairo_destroy(cr);
  return snapshot();
}

Image OffscreenRenderer::renderResultsPopup(const FrameState& state, float width, float height,
                                            double scale) {
  cairo_t* cr = begin(width, height, scale);
  Canvas canvas(cr, text_, scale, state.clockMs);
  paintResultsPopup(canvas, state, width, height, popupCache_);
  cairo_destroy(cr);
  return snapshot();
}

}  // namespace tarnwick
