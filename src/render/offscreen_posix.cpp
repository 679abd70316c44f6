// The offscreen renderer's Cairo backend: an ARGB32 image surface and a CairoCanvas over it.
#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "render/cairo_canvas.h"
#include "render/offscreen.h"
#include "render/text_engine.h"

namespace tarnwick {

class OffscreenRenderer::Backend {
 public:
  Backend() = default;
  ~Backend() {
    release();
    if (surface_) cairo_surface_destroy(surface_);
  }
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;

  [[nodiscard]] const TextEngine& text() const { return text_; }

  Canvas& begin(float width, float height, double scale, std::uint64_t clockMs) {
    release();
    const int pw = std::max(1, dipToPx(width, scale));
    const int ph = std::max(1, dipToPx(height, scale));
    if (!surface_ || cairo_image_surface_get_width(surface_) != pw ||
        cairo_image_surface_get_height(surface_) != ph) {
      if (surface_) cairo_surface_destroy(surface_);
      surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pw, ph);
    }
    cr_ = cairo_create(surface_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
    cairo_scale(cr_, scale, scale);
    return canvas_.emplace(cr_, text_, scale, clockMs);
  }

  [[nodiscard]] Image snapshot() const {
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

 private:
  void release() {
    canvas_.reset();
    if (cr_) cairo_destroy(cr_);
    cr_ = nullptr;
  }

  TextEngine text_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  std::optional<CairoCanvas> canvas_;
};

bool Image::writePng(const std::filesystem::path& path) const {
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(pixels.data())), CAIRO_FORMAT_ARGB32, width,
      height, width * 4);
  const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

OffscreenRenderer::OffscreenRenderer() : backend_(std::make_unique<Backend>()) {}

OffscreenRenderer::~OffscreenRenderer() = default;

const TextMeasure& OffscreenRenderer::text() const {
  return backend_->text();
}

Canvas& OffscreenRenderer::begin(float width, float height, double scale, std::uint64_t clockMs) {
  return backend_->begin(width, height, scale, clockMs);
}

Image OffscreenRenderer::snapshot() const {
  return backend_->snapshot();
}

}  // namespace tarnwick
