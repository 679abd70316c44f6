#include "render/canvas.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>

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

}  // namespace

Canvas::Canvas(cairo_t* cr, TextEngine& text, double scale, std::uint64_t clockMs)
    : cr_(cr), text_(text), scale_(scale), clock_(clockMs) {}

void Canvas::setColor(std::uint32_t rgb, float alpha) {
  cairo_set_source_rgba(cr_, channel(rgb, 16), channel(rgb, 8), channel(rgb, 0), alpha);
}

void Canvas::clear(std::uint32_t rgb) {
  cairo_save(cr_);
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  setColor(rgb, 1.0f);
  cairo_paint(cr_);
  cairo_restore(cr_);
}

void Canvas::roundedPath(const RectF& rect, float radius) {
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

void Canvas::fillRect(const RectF& rect, std::uint32_t rgb, float alpha) {
  setColor(rgb, alpha);
  cairo_rectangle(cr_, rect.left, rect.top, rect.width(), rect.height());
  cairo_fill(cr_);
}

void Canvas::fillRound(const RectF& rect, float radius, std::uint32_t rgb, float alpha) {
  setColor(rgb, alpha);
  roundedPath(rect, radius);
  cairo_fill(cr_);
}

void Canvas::strokeRound(const RectF& rect, float radius, std::uint32_t rgb, float alpha, float width) {
  setColor(rgb, alpha);
  roundedPath(rect.inflated(-width / 2), radius);
  cairo_set_line_width(cr_, width);
  cairo_stroke(cr_);
}

void Canvas::fillCircle(float cx, float cy, float r, std::uint32_t rgb, float alpha) {
  setColor(rgb, alpha);
  cairo_new_path(cr_);
  cairo_arc(cr_, cx, cy, r, 0, 2 * std::numbers::pi);
  cairo_fill(cr_);
}

void Canvas::drawLine(float x0, float y0, float x1, float y1, std::uint32_t rgb, float alpha, float width) {
  setColor(rgb, alpha);
  cairo_new_path(cr_);
  cairo_move_to(cr_, x0, y0);
  cairo_line_to(cr_, x1, y1);
  cairo_set_line_width(cr_, width);
  cairo_stroke(cr_);
}

void Canvas::drawText(std::wstring_view text, TextFormat format, const RectF& rect, std::uint32_t rgb,
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
  if (clip) {
    cairo_save(cr_);
    cairo_rectangle(cr_, rect.left, rect.top, rect.width(), rect.height());
    cairo_clip(cr_);
  }
  setColor(rgb, alpha);
  cairo_move_to(cr_, rect.left, y);
  pango_cairo_show_layout(cr_, layout);
  cairo_new_path(cr_);
  if (clip) cairo_restore(cr_);
}

void Canvas::drawIcon(Icon icon, TextFormat format, const RectF& rect, std::uint32_t rgb, float alpha) {
  const wchar_t glyph[2] = {iconGlyph(icon), 0};
  drawText(std::wstring_view(glyph, 1), format, rect, rgb, alpha, TextAlign::center);
}

void Canvas::drawIconLabel(const RectF& rect, std::optional<Icon> icon, std::wstring_view text,
                           TextFormat format, std::uint32_t rgb, float alpha) {
  const float textWidth = text_.measureText(text, format);
  const float iconWidth = icon ? 16.0f : 0.0f;
  const float gap = icon ? 8.0f : 0.0f;
  const float x0 = std::floor((rect.left + rect.right - (iconWidth + gap + textWidth)) / 2);
  if (icon) drawIcon(*icon, TextFormat::icon14, {x0, rect.top, x0 + 16, rect.bottom}, rgb, alpha);
  const float textLeft = x0 + iconWidth + gap;
  drawText(text, format, {textLeft, rect.top, textLeft + textWidth + 2, rect.bottom}, rgb, alpha,
           TextAlign::leading);
}

void Canvas::drawCard(const RectF& rect, float radius) {
  for (int i = 6; i >= 1; --i) {
    const float d = 4.0f * i;
    fillRound({rect.left - d, rect.top - d + 14, rect.right + d, rect.bottom + d + 14}, radius + d,
              palette::black, 0.07f);
  }
  fillRound(rect, radius, palette::cardFill, 1.0f);
  strokeRound(rect, radius, palette::white, 0.08f, 1.0f);
}

void Canvas::drawGlow(const RectF& rect, float radius, std::uint32_t rgb, float alpha, float yOffset) {
  for (int i = 10; i >= 1; --i) {
    const float d = 1.8f * i;
    fillRound({rect.left - d + 3, rect.top - d + yOffset, rect.right + d - 3, rect.bottom + d + yOffset},
              radius + d, rgb, alpha / 10);
  }
}

void Canvas::fillAccentGradient(const RectF& rect, float radius) {
  cairo_pattern_t* pattern =
      accentPattern(rect.left, rect.top + 0.2 * rect.height(), rect.right, rect.bottom - 0.2 * rect.height());
  cairo_set_source(cr_, pattern);
  roundedPath(rect, radius);
  cairo_fill(cr_);
  cairo_pattern_destroy(pattern);
}

void Canvas::fillAccentGradientSpan(const RectF& rect, float radius, float fromX, float toX) {
  cairo_pattern_t* pattern = accentPattern(fromX, rect.top, toX, rect.top);
  cairo_set_source(cr_, pattern);
  roundedPath(rect, radius);
  cairo_fill(cr_);
  cairo_pattern_destroy(pattern);
}

void Canvas::fillSheen(const RectF& rect, float radius, float centreX) {
  cairo_pattern_t* pattern = cairo_pattern_create_linear(centreX - 80, 0, centreX + 80, 0);
  addStop(pattern, 0.0, palette::white, 0.0);
  addStop(pattern, 0.5, palette::white, 0.35);
  addStop(pattern, 1.0, palette::white, 0.0);
  cairo_set_source(cr_, pattern);
  roundedPath(rect, radius);
  cairo_fill(cr_);
  cairo_pattern_destroy(pattern);
}

void Canvas::fillBackgroundGlow(const RectF& area, float cx, float cy, float rx, float ry, std::uint32_t rgb,
                                float alpha) {
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
  cairo_set_source(cr_, pattern);
  cairo_rectangle(cr_, area.left, area.top, area.width(), area.height());
  cairo_fill(cr_);
  cairo_pattern_destroy(pattern);
}

void Canvas::drawSpinner(float cx, float cy, float r) {
  constexpr double kTwoPi = 2 * std::numbers::pi;
  const double a0 = static_cast<double>(clock_ % 900) / 900.0 * kTwoPi;
  const double a1 = a0 + 4.3;
  cairo_save(cr_);
  cairo_set_line_width(cr_, 2.5);
  setColor(palette::white, 0.10f);
  cairo_new_path(cr_);
  cairo_arc(cr_, cx, cy, r, 0, kTwoPi);
  cairo_stroke(cr_);
  cairo_pattern_t* pattern = accentPattern(cx - r, cy - r, cx + r, cy + r);
  cairo_set_source(cr_, pattern);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
  cairo_new_path(cr_);
  cairo_arc(cr_, cx, cy, r, a0, a1);
  cairo_stroke(cr_);
  cairo_pattern_destroy(pattern);
  cairo_restore(cr_);
}

void Canvas::paintSurface(cairo_surface_t* surface, float x, float y) {
  cairo_set_source_surface(cr_, surface, x, y);
  cairo_paint(cr_);
}

}  // namespace tarnwick
