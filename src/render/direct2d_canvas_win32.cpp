#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <numbers>

#include "render/direct2d_canvas.h"
#include "render/palette.h"

namespace tarnwick {
namespace {

D2D1_COLOR_F colorOf(std::uint32_t rgb, float alpha) {
  return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, alpha};
}

D2D1_RECT_F rectOf(const RectF& r) {
  return {r.left, r.top, r.right, r.bottom};
}

D2D1_POINT_2F pointOf(float x, float y) {
  return {x, y};
}

// Cairo's rule, so that both backends agree: a radius never exceeds half the shorter side.
D2D1_ROUNDED_RECT roundedOf(const RectF& r, float radius) {
  const float clamped = std::clamp(radius, 0.0f, std::min(r.width(), r.height()) / 2);
  return {rectOf(r), clamped, clamped};
}

// Spinner caps: round at both ends of the arc.
ID2D1StrokeStyle* roundStroke() {
  static ID2D1StrokeStyle* const style = [] {
    ID2D1StrokeStyle* made = nullptr;
    const D2D1_STROKE_STYLE_PROPERTIES properties{D2D1_CAP_STYLE_ROUND,
                                                  D2D1_CAP_STYLE_ROUND,
                                                  D2D1_CAP_STYLE_ROUND,
                                                  D2D1_LINE_JOIN_MITER,
                                                  10.0f,
                                                  D2D1_DASH_STYLE_SOLID,
                                                  0.0f};
    if (ID2D1Factory* factory = d2dFactory()) factory->CreateStrokeStyle(&properties, nullptr, 0, &made);
    return made;
  }();
  return style;
}

struct Stop {
  float position;
  std::uint32_t rgb;
  float alpha;
};

// Windows premultiplies a gradient's stop colours itself; Wine 8 takes them as premultiplied
// already, and a translucent glow would brighten the whole window. One pixel, drawn once, with a
// transparent white stop tells which of the two this is.
bool stopsTakenPremultiplied() {
  static const bool premultiplied = [] {
    ComRef<IWICImagingFactory> wic;
    ComRef<IWICBitmap> pixel;
    ComRef<ID2D1RenderTarget> target;
    ID2D1Factory* factory = d2dFactory();
    const D2D1_RENDER_TARGET_PROPERTIES properties{
        D2D1_RENDER_TARGET_TYPE_DEFAULT,
        {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED},
        96,
        96,
        D2D1_RENDER_TARGET_USAGE_NONE,
        D2D1_FEATURE_LEVEL_DEFAULT};
    if (!factory ||
        FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(wic.put()))) ||
        FAILED(wic->CreateBitmap(1, 1, GUID_WICPixelFormat32bppPBGRA, WICBitmapCacheOnLoad, pixel.put())) ||
        FAILED(factory->CreateWicBitmapRenderTarget(pixel.get(), &properties, target.put())))
      return false;
    const D2D1_GRADIENT_STOP stops[2] = {{0, {1, 1, 1, 0}}, {1, {1, 1, 1, 0}}};
    ComRef<ID2D1GradientStopCollection> collection;
    ComRef<ID2D1LinearGradientBrush> brush;
    const D2D1_LINEAR_GRADIENT_BRUSH_PROPERTIES line{{0, 0}, {1, 0}};
    if (FAILED(target->CreateGradientStopCollection(stops, 2, D2D1_GAMMA_2_2, D2D1_EXTEND_MODE_CLAMP,
                                                    collection.put())) ||
        FAILED(target->CreateLinearGradientBrush(&line, nullptr, collection.get(), brush.put())))
      return false;
    target->BeginDraw();
    const D2D1_COLOR_F transparent{0, 0, 0, 0};
    target->Clear(&transparent);
    const D2D1_RECT_F all{0, 0, 1, 1};
    target->FillRectangle(&all, brush.get());
    std::uint32_t argb = 0;
    const WICRect one{0, 0, 1, 1};
    if (FAILED(target->EndDraw(nullptr, nullptr)) ||
        FAILED(pixel->CopyPixels(&one, 4, 4, reinterpret_cast<BYTE*>(&argb))))
      return false;
    return (argb & 0xFF) > (argb >> 24);
  }();
  return premultiplied;
}

ComRef<ID2D1GradientStopCollection> stopsOf(ID2D1RenderTarget* target, std::initializer_list<Stop> stops) {
  std::vector<D2D1_GRADIENT_STOP> list;
  const bool premultiply = stopsTakenPremultiplied();
  for (const Stop& stop : stops) {
    D2D1_COLOR_F color = colorOf(stop.rgb, stop.alpha);
    if (premultiply) {
      color.r *= color.a;
      color.g *= color.a;
      color.b *= color.a;
    }
    list.push_back({stop.position, color});
  }
  ComRef<ID2D1GradientStopCollection> collection;
  if (FAILED(target->CreateGradientStopCollection(list.data(), static_cast<UINT32>(list.size()),
                                                  D2D1_GAMMA_2_2, D2D1_EXTEND_MODE_CLAMP, collection.put())))
    collection.reset();
  return collection;
}

ComRef<ID2D1LinearGradientBrush> linearBrush(ID2D1RenderTarget* target, PointF from, PointF to,
                                             std::initializer_list<Stop> stops) {
  ComRef<ID2D1LinearGradientBrush> brush;
  const ComRef<ID2D1GradientStopCollection> collection = stopsOf(target, stops);
  if (!collection) return brush;
  const D2D1_LINEAR_GRADIENT_BRUSH_PROPERTIES line{pointOf(from.x, from.y), pointOf(to.x, to.y)};
  if (FAILED(target->CreateLinearGradientBrush(&line, nullptr, collection.get(), brush.put()))) brush.reset();
  return brush;
}

ComRef<ID2D1LinearGradientBrush> accentBrush(ID2D1RenderTarget* target, PointF from, PointF to) {
  return linearBrush(target, from, to, {{0.0f, palette::accent, 1.0f}, {1.0f, palette::accentWarm, 1.0f}});
}

// A path made of one figure; `build` adds its segments to the open sink.
ComRef<ID2D1PathGeometry> pathOf(D2D1_POINT_2F start, D2D1_FIGURE_BEGIN begin, D2D1_FIGURE_END end,
                                 const std::function<void(ID2D1GeometrySink*)>& build) {
  ComRef<ID2D1PathGeometry> path;
  ID2D1Factory* factory = d2dFactory();
  if (!factory || FAILED(factory->CreatePathGeometry(path.put()))) return {};
  ComRef<ID2D1GeometrySink> sink;
  if (FAILED(path->Open(sink.put()))) return {};
  sink->BeginFigure(start, begin);
  build(sink.get());
  sink->EndFigure(end);
  if (FAILED(sink->Close())) return {};
  return path;
}

// A picture on a compatible target: shares the device of the target it was made on.
class Direct2DImage final : public CanvasImage {
 public:
  Direct2DImage(ComRef<ID2D1Bitmap> bitmap, float width, float height)
      : bitmap_(std::move(bitmap)), width_(width), height_(height) {}
  [[nodiscard]] ID2D1Bitmap* bitmap() const { return bitmap_.get(); }
  [[nodiscard]] float width() const { return width_; }
  [[nodiscard]] float height() const { return height_; }

 private:
  ComRef<ID2D1Bitmap> bitmap_;
  float width_;
  float height_;
};

}  // namespace

ID2D1Factory* d2dFactory() {
  static ID2D1Factory* const factory = [] {
    void* made = nullptr;
    if (FAILED(D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), nullptr, &made)))
      return static_cast<ID2D1Factory*>(nullptr);
    return static_cast<ID2D1Factory*>(made);
  }();
  return factory;
}

Direct2DCanvas::Direct2DCanvas(ID2D1RenderTarget* target, DirectWriteText& text, double scale,
                               std::uint64_t clockMs)
    : Canvas(scale, clockMs), target_(target), text_(text) {
  const D2D1_COLOR_F white = colorOf(palette::white, 1.0f);
  if (FAILED(target_->CreateSolidColorBrush(&white, nullptr, brush_.put()))) brush_.reset();
}

Direct2DCanvas::~Direct2DCanvas() {
  // A painter that returned early leaves nothing pushed on the target.
  while (!clipIsLayer_.empty()) popClip();
  while (!transforms_.empty()) popTransform();
}

ID2D1SolidColorBrush* Direct2DCanvas::brush(std::uint32_t rgb, float alpha) {
  if (brush_) {
    const D2D1_COLOR_F color = colorOf(rgb, alpha);
    brush_->SetColor(&color);
  }
  return brush_.get();
}

void Direct2DCanvas::fillRoundWith(const RectF& rect, float radius, ID2D1Brush* brush) {
  if (!brush || rect.width() <= 0 || rect.height() <= 0) return;
  const D2D1_ROUNDED_RECT rounded = roundedOf(rect, radius);
  if (rounded.radiusX > 0) {
    target_->FillRoundedRectangle(&rounded, brush);
  } else {
    target_->FillRectangle(&rounded.rect, brush);
  }
}

void Direct2DCanvas::clear(std::uint32_t rgb) {
  const D2D1_COLOR_F color = colorOf(rgb, 1.0f);
  target_->Clear(&color);
}

void Direct2DCanvas::fillRect(const RectF& rect, std::uint32_t rgb, float alpha) {
  if (ID2D1Brush* solid = brush(rgb, alpha)) {
    const D2D1_RECT_F r = rectOf(rect);
    target_->FillRectangle(&r, solid);
  }
}

void Direct2DCanvas::fillRound(const RectF& rect, float radius, std::uint32_t rgb, float alpha) {
  fillRoundWith(rect, radius, brush(rgb, alpha));
}

void Direct2DCanvas::strokeRound(const RectF& rect, float radius, std::uint32_t rgb, float alpha,
                                 float width) {
  const RectF inner = rect.inflated(-width / 2);
  ID2D1Brush* solid = brush(rgb, alpha);
  if (!solid || inner.width() <= 0 || inner.height() <= 0) return;
  const D2D1_ROUNDED_RECT rounded = roundedOf(inner, radius);
  target_->DrawRoundedRectangle(&rounded, solid, width, nullptr);
}

void Direct2DCanvas::fillCircle(float cx, float cy, float r, std::uint32_t rgb, float alpha) {
  if (ID2D1Brush* solid = brush(rgb, alpha)) {
    const D2D1_ELLIPSE ellipse{pointOf(cx, cy), r, r};
    target_->FillEllipse(&ellipse, solid);
  }
}

void Direct2DCanvas::strokeCircle(float cx, float cy, float r, std::uint32_t rgb, float alpha, float width) {
  if (ID2D1Brush* solid = brush(rgb, alpha)) {
    const D2D1_ELLIPSE ellipse{pointOf(cx, cy), r, r};
    target_->DrawEllipse(&ellipse, solid, width, nullptr);
  }
}

void Direct2DCanvas::drawLine(float x0, float y0, float x1, float y1, std::uint32_t rgb, float alpha,
                              float width) {
  if (ID2D1Brush* solid = brush(rgb, alpha))
    target_->DrawLine(pointOf(x0, y0), pointOf(x1, y1), solid, width, nullptr);
}

void Direct2DCanvas::fillTriangle(PointF a, PointF b, PointF c, std::uint32_t rgb, float alpha) {
  const ComRef<ID2D1PathGeometry> path = pathOf(pointOf(a.x, a.y), D2D1_FIGURE_BEGIN_FILLED,
                                                D2D1_FIGURE_END_CLOSED, [&](ID2D1GeometrySink* sink) {
                                                  sink->AddLine(pointOf(b.x, b.y));
                                                  sink->AddLine(pointOf(c.x, c.y));
                                                });
  ID2D1Brush* solid = brush(rgb, alpha);
  if (path && solid) target_->FillGeometry(path.get(), solid, nullptr);
}

void Direct2DCanvas::fillAccentRound(const RectF& rect, float radius, PointF from, PointF to) {
  const ComRef<ID2D1LinearGradientBrush> accent = accentBrush(target_, from, to);
  fillRoundWith(rect, radius, accent.get());
}

void Direct2DCanvas::strokeAccentArc(float cx, float cy, float r, double a0, double a1, float width) {
  const auto at = [&](double a) {
    return pointOf(cx + r * static_cast<float>(std::cos(a)), cy + r * static_cast<float>(std::sin(a)));
  };
  // Cubic pieces of at most a quarter turn each rather than AddArc, which Wine 8 leaves out.
  const int pieces = std::max(1, static_cast<int>(std::ceil((a1 - a0) / (std::numbers::pi / 2))));
  const double step = (a1 - a0) / pieces;
  const float k = static_cast<float>(4.0 / 3.0 * std::tan(step / 4)) * r;
  const ComRef<ID2D1PathGeometry> path =
      pathOf(at(a0), D2D1_FIGURE_BEGIN_HOLLOW, D2D1_FIGURE_END_OPEN, [&](ID2D1GeometrySink* sink) {
        for (int i = 0; i < pieces; ++i) {
          const double from = a0 + i * step;
          const double to = from + step;
          const D2D1_POINT_2F p0 = at(from);
          const D2D1_POINT_2F p3 = at(to);
          const D2D1_BEZIER_SEGMENT bezier{pointOf(p0.x - k * static_cast<float>(std::sin(from)),
                                                   p0.y + k * static_cast<float>(std::cos(from))),
                                           pointOf(p3.x + k * static_cast<float>(std::sin(to)),
                                                   p3.y - k * static_cast<float>(std::cos(to))),
                                           p3};
          sink->AddBezier(&bezier);
        }
      });
  const ComRef<ID2D1LinearGradientBrush> accent = accentBrush(target_, {cx - r, cy - r}, {cx + r, cy + r});
  if (path && accent) target_->DrawGeometry(path.get(), accent.get(), width, roundStroke());
}

void Direct2DCanvas::fillSheen(const RectF& rect, float radius, float centreX) {
  const ComRef<ID2D1LinearGradientBrush> sheen = linearBrush(
      target_, {centreX - 80, 0}, {centreX + 80, 0},
      {{0.0f, palette::white, 0.0f}, {0.5f, palette::white, 0.35f}, {1.0f, palette::white, 0.0f}});
  fillRoundWith(rect, radius, sheen.get());
}

void Direct2DCanvas::fillBackgroundGlow(const RectF& area, float cx, float cy, float rx, float ry,
                                        std::uint32_t rgb, float alpha) {
  if (rx <= 0 || ry <= 0) return;
  const ComRef<ID2D1GradientStopCollection> stops =
      stopsOf(target_, {{0.0f, rgb, alpha}, {0.45f, rgb, alpha * 0.45f}, {1.0f, rgb, 0.0f}});
  if (!stops) return;
  const D2D1_RADIAL_GRADIENT_BRUSH_PROPERTIES shape{pointOf(cx, cy), pointOf(0, 0), rx, ry};
  ComRef<ID2D1RadialGradientBrush> glow;
  if (FAILED(target_->CreateRadialGradientBrush(&shape, nullptr, stops.get(), glow.put()))) return;
  const D2D1_RECT_F r = rectOf(area);
  target_->FillRectangle(&r, glow.get());
}

void Direct2DCanvas::drawText(std::wstring_view text, TextFormat format, const RectF& rect, std::uint32_t rgb,
                              float alpha, TextAlign align, bool top) {
  if (text.empty() || rect.width() <= 0 || rect.height() <= 0) return;
  const ComRef<IDWriteTextLayout> layout = text_.layout(text, format, rect.width(), rect.height(), align);
  ID2D1Brush* solid = brush(rgb, alpha);
  if (!layout || !solid) return;
  layout->SetParagraphAlignment(top ? DWRITE_PARAGRAPH_ALIGNMENT_NEAR : DWRITE_PARAGRAPH_ALIGNMENT_CENTER);
  target_->DrawTextLayout(pointOf(rect.left, rect.top), layout.get(), solid, D2D1_DRAW_TEXT_OPTIONS_CLIP);
}

TextRun Direct2DCanvas::measureRun(std::wstring_view text, TextFormat format, std::size_t rangeStart,
                                   std::size_t rangeLength) {
  TextRun run;
  const ComRef<IDWriteTextLayout> layout = text_.layout(text, format, 10000, 10000, TextAlign::leading);
  DWRITE_TEXT_METRICS metrics{};
  if (!layout || FAILED(layout->GetMetrics(&metrics))) return run;
  run.width = metrics.widthIncludingTrailingWhitespace;
  run.height = metrics.height;
  if (rangeLength == 0) return run;
  // The range's boxes (more than one when it crosses a change of direction), joined.
  UINT32 count = 0;
  layout->HitTestTextRange(static_cast<UINT32>(rangeStart), static_cast<UINT32>(rangeLength), 0, 0, nullptr,
                           0, &count);
  std::vector<DWRITE_HIT_TEST_METRICS> boxes(count);
  if (count == 0 ||
      FAILED(layout->HitTestTextRange(static_cast<UINT32>(rangeStart), static_cast<UINT32>(rangeLength), 0, 0,
                                      boxes.data(), count, &count))) {
    // Wine 8 has no hit testing: the widths of the text before and through the range, which is
    // the range's extent in a left-to-right line.
    const std::size_t end = std::min(text.size(), rangeStart + rangeLength);
    const auto widthOf = [&](std::size_t length) {
      const ComRef<IDWriteTextLayout> part =
          text_.layout(text.substr(0, length), format, 10000, 10000, TextAlign::leading);
      DWRITE_TEXT_METRICS partMetrics{};
      return part && SUCCEEDED(part->GetMetrics(&partMetrics)) ? partMetrics.widthIncludingTrailingWhitespace
                                                               : 0.0f;
    };
    run.rangeLeft = rangeStart == 0 ? 0 : widthOf(rangeStart);
    run.rangeRight = widthOf(end);
    return run;
  }
  run.rangeLeft = boxes[0].left;
  run.rangeRight = boxes[0].left + boxes[0].width;
  for (const DWRITE_HIT_TEST_METRICS& box : boxes) {
    run.rangeLeft = std::min(run.rangeLeft, box.left);
    run.rangeRight = std::max(run.rangeRight, box.left + box.width);
  }
  // A right-to-left run is laid out at the trailing (left) edge of the wide box: from 0 already.
  run.rangeLeft -= metrics.left;
  run.rangeRight -= metrics.left;
  return run;
}

void Direct2DCanvas::drawRun(std::wstring_view text, TextFormat format, float x, float y, std::uint32_t rgb,
                             float accentLeft, float accentRight) {
  const ComRef<IDWriteTextLayout> layout = text_.layout(text, format, 10000, 10000, TextAlign::leading);
  DWRITE_TEXT_METRICS metrics{};
  if (!layout || FAILED(layout->GetMetrics(&metrics))) return;
  const D2D1_POINT_2F origin = pointOf(x - metrics.left, y);
  // The same layout three times, each clipped to its side of the accent span: no range of
  // characters needs to match the span exactly.
  constexpr float kFar = 1.0e5f;
  const float top = y - kFar;
  const float bottom = y + kFar;
  const auto drawClipped = [&](float left, float right, ID2D1Brush* with) {
    if (!with || right <= left) return;
    const D2D1_RECT_F clip{left, top, right, bottom};
    target_->PushAxisAlignedClip(&clip, D2D1_ANTIALIAS_MODE_ALIASED);
    target_->DrawTextLayout(origin, layout.get(), with, D2D1_DRAW_TEXT_OPTIONS_NONE);
    target_->PopAxisAlignedClip();
  };
  if (accentRight <= accentLeft) {
    drawClipped(-kFar, kFar, brush(rgb, 1.0f));
    return;
  }
  drawClipped(-kFar, accentLeft, brush(rgb, 1.0f));
  drawClipped(accentRight, kFar, brush(rgb, 1.0f));
  const ComRef<ID2D1LinearGradientBrush> accent = accentBrush(target_, {accentLeft, y}, {accentRight, y});
  drawClipped(accentLeft, accentRight, accent.get());
}

void Direct2DCanvas::pushClip(const RectF& rect) {
  const D2D1_RECT_F r = rectOf(rect);
  target_->PushAxisAlignedClip(&r, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
  clipIsLayer_.push_back(false);
}

void Direct2DCanvas::pushRoundClip(const RectF& rect, float radius) {
  ComRef<ID2D1RoundedRectangleGeometry> shape;
  ComRef<ID2D1Layer> layer;
  ID2D1Factory* factory = d2dFactory();
  const D2D1_ROUNDED_RECT rounded = roundedOf(rect, radius);
  // The square clip under the layer is what remains where layers do nothing (Wine 8).
  pushClip(rect);
  if (factory && SUCCEEDED(factory->CreateRoundedRectangleGeometry(&rounded, shape.put())) &&
      SUCCEEDED(target_->CreateLayer(nullptr, layer.put()))) {
    D2D1_MATRIX_3X2_F identity{1, 0, 0, 1, 0, 0};
    const D2D1_LAYER_PARAMETERS parameters{{-FLT_MAX, -FLT_MAX, FLT_MAX, FLT_MAX},
                                           shape.get(),
                                           D2D1_ANTIALIAS_MODE_PER_PRIMITIVE,
                                           identity,
                                           1.0f,
                                           nullptr,
                                           D2D1_LAYER_OPTIONS_NONE};
    target_->PushLayer(&parameters, layer.get());
    clipIsLayer_.back() = true;
  }
}

void Direct2DCanvas::popClip() {
  if (clipIsLayer_.empty()) return;
  if (clipIsLayer_.back()) target_->PopLayer();
  target_->PopAxisAlignedClip();
  clipIsLayer_.pop_back();
}

void Direct2DCanvas::pushScale(float cx, float cy, float s) {
  D2D1_MATRIX_3X2_F current{};
  target_->GetTransform(&current);
  transforms_.push_back(current);
  // Scale about (cx, cy) first, then whatever was in place.
  const D2D1_MATRIX_3X2_F scale{s, 0, 0, s, cx - s * cx, cy - s * cy};
  const D2D1_MATRIX_3X2_F combined{scale._11 * current._11,
                                   scale._11 * current._12,
                                   scale._22 * current._21,
                                   scale._22 * current._22,
                                   scale._31 * current._11 + scale._32 * current._21 + current._31,
                                   scale._31 * current._12 + scale._32 * current._22 + current._32};
  target_->SetTransform(&combined);
}

void Direct2DCanvas::popTransform() {
  if (transforms_.empty()) return;
  target_->SetTransform(&transforms_.back());
  transforms_.pop_back();
}

std::unique_ptr<CanvasImage> Direct2DCanvas::makeImage(float width, float height,
                                                       const std::function<void(Canvas&)>& paint) {
  const double s = scale();
  const D2D1_SIZE_U pixels{static_cast<UINT32>(std::max(1.0, std::ceil(width * s))),
                           static_cast<UINT32>(std::max(1.0, std::ceil(height * s)))};
  const D2D1_SIZE_F dips{static_cast<float>(pixels.width / s), static_cast<float>(pixels.height / s)};
  ComRef<ID2D1BitmapRenderTarget> layer;
  if (FAILED(target_->CreateCompatibleRenderTarget(&dips, &pixels, nullptr,
                                                   D2D1_COMPATIBLE_RENDER_TARGET_OPTIONS_NONE, layer.put())))
    return nullptr;
  layer->BeginDraw();
  const D2D1_COLOR_F transparent{0, 0, 0, 0};
  layer->Clear(&transparent);
  {
    Direct2DCanvas canvas(layer.get(), text_, s, clock());
    paint(canvas);
  }
  ComRef<ID2D1Bitmap> bitmap;
  if (FAILED(layer->EndDraw(nullptr, nullptr)) || FAILED(layer->GetBitmap(bitmap.put()))) return nullptr;
  return std::make_unique<Direct2DImage>(std::move(bitmap), dips.width, dips.height);
}

void Direct2DCanvas::drawImage(const CanvasImage& image, float x, float y, bool replace) {
  const auto* picture = dynamic_cast<const Direct2DImage*>(&image);
  if (!picture || !picture->bitmap()) return;
  const D2D1_RECT_F to{x, y, x + picture->width(), y + picture->height()};
  if (replace) {
    const D2D1_COLOR_F transparent{0, 0, 0, 0};
    target_->PushAxisAlignedClip(&to, D2D1_ANTIALIAS_MODE_ALIASED);
    target_->Clear(&transparent);
    target_->PopAxisAlignedClip();
  }
  target_->DrawBitmap(picture->bitmap(), &to, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR, nullptr);
}

void Direct2DCanvas::drawPixels(const ThumbView& picture, float x, float y, float s) {
  if (!picture.present()) return;
  const D2D1_BITMAP_PROPERTIES properties{
      {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED}, 96, 96};
  const D2D1_SIZE_U size{static_cast<UINT32>(picture.width), static_cast<UINT32>(picture.height)};
  ComRef<ID2D1Bitmap> bitmap;
  if (FAILED(target_->CreateBitmap(size, picture.pixels, static_cast<UINT32>(picture.stride), &properties,
                                   bitmap.put())))
    return;
  const D2D1_RECT_F to{x, y, x + s * picture.width, y + s * picture.height};
  target_->DrawBitmap(bitmap.get(), &to, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
}

Direct2DWindowTarget::Direct2DWindowTarget(HWND window) : window_(window) {}

Direct2DWindowTarget::~Direct2DWindowTarget() = default;

void Direct2DWindowTarget::resize(UINT widthPx, UINT heightPx) {
  const D2D1_SIZE_U size{widthPx, heightPx};
  if (target_) target_->Resize(&size);
}

void Direct2DWindowTarget::setDpi(UINT dpi) {
  dpi_ = dpi;
  if (target_) target_->SetDpi(static_cast<float>(dpi), static_cast<float>(dpi));
}

bool Direct2DWindowTarget::paint(std::uint64_t clockMs, const std::function<void(Canvas&)>& paint) {
  if (!target_) {
    ID2D1Factory* factory = d2dFactory();
    if (dpi_ == 0) dpi_ = GetDpiForWindow(window_);
    if (dpi_ == 0) dpi_ = 96;
    RECT client{};
    GetClientRect(window_, &client);
    const D2D1_RENDER_TARGET_PROPERTIES properties{
        D2D1_RENDER_TARGET_TYPE_DEFAULT, {DXGI_FORMAT_UNKNOWN, D2D1_ALPHA_MODE_UNKNOWN},
        static_cast<float>(dpi_),        static_cast<float>(dpi_),
        D2D1_RENDER_TARGET_USAGE_NONE,   D2D1_FEATURE_LEVEL_DEFAULT};
    const D2D1_HWND_RENDER_TARGET_PROPERTIES window{
        window_,
        {static_cast<UINT32>(client.right - client.left), static_cast<UINT32>(client.bottom - client.top)},
        D2D1_PRESENT_OPTIONS_NONE};
    ++generation_;
    if (!factory || FAILED(factory->CreateHwndRenderTarget(&properties, &window, target_.put()))) {
      target_.reset();
      return false;
    }
  }
  target_->BeginDraw();
  const D2D1_MATRIX_3X2_F identity{1, 0, 0, 1, 0, 0};
  target_->SetTransform(&identity);
  {
    Direct2DCanvas canvas(target_.get(), text_, dpi_ / 96.0, clockMs);
    canvas.clear(palette::windowBackground);
    paint(canvas);
  }
  if (target_->EndDraw(nullptr, nullptr) == static_cast<HRESULT>(D2DERR_RECREATE_TARGET)) target_.reset();
  return true;
}

}  // namespace tarnwick
