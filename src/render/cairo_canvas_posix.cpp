#include "render/cairo_canvas.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/text.h"
#include "render/palette.h"

namespace tarnwick {
namespace {

double channel(std::uint32_t rgb, int shift) {
  return ((rgb >> shift) & 0xFF) / 255.0;
}

void addStop(cairo_pattern_t* pattern, double offset, std::uint32_t rgb, double alpha) {
  cairo_pattern_add_color_stop_rgba(pattern, offset, channel(rgb, 16), channel(rgb, 8), channel(rgb, 0),
                                    alpha);
}

cairo_pattern_t* accentPattern(double x0, double y0, double x1, double y1) {
  cairo_pattern_t* pattern = cairo_pattern_create_linear(x0, y0, x1, y1);
  addStop(pattern, 0.0, palette::accent, 1.0);
  addStop(pattern, 1.0, palette::accentWarm, 1.0);
  return pattern;
}

// Far enough that a clip edge there lies outside every target.
constexpr double kFar = 100000;

class CairoImage final : public CanvasImage {
 public:
  explicit CairoImage(cairo_surface_t* surface) : surface_(surface) {}
  ~CairoImage() override { cairo_surface_destroy(surface_); }
  CairoImage(const CairoImage&) = delete;
  CairoImage& operator=(const CairoImage&) = delete;
  [[nodiscard]] cairo_surface_t* surface() const { return surface_; }

 private:
  cairo_surface_t* surface_;
};

}  // namespace

CairoCanvas::CairoCanvas(cairo_t* cr, TextEngine& text, double scale, std::uint64_t clockMs)
    : Canvas(scale, clockMs), cr_(cr), text_(text) {}

void CairoCanvas::setColor(std::uint32_t rgb, float alpha) {
  cairo_set_source_rgba(cr_, channel(rgb, 16), channel(rgb, 8), channel(rgb, 0), alpha);
}

void CairoCanvas::fillWith(cairo_pattern_t* pattern) {
  cairo_set_source(cr_, pattern);
  cairo_fill(cr_);
  cairo_pattern_destroy(pattern);
}

void CairoCanvas::clear(std::uint32_t rgb) {
  cairo_save(cr_);
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  setColor(rgb, 1.0f);
  cairo_paint(cr_);
  cairo_restore(cr_);
}

void CairoCanvas::roundedPath(const RectF& rect, float radius) {
  const double w = rect.width();
  const double h = rect.height();
  cairo_new_path(cr_);
  if (w <= 0 || h <= 0) return;
  const double r = std::clamp<double>(radius, 0.0, std::min(w, h) / 2);
  if (r <= 0) {
    cairo_rectangle(cr_, rect.left, rect.top, w, h);
    return;
  }
  constexpr double kPi = std::numbers::pi;
  cairo_arc(cr_, rect.right - r, rect.top + r, r, -kPi / 2, 0);
  cairo_arc(cr_, rect.right - r, rect.bottom - r, r, 0, kPi / 2);
  cairo_arc(cr_, rect.left + r, rect.bottom - r, r, kPi / 2, kPi);
  cairo_arc(cr_, rect.left + r, rect.top + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr_);
}

void CairoCanvas::fillRect(const RectF& rect, std::uint32_t rgb, float alpha) {
  setColor(rgb, alpha);
  cairo_rectangle(cr_, rect.left, rect.top, rect.width(), rect.height());
  cairo_fill(cr_);
}

void CairoCanvas::fillRound(const RectF& rect, float radius, std::uint32_t rgb, float alpha) {
  setColor(rgb, alpha);
  roundedPath(rect, radius);
  cairo_fill(cr_);
}

void CairoCanvas::strokeRound(const RectF& rect, float radius, std::uint32_t rgb, float alpha, float width) {
  setColor(rgb, alpha);
  roundedPath(rect.inflated(-width / 2), radius);
  cairo_set_line_width(cr_, width);
  cairo_stroke(cr_);
}

void CairoCanvas::fillCircle(float cx, float cy, float r, std::uint32_t rgb, float alpha) {
  setColor(rgb, alpha);
  cairo_new_path(cr_);
  cairo_arc(cr_, cx, cy, r, 0, 2 * std::numbers::pi);
  cairo_fill(cr_);
}

void CairoCanvas::strokeCircle(float cx, float cy, float r, std::uint32_t rgb, float alpha, float width) {
  setColor(rgb, alpha);
  cairo_set_line_width(cr_, width);
  cairo_new_path(cr_);
  cairo_arc(cr_, cx, cy, r, 0, 2 * std::numbers::pi);
  cairo_stroke(cr_);
}

void CairoCanvas::drawLine(float x0, float y0, float x1, float y1, std::uint32_t rgb, float alpha,
                           float width) {
  setColor(rgb, alpha);
  cairo_new_path(cr_);
  cairo_move_to(cr_, x0, y0);
  cairo_line_to(cr_, x1, y1);
  cairo_set_line_width(cr_, width);
  cairo_stroke(cr_);
}

void CairoCanvas::fillTriangle(PointF a, PointF b, PointF c, std::uint32_t rgb, float alpha) {
  setColor(rgb, alpha);
  cairo_new_path(cr_);
  cairo_move_to(cr_, a.x, a.y);
  cairo_line_to(cr_, b.x, b.y);
  cairo_line_to(cr_, c.x, c.y);
  cairo_close_path(cr_);
  cairo_fill(cr_);
}

void CairoCanvas::fillAccentRound(const RectF& rect, float radius, PointF from, PointF to) {
  roundedPath(rect, radius);
  fillWith(accentPattern(from.x, from.y, to.x, to.y));
}

void CairoCanvas::strokeAccentArc(float cx, float cy, float r, double a0, double a1, float width) {
  cairo_pattern_t* pattern = accentPattern(cx - r, cy - r, cx + r, cy + r);
  cairo_save(cr_);
  cairo_set_line_width(cr_, width);
  cairo_set_source(cr_, pattern);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
  cairo_new_path(cr_);
  cairo_arc(cr_, cx, cy, r, a0, a1);
  cairo_stroke(cr_);
  cairo_restore(cr_);
  cairo_pattern_destroy(pattern);
}

void CairoCanvas::fillSheen(const RectF& rect, float radius, float centreX) {
  cairo_pattern_t* pattern = cairo_pattern_create_linear(centreX - 80, 0, centreX + 80, 0);
  addStop(pattern, 0.0, palette::white, 0.0);
  addStop(pattern, 0.5, palette::white, 0.35);
  addStop(pattern, 1.0, palette::white, 0.0);
  roundedPath(rect, radius);
  fillWith(pattern);
}

void CairoCanvas::fillBackgroundGlow(const RectF& area, float cx, float cy, float rx, float ry,
                                     std::uint32_t rgb, float alpha) {
  if (rx <= 0 || ry <= 0) return;
  cairo_pattern_t* pattern = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
  addStop(pattern, 0.0, rgb, alpha);
  addStop(pattern, 0.45, rgb, alpha * 0.45);
  addStop(pattern, 1.0, rgb, 0.0);
  // The pattern lives in a unit circle; its matrix maps user space into it.
  cairo_matrix_t matrix;
  cairo_matrix_init_scale(&matrix, 1.0 / rx, 1.0 / ry);
  cairo_matrix_translate(&matrix, -cx, -cy);
  cairo_pattern_set_matrix(pattern, &matrix);
  cairo_rectangle(cr_, area.left, area.top, area.width(), area.height());
  fillWith(pattern);
}

void CairoCanvas::drawText(std::wstring_view text, TextFormat format, const RectF& rect, std::uint32_t rgb,
                           float alpha, TextAlign align, bool top) {
  if (text.empty() || rect.width() <= 0 || rect.height() <= 0) return;
  PangoLayout* layout = text_.layout(text, format, rect.width(), rect.height(), align);
  PangoRectangle ink{};
  PangoRectangle logical{};
  pango_layout_get_extents(layout, &ink, &logical);
  const double height = static_cast<double>(logical.height) / PANGO_SCALE;
  const double y = top ? rect.top : rect.top + (rect.height() - height) / 2;
  // Clipping costs; only text that can reach outside its box needs it.
  const double inkLeft = rect.left + static_cast<double>(ink.x) / PANGO_SCALE;
  const double inkRight = inkLeft + static_cast<double>(ink.width) / PANGO_SCALE;
  const double inkTop = y + static_cast<double>(ink.y) / PANGO_SCALE;
  const double inkBottom = inkTop + static_cast<double>(ink.height) / PANGO_SCALE;
  const bool clip =
      inkLeft < rect.left || inkRight > rect.right || inkTop < rect.top || inkBottom > rect.bottom;
  if (clip) pushClip(rect);
  setColor(rgb, alpha);
  cairo_move_to(cr_, rect.left, y);
  pango_cairo_show_layout(cr_, layout);
  cairo_new_path(cr_);
  if (clip) popClip();
}

TextRun CairoCanvas::measureRun(std::wstring_view text, TextFormat format, std::size_t rangeStart,
                                std::size_t rangeLength) {
  TextRun run;
  if (text.empty()) return run;
  PangoLayout* layout = text_.freeLayout(text, format);
  PangoRectangle logical{};
  pango_layout_get_extents(layout, nullptr, &logical);
  run.width = static_cast<float>(static_cast<double>(logical.width) / PANGO_SCALE);
  run.height = static_cast<float>(static_cast<double>(logical.height) / PANGO_SCALE);
  rangeStart = std::min(rangeStart, text.size());
  rangeLength = std::min(rangeLength, text.size() - rangeStart);
  if (rangeLength == 0) return run;
  const int startByte = static_cast<int>(wideToUtf8(text.substr(0, rangeStart)).size());
  const int endByte = startByte + static_cast<int>(wideToUtf8(text.substr(rangeStart, rangeLength)).size());
  int* ranges = nullptr;
  int count = 0;
  pango_layout_line_get_x_ranges(pango_layout_get_line_readonly(layout, 0), startByte, endByte, &ranges,
                                 &count);
  if (count > 0) {
    int x0 = ranges[0];
    int x1 = ranges[1];
    for (int i = 1; i < count; ++i) {
      x0 = std::min(x0, ranges[2 * i]);
      x1 = std::max(x1, ranges[2 * i + 1]);
    }
    run.rangeLeft = static_cast<float>(static_cast<double>(x0) / PANGO_SCALE);
    run.rangeRight = static_cast<float>(static_cast<double>(x1) / PANGO_SCALE);
  }
  g_free(ranges);
  return run;
}

void CairoCanvas::drawRun(std::wstring_view text, TextFormat format, float x, float y, std::uint32_t rgb,
                          float accentLeft, float accentRight) {
  if (text.empty()) return;
  PangoLayout* layout = text_.freeLayout(text, format);
  // Twice: in `rgb` outside the accent span and with the gradient inside it, so the emphasised
  // words are filled with the gradient.
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, -kFar, -kFar, accentLeft + kFar, 2 * kFar);
  cairo_rectangle(cr_, accentRight, -kFar, kFar - accentRight, 2 * kFar);
  cairo_clip(cr_);
  setColor(rgb, 1.0f);
  cairo_move_to(cr_, x, y);
  pango_cairo_show_layout(cr_, layout);
  cairo_restore(cr_);
  if (accentRight <= accentLeft) return;
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, accentLeft, -kFar, accentRight - accentLeft, 2 * kFar);
  cairo_clip(cr_);
  cairo_pattern_t* pattern = accentPattern(accentLeft, 0, accentRight, 0);
  cairo_set_source(cr_, pattern);
  cairo_move_to(cr_, x, y);
  pango_cairo_show_layout(cr_, layout);
  cairo_pattern_destroy(pattern);
  cairo_restore(cr_);
}

void CairoCanvas::pushClip(const RectF& rect) {
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, rect.left, rect.top, rect.width(), rect.height());
  cairo_clip(cr_);
}

void CairoCanvas::pushRoundClip(const RectF& rect, float radius) {
  cairo_save(cr_);
  roundedPath(rect, radius);
  cairo_clip(cr_);
}

void CairoCanvas::popClip() {
  cairo_restore(cr_);
}

void CairoCanvas::pushScale(float cx, float cy, float s) {
  cairo_save(cr_);
  cairo_translate(cr_, cx, cy);
  cairo_scale(cr_, s, s);
  cairo_translate(cr_, -cx, -cy);
}

void CairoCanvas::popTransform() {
  cairo_restore(cr_);
}

std::unique_ptr<CanvasImage> CairoCanvas::makeImage(float width, float height,
                                                    const std::function<void(Canvas&)>& paint) {
  const double s = scale();
  const int pw = std::max(1, static_cast<int>(std::ceil(width * s)));
  const int ph = std::max(1, static_cast<int>(std::ceil(height * s)));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pw, ph);
  cairo_surface_set_device_scale(surface, s, s);
  cairo_t* cr = cairo_create(surface);
  {
    CairoCanvas canvas(cr, text_, s, clock());
    paint(canvas);
  }
  cairo_destroy(cr);
  return std::make_unique<CairoImage>(surface);
}

void CairoCanvas::drawImage(const CanvasImage& image, float x, float y, bool replace) {
  cairo_save(cr_);
  if (replace) cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr_, static_cast<const CairoImage&>(image).surface(), x, y);
  cairo_paint(cr_);
  cairo_restore(cr_);
}

void CairoCanvas::drawPixels(const ThumbView& picture, float x, float y, float s) {
  // The picture's own pixels, viewed without copying.
  cairo_surface_t* source = cairo_image_surface_create_for_data(const_cast<unsigned char*>(picture.pixels),
                                                                CAIRO_FORMAT_ARGB32, picture.width,
                                                                picture.height, picture.stride);
  if (cairo_surface_status(source) == CAIRO_STATUS_SUCCESS) {
    cairo_save(cr_);
    cairo_translate(cr_, x, y);
    cairo_scale(cr_, s, s);
    cairo_set_source_surface(cr_, source, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
    cairo_paint(cr_);
    cairo_restore(cr_);
  }
  cairo_surface_destroy(source);
}

}  // namespace tarnwick
