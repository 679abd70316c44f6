// The offscreen renderer's Direct2D backend: a WIC bitmap (premultiplied BGRA, which is the
// Image's 0xAARRGGBB in memory) and a Direct2DCanvas over a render target on it.
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "render/direct2d_canvas.h"
#include "render/offscreen.h"

namespace tarnwick {
namespace {

ComRef<IWICImagingFactory> wicFactory() {
  ComRef<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.put()))))
    factory.reset();
  return factory;
}

// PNG holds straight alpha.
std::uint32_t unpremultiplied(std::uint32_t argb) {
  const std::uint32_t a = argb >> 24;
  if (a == 0 || a == 255) return a == 0 ? 0 : argb;
  std::uint32_t out = a << 24;
  for (int shift : {0, 8, 16}) {
    const std::uint32_t c = (argb >> shift) & 0xFF;
    out |= std::min<std::uint32_t>(255, (c * 255 + a / 2) / a) << shift;
  }
  return out;
}

}  // namespace

class OffscreenRenderer::Backend {
 public:
  Backend() : wic_(wicFactory()) {}
  ~Backend() { finish(); }
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;

  [[nodiscard]] const DirectWriteText& text() const { return text_; }
  [[nodiscard]] IWICImagingFactory* wic() const { return wic_.get(); }

  Canvas& begin(float width, float height, double scale, std::uint64_t clockMs) {
    finish();
    const UINT pw = static_cast<UINT>(std::max(1, dipToPx(width, scale)));
    const UINT ph = static_cast<UINT>(std::max(1, dipToPx(height, scale)));
    if (!target_ || pw != width_ || ph != height_ || scale != scale_) makeTarget(pw, ph, scale);
    if (target_) {
      target_->BeginDraw();
      drawing_ = true;
      const D2D1_MATRIX_3X2_F identity{1, 0, 0, 1, 0, 0};
      target_->SetTransform(&identity);
      const D2D1_COLOR_F transparent{0, 0, 0, 0};
      target_->Clear(&transparent);
    }
    // Without a target (no Direct2D device) the canvas draws into nothing and the image is empty.
    return canvas_.emplace(target_ ? target_.get() : nullTarget(), text_, scale, clockMs, imageDomain_);
  }

  [[nodiscard]] Image snapshot() {
    finish();
    Image image;
    image.width = static_cast<int>(width_);
    image.height = static_cast<int>(height_);
    image.pixels.assign(static_cast<std::size_t>(width_) * height_, 0);
    const WICRect all{0, 0, static_cast<INT>(width_), static_cast<INT>(height_)};
    ComRef<IWICBitmapLock> lock;
    UINT stride = 0;
    UINT size = 0;
    BYTE* data = nullptr;
    if (!bitmap_ || FAILED(bitmap_->Lock(&all, WICBitmapLockRead, lock.put())) ||
        FAILED(lock->GetStride(&stride)) || FAILED(lock->GetDataPointer(&size, &data)))
      return image;
    for (UINT y = 0; y < height_; ++y)
      std::memcpy(&image.pixels[static_cast<std::size_t>(y) * width_],
                  data + static_cast<std::size_t>(y) * stride, static_cast<std::size_t>(width_) * 4);
    return image;
  }

 private:
  void finish() {
    canvas_.reset();
    if (drawing_) target_->EndDraw(nullptr, nullptr);
    drawing_ = false;
  }

  void makeTarget(UINT pw, UINT ph, double scale) {
    target_.reset();
    bitmap_.reset();
    width_ = pw;
    height_ = ph;
    scale_ = scale;
    ID2D1Factory* factory = d2dFactory();
    if (!wic_ || !factory ||
        FAILED(
            wic_->CreateBitmap(pw, ph, GUID_WICPixelFormat32bppPBGRA, WICBitmapCacheOnLoad, bitmap_.put())))
      return;
    const auto dpi = static_cast<float>(96 * scale);
    const D2D1_RENDER_TARGET_PROPERTIES properties{
        D2D1_RENDER_TARGET_TYPE_DEFAULT,
        {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED},
        dpi,
        dpi,
        D2D1_RENDER_TARGET_USAGE_NONE,
        D2D1_FEATURE_LEVEL_DEFAULT};
    if (FAILED(factory->CreateWicBitmapRenderTarget(bitmap_.get(), &properties, target_.put())))
      target_.reset();
    imageDomain_ = newImageDomain();
  }

  // A DC render target never bound to a DC: every draw on it fails quietly.
  ID2D1RenderTarget* nullTarget() {
    if (!unbound_) {
      const D2D1_RENDER_TARGET_PROPERTIES properties{
          D2D1_RENDER_TARGET_TYPE_SOFTWARE,
          {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED},
          96,
          96,
          D2D1_RENDER_TARGET_USAGE_NONE,
          D2D1_FEATURE_LEVEL_DEFAULT};
      if (ID2D1Factory* factory = d2dFactory()) factory->CreateDCRenderTarget(&properties, unbound_.put());
    }
    return unbound_.get();
  }

  ComApartment apartment_;
  ComRef<IWICImagingFactory> wic_;
  DirectWriteText text_;
  ComRef<IWICBitmap> bitmap_;
  ComRef<ID2D1RenderTarget> target_;
  ComRef<ID2D1DCRenderTarget> unbound_;
  UINT width_ = 0;
  UINT height_ = 0;
  double scale_ = 0;
  std::uint64_t imageDomain_ = 0;
  bool drawing_ = false;
  std::optional<Direct2DCanvas> canvas_;
};

bool Image::writePng(const std::filesystem::path& path) const {
  const ComApartment apartment;
  const ComRef<IWICImagingFactory> wic = wicFactory();
  ComRef<IWICStream> stream;
  ComRef<IWICBitmapEncoder> encoder;
  ComRef<IWICBitmapFrameEncode> frame;
  ComRef<IPropertyBag2> options;
  if (!wic || FAILED(wic->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
      FAILED(wic->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) ||
      FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.put(), options.put())) ||
      FAILED(frame->Initialize(options.get())) ||
      FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))))
    return false;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  if (FAILED(frame->SetPixelFormat(&format)) || format != GUID_WICPixelFormat32bppBGRA) return false;
  std::vector<std::uint32_t> straight(pixels.size());
  std::transform(pixels.begin(), pixels.end(), straight.begin(), unpremultiplied);
  const UINT stride = static_cast<UINT>(width) * 4;
  return SUCCEEDED(frame->WritePixels(static_cast<UINT>(height), stride, stride * static_cast<UINT>(height),
                                      reinterpret_cast<BYTE*>(straight.data()))) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
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
