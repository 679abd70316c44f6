// The Linux backend of Canvas: Cairo draws, Pango (TextEngine) lays the text out. The shell's
// GTK drawing areas and the offscreen renderer both paint through it. UI thread only.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "render/canvas.h"
#include "render/text_engine.h"

namespace tarnwick {

class CairoCanvas final : public Canvas {
 public:
  // `cr` maps DIPs to device pixels (the caller has applied `scale`); `text` lays out every text
  // the canvas draws and outlives it.
  CairoCanvas(cairo_t* cr, TextEngine& text, double scale, std::uint64_t clockMs);

  [[nodiscard]] const TextMeasure& text() const override { return text_; }

  void clear(std::uint32_t rgb) override;
  void fillRect(const RectF& rect, std::uint32_t rgb, float alpha) override;
  void fillRound(const RectF& rect, float radius, std::uint32_t rgb, float alpha) override;
  void strokeRound(const RectF& rect, float radius, std::uint32_t rgb, float alpha, float width) override;
  void fillCircle(float cx, float cy, float r, std::uint32_t rgb, float alpha) override;
  void strokeCircle(float cx, float cy, float r, std::uint32_t rgb, float alpha, float width) override;
  void drawLine(float x0, float y0, float x1, float y1, std::uint32_t rgb, float alpha, float width) override;
  void fillTriangle(PointF a, PointF b, PointF c, std::uint32_t rgb, float alpha) override;
  void fillAccentRound(const RectF& rect, float radius, PointF from, PointF to) override;
  void strokeAccentArc(float cx, float cy, float r, double a0, double a1, float width) override;
  void fillSheen(const RectF& rect, float radius, float centreX) override;
  void fillBackgroundGlow(const RectF& area, float cx, float cy, float rx, float ry, std::uint32_t rgb,
                          float alpha) override;

  void drawText(std::wstring_view text, TextFormat format, const RectF& rect, std::uint32_t rgb, float alpha,
                TextAlign align, bool top = false) override;
  [[nodiscard]] TextRun measureRun(std::wstring_view text, TextFormat format, std::size_t rangeStart,
                                   std::size_t rangeLength) override;
  void drawRun(std::wstring_view text, TextFormat format, float x, float y, std::uint32_t rgb, float accentLeft,
               float accentRight) override;

  void pushClip(const RectF& rect) override;
  void pushRoundClip(const RectF& rect, float radius) override;
  void popClip() override;
  void pushScale(float cx, float cy, float s) override;
  void popTransform() override;

  [[nodiscard]] std::unique_ptr<CanvasImage> makeImage(float width, float height,
                                                       const std::function<void(Canvas&)>& paint) override;
  void drawImage(const CanvasImage& image, float x, float y, bool replace = false) override;
  void drawPixels(const ThumbView& picture, float x, float y, float s) override;

  void endFrame() override { text_.endFrame(); }

 private:
  void setColor(std::uint32_t rgb, float alpha);
  void roundedPath(const RectF& rect, float radius);
  void fillWith(cairo_pattern_t* pattern);  // fills the current path, then destroys the pattern

  cairo_t* cr_;
  TextEngine& text_;
};

}  // namespace tarnwick
