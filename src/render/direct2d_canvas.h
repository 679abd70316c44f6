// The Windows render backend: Canvas on Direct2D, text on DirectWrite, and a window's render
// target. Coordinates are DIPs; a target made at the window's DPI scales them to pixels. UI
// thread only (the factories are single-threaded and shared by every window).
#pragma once

// mingw-w64's C++ declarations of COM methods that return a struct (GetSize and the like) have
// the wrong calling convention unless asked for the explicit form.
#ifndef WIDL_EXPLICIT_AGGREGATE_RETURNS
#define WIDL_EXPLICIT_AGGREGATE_RETURNS
#endif

#include <windows.h>

#include <d2d1.h>
#include <dwrite.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "base/com_win32.h"
#include "render/canvas.h"
#include "render/text_format.h"
#include "render/text_measure.h"

namespace tarnwick {

// The process-wide factories, made at the first call: single-threaded Direct2D, shared
// DirectWrite. Null when Windows could not make them.
[[nodiscard]] ID2D1Factory* d2dFactory();
[[nodiscard]] IDWriteFactory* dwriteFactory();

// Windows' families where installed, the portable choice (Inter, JetBrains Mono) before them,
// and Material Icons when neither Segoe icon font exists (Wine has neither).
[[nodiscard]] FontFamilies chooseDirectWriteFamilies(const std::function<bool(std::string_view)>& hasFamily);
[[nodiscard]] IconSet iconSetOf(const FontFamilies& families);

// The fifteen text formats, made at the first use from the families the system collection
// holds; measuring. Alignment and reading direction are set on a format by each draw.
class DirectWriteText final : public TextMeasure {
 public:
  DirectWriteText();
  ~DirectWriteText() override;
  DirectWriteText(const DirectWriteText&) = delete;
  DirectWriteText& operator=(const DirectWriteText&) = delete;

  [[nodiscard]] float measureText(std::wstring_view text, TextFormat format) const override;
  [[nodiscard]] const FontFamilies& families() const;
  [[nodiscard]] IconSet iconSet() const { return iconSetOf(families()); }
  // Null when DirectWrite could not make it.
  [[nodiscard]] IDWriteTextFormat* format(TextFormat format) const;
  // `text` laid out in a box of maxWidth × maxHeight DIPs, its paragraph direction and leading
  // side from its first strong character as drawText uses them; null on failure.
  [[nodiscard]] ComRef<IDWriteTextLayout> layout(std::wstring_view text, TextFormat format, float maxWidth,
                                                 float maxHeight, TextAlign align) const;

 private:
  void load() const;

  mutable bool loaded_ = false;
  mutable FontFamilies families_;
  mutable std::array<IDWriteTextFormat*, kTextFormatCount> formats_{};
};

// A domain for the pictures of a render target made now (Canvas::imageDomain): never 0, never
// one given before.
[[nodiscard]] std::uint64_t newImageDomain();

// Draws on any Direct2D render target (a window's, a WIC bitmap's, a compatible one); the target
// is between BeginDraw and EndDraw for the canvas's life, with DIPs as its user space.
class Direct2DCanvas final : public Canvas {
 public:
  // `imageDomain` comes from newImageDomain() when `target` was made.
  Direct2DCanvas(ID2D1RenderTarget* target, DirectWriteText& text, double scale, std::uint64_t clockMs,
                 std::uint64_t imageDomain);
  ~Direct2DCanvas() override;

  [[nodiscard]] const TextMeasure& text() const override { return text_; }
  [[nodiscard]] IconSet iconSet() const override { return text_.iconSet(); }
  [[nodiscard]] std::uint64_t imageDomain() const override { return imageDomain_; }

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
  void drawRun(std::wstring_view text, TextFormat format, float x, float y, std::uint32_t rgb,
               float accentLeft, float accentRight) override;

  void pushClip(const RectF& rect) override;
  void pushRoundClip(const RectF& rect, float radius) override;
  void popClip() override;
  void pushScale(float cx, float cy, float s) override;
  void popTransform() override;

  [[nodiscard]] std::unique_ptr<CanvasImage> makeImage(float width, float height,
                                                       const std::function<void(Canvas&)>& paint) override;
  void drawImage(const CanvasImage& image, float x, float y, bool replace = false) override;
  void drawPixels(const ThumbView& picture, float x, float y, float s) override;

  void endFrame() override {}

 private:
  ID2D1SolidColorBrush* brush(std::uint32_t rgb, float alpha);
  void fillRoundWith(const RectF& rect, float radius, ID2D1Brush* brush);

  ID2D1RenderTarget* target_;
  DirectWriteText& text_;
  std::uint64_t imageDomain_;
  ComRef<ID2D1SolidColorBrush> brush_;  // the one solid brush, recoloured per primitive
  std::vector<bool> clipIsLayer_;
  std::vector<D2D1_MATRIX_3X2_F> transforms_;
};

// A window's Direct2D target: an ID2D1HwndRenderTarget on the window's client area, made at the
// first paint with the window's DPI and made again after the device was lost.
class Direct2DWindowTarget {
 public:
  explicit Direct2DWindowTarget(HWND window);
  ~Direct2DWindowTarget();
  Direct2DWindowTarget(const Direct2DWindowTarget&) = delete;
  Direct2DWindowTarget& operator=(const Direct2DWindowTarget&) = delete;

  // WM_SIZE (not minimized) and WM_DPICHANGED.
  void resize(UINT widthPx, UINT heightPx);
  void setDpi(UINT dpi);
  // BeginDraw, identity transform, the window background, `paint` draws a frame in DIPs, EndDraw;
  // false when the frame was skipped (no target could be made).
  bool paint(std::uint64_t clockMs, const std::function<void(Canvas&)>& paint);
  [[nodiscard]] DirectWriteText& text() { return text_; }
  // Counts the targets made; pictures made for an older one must be made again.
  [[nodiscard]] std::uint32_t generation() const { return generation_; }
  // The domain of the current target's pictures.
  [[nodiscard]] std::uint64_t imageDomain() const { return imageDomain_; }

 private:
  HWND window_;
  UINT dpi_ = 0;  // 0 until known: the window's own at the first paint
  ComRef<ID2D1HwndRenderTarget> target_;
  DirectWriteText text_;
  std::uint32_t generation_ = 0;
  std::uint64_t imageDomain_ = 0;
};

}  // namespace tarnwick
