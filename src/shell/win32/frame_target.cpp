#include "shell/win32/frame_target.h"

#include "render/palette.h"

namespace tarnwick::win32 {

bool runningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

FrameTarget::FrameTarget(HWND window)
    : window_(window), dpi_(GetDpiForWindow(window)), throughDc_(runningUnderWine()), windowTarget_(window) {
  windowTarget_.setDpi(dpi_);
}

void FrameTarget::resize(UINT widthPx, UINT heightPx) {
  windowTarget_.resize(widthPx, heightPx);
}

void FrameTarget::setDpi(UINT dpi) {
  dpi_ = dpi;
  windowTarget_.setDpi(dpi);
  if (dcTarget_) dcTarget_->SetDpi(static_cast<float>(dpi), static_cast<float>(dpi));
}

bool FrameTarget::paint(HDC paintDc, std::uint64_t clockMs, const std::function<void(Canvas&)>& paint) {
  if (throughDc_) return paintThroughDc(paintDc, clockMs, paint);
  return windowTarget_.paint(clockMs, paint);
}

bool FrameTarget::paintThroughDc(HDC paintDc, std::uint64_t clockMs,
                                 const std::function<void(Canvas&)>& paint) {
  if (!dcTarget_) {
    ID2D1Factory* factory = d2dFactory();
    const D2D1_RENDER_TARGET_PROPERTIES properties{
        D2D1_RENDER_TARGET_TYPE_DEFAULT, {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE},
        static_cast<float>(dpi_),        static_cast<float>(dpi_),
        D2D1_RENDER_TARGET_USAGE_NONE,   D2D1_FEATURE_LEVEL_DEFAULT};
    if (!factory || FAILED(factory->CreateDCRenderTarget(&properties, dcTarget_.put()))) {
      dcTarget_.reset();
      return false;
    }
  }
  RECT client{};
  GetClientRect(window_, &client);
  if (FAILED(dcTarget_->BindDC(paintDc, &client))) return false;
  dcTarget_->BeginDraw();
  const D2D1_MATRIX_3X2_F identity{1, 0, 0, 1, 0, 0};
  dcTarget_->SetTransform(&identity);
  {
    Direct2DCanvas canvas(dcTarget_.get(), windowTarget_.text(), dpi_ / 96.0, clockMs);
    canvas.clear(palette::windowBackground);
    paint(canvas);
  }
  // A lost device: the next frame makes the target again.
  if (dcTarget_->EndDraw(nullptr, nullptr) == static_cast<HRESULT>(D2DERR_RECREATE_TARGET)) dcTarget_.reset();
  return true;
}

}  // namespace tarnwick::win32
