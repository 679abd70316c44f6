// The drawing primitives every painter composes its elements from, in a user space of DIPs.
// Colours are 0xRRGGBB with a separate alpha. A backend draws them: Cairo and Pango on Linux
// (render/cairo_canvas.h), Direct2D and DirectWrite on Windows (render/direct2d_canvas.h). The
// painters know only this class, so a frame is one piece of code on both. UI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "render/frame_state.h"
#include "render/geometry.h"
#include "render/icons.h"
#include "render/text_format.h"
#include "render/text_measure.h"

namespace tarnwick {

enum class TextAlign { leading, trailing, center };

struct PointF {
  float x = 0;
  float y = 0;
};

// A picture the backend made at the canvas's scale: a cached layer or a scaled thumbnail.
class CanvasImage {
 public:
  virtual ~CanvasImage() = default;
};

// One line of text laid out without a width limit, and the horizontal extent of a range of it.
struct TextRun {
  float width = 0;
  float height = 0;
  float rangeLeft = 0;  // from the run's left edge; both 0 when the range is empty
  float rangeRight = 0;
};

class Canvas {
 public:
  // `clockMs` drives every animation of the frame; `scale` is device pixels per DIP.
  Canvas(double scale, std::uint64_t clockMs) : scale_(scale), clock_(clockMs) {}
  virtual ~Canvas() = default;
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  [[nodiscard]] double scale() const { return scale_; }
  [[nodiscard]] std::uint64_t clock() const { return clock_; }
  [[nodiscard]] virtual const TextMeasure& text() const = 0;
  // Which code points the icon font in use has.
  [[nodiscard]] virtual IconSet iconSet() const { return IconSet::material; }
  // Pictures from makeImage can be drawn only by canvases of the same domain: Direct2D binds them
  // to the render target that made them, which a lost device or a new window replaces.
  [[nodiscard]] virtual std::uint64_t imageDomain() const { return 0; }

  // --- Backend primitives ---
  // Replaces every pixel (no blending).
  virtual void clear(std::uint32_t rgb) = 0;
  virtual void fillRect(const RectF& rect, std::uint32_t rgb, float alpha) = 0;
  virtual void fillRound(const RectF& rect, float radius, std::uint32_t rgb, float alpha) = 0;
  // The stroke lies inside the rect.
  virtual void strokeRound(const RectF& rect, float radius, std::uint32_t rgb, float alpha, float width) = 0;
  virtual void fillCircle(float cx, float cy, float r, std::uint32_t rgb, float alpha) = 0;
  virtual void strokeCircle(float cx, float cy, float r, std::uint32_t rgb, float alpha, float width) = 0;
  virtual void drawLine(float x0, float y0, float x1, float y1, std::uint32_t rgb, float alpha,
                        float width) = 0;
  virtual void fillTriangle(PointF a, PointF b, PointF c, std::uint32_t rgb, float alpha) = 0;
  // The accent gradient (violet at `from`, pink at `to`, padded beyond) in a rounded rect.
  virtual void fillAccentRound(const RectF& rect, float radius, PointF from, PointF to) = 0;
  // An arc from angle a0 to a1 (radians, clockwise from +x with y down) with round caps, stroked
  // with the accent gradient from the circle's top-left to its bottom-right.
  virtual void strokeAccentArc(float cx, float cy, float r, double a0, double a1, float width) = 0;
  // A horizontal white highlight centred at `centreX`, 160 DIPs wide (alpha 0, 0.35, 0), inside
  // the rounded rect.
  virtual void fillSheen(const RectF& rect, float radius, float centreX) = 0;
  // Elliptic radial glow filling `area`: alpha at the centre, 0.45 × alpha at 45 %, 0 at the rim.
  virtual void fillBackgroundGlow(const RectF& area, float cx, float cy, float rx, float ry, std::uint32_t rgb,
                                  float alpha) = 0;

  // Vertically centred in `rect` (top-aligned when `top`), clipped to it, ellipsis when too wide;
  // leading and trailing keep their visual side whatever the script.
  virtual void drawText(std::wstring_view text, TextFormat format, const RectF& rect, std::uint32_t rgb,
                        float alpha, TextAlign align, bool top = false) = 0;
  // `text` on one line without a width limit; the range is the characters
  // [rangeStart, rangeStart + rangeLength).
  [[nodiscard]] virtual TextRun measureRun(std::wstring_view text, TextFormat format, std::size_t rangeStart,
                                           std::size_t rangeLength) = 0;
  // Draws that run with its top-left at (x, y): in `rgb` outside [accentLeft, accentRight) (canvas
  // x), and with the accent gradient across that span inside it.
  virtual void drawRun(std::wstring_view text, TextFormat format, float x, float y, std::uint32_t rgb,
                       float accentLeft, float accentRight) = 0;

  // Clips and transforms nest; each push has its pop.
  virtual void pushClip(const RectF& rect) = 0;
  virtual void pushRoundClip(const RectF& rect, float radius) = 0;
  virtual void popClip() = 0;
  // Scales by `s` about (cx, cy).
  virtual void pushScale(float cx, float cy, float s) = 0;
  virtual void popTransform() = 0;

  // A width × height DIP picture at this canvas's scale, painted by `paint` on a canvas of its
  // own (transparent to begin with).
  [[nodiscard]] virtual std::unique_ptr<CanvasImage> makeImage(float width, float height,
                                                               const std::function<void(Canvas&)>& paint) = 0;
  // Draws `image` with its top-left at (x, y); `replace` copies its pixels instead of blending.
  virtual void drawImage(const CanvasImage& image, float x, float y, bool replace = false) = 0;
  // The premultiplied BGRA pixels of `picture` scaled by `s` with a smooth filter, their top-left
  // at (x, y), edges padded.
  virtual void drawPixels(const ThumbView& picture, float x, float y, float s) = 0;

  // The frame is complete: the text backend may drop what it did not use.
  virtual void endFrame() = 0;

  // --- Composed from the primitives, the same on every backend ---
  void drawIcon(Icon icon, TextFormat format, const RectF& rect, std::uint32_t rgb, float alpha);
  // An optional 16-DIP icon, an 8-DIP gap and the text, centred as a group in `rect`.
  void drawIconLabel(const RectF& rect, std::optional<Icon> icon, std::wstring_view text, TextFormat format,
                     std::uint32_t rgb, float alpha);
  // Elevated card: six stacked shadow layers, the card fill and a hairline border.
  void drawCard(const RectF& rect, float radius);
  // Soft glow: ten translucent layers growing outwards.
  void drawGlow(const RectF& rect, float radius, std::uint32_t rgb, float alpha, float yOffset);
  // Accent gradient across the rect, or across [fromX, toX] when given.
  void fillAccentGradient(const RectF& rect, float radius);
  void fillAccentGradientSpan(const RectF& rect, float radius, float fromX, float toX);
  // Track circle and a rotating gradient arc; one turn per 900 ms of the clock.
  void drawSpinner(float cx, float cy, float r);

 private:
  double scale_;
  std::uint64_t clock_;
};

// Pops the clip it pushed when the scope ends.
class ClipScope {
 public:
  ClipScope(Canvas& canvas, const RectF& rect) : canvas_(canvas) { canvas_.pushClip(rect); }
  ~ClipScope() { canvas_.popClip(); }
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  Canvas& canvas_;
};

}  // namespace tarnwick
