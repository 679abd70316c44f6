// The drawing primitives every painter composes its elements from, on a Cairo context whose user
// space is DIPs. Colours are 0xRRGGBB with a separate alpha. UI thread only.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "render/geometry.h"
#include "render/icons.h"
#include "render/text_engine.h"

namespace tarnwick {

class Canvas {
 public:
  // `cr` maps DIPs to device pixels (the caller has applied `scale`); `clockMs` drives every
  // animation of the frame.
  Canvas(cairo_t* cr, TextEngine& text, double scale, std::uint64_t clockMs);

  [[nodiscard]] cairo_t* cairo() const { return cr_; }
  [[nodiscard]] TextEngine& text() const { return text_; }
  [[nodiscard]] double scale() const { return scale_; }
  [[nodiscard]] std::uint64_t clock() const { return clock_; }

  void clear(std::uint32_t rgb);
  void fillRect(const RectF& rect, std::uint32_t rgb, float alpha);
  void fillRound(const RectF& rect, float radius, std::uint32_t rgb, float alpha);
  // The stroke lies inside the rect.
  void strokeRound(const RectF& rect, float radius, std::uint32_t rgb, float alpha, float width);
  void fillCircle(float cx, float cy, float r, std::uint32_t rgb, float alpha);
  void drawLine(float x0, float y0, float x1, float y1, std::uint32_t rgb, float alpha, float width);

  // Vertically centred in `rect` (top-aligned when `top`), clipped to it, ellipsis when too wide.
  void drawText(std::wstring_view text, TextFormat format, const RectF& rect, std::uint32_t rgb, float alpha,
                TextAlign align, bool top = false);
  void drawIcon(Icon icon, TextFormat format, const RectF& rect, std::uint32_t rgb, float alpha);
  // An optional 16-DIP icon, an 8-DIP gap and the text, centred as a group in `rect`.
  void drawIconLabel(const RectF& rect, std::optional<Icon> icon, std::wstring_view text, TextFormat format,
                     std::uint32_t rgb, float alpha);

  // Elevated card: six stacked shadow layers, the card fill and a hairline border.
  void drawCard(const RectF& rect, float radius);
  // Soft glow: ten translucent layers growing outwards.
  void drawGlow(const RectF& rect, float radius, std::uint32_t rgb, float alpha, float yOffset);
  // Accent gradient (violet to pink) across the rect, or across [fromX, toX] when given.
  void fillAccentGradient(const RectF& rect, float radius);
  void fillAccentGradientSpan(const RectF& rect, float radius, float fromX, float toX);
  // A horizontal white highlight centred at `centreX`, 160 DIPs wide, clipped to the rounded rect.
  void fillSheen(const RectF& rect, float radius, float centreX);
  // Elliptic radial glow filling `area`.
  void fillBackgroundGlow(const RectF& area, float cx, float cy, float rx, float ry, std::uint32_t rgb,
                          float alpha);
  // Track circle and a rotating gradient arc; one turn per 900 ms of the clock.
  void drawSpinner(float cx, float cy, float r);
  // A surface whose device scale matches the canvas, at (x, y) in DIPs.
  void paintSurface(cairo_surface_t* surface, float x, float y);

  void roundedPath(const RectF& rect, float radius);

 private:
  void setColor(std::uint32_t rgb, float alpha);

  cairo_t* cr_;
  TextEngine& text_;
  double scale_;
  std::uint64_t clock_;
};

}  // namespace tarnwick
