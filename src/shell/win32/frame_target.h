// Where the main window's frames are drawn. Direct2D's window target, except under Wine: Wine shows
// that target's swap chain above the window's child controls, so the link box and the log would
// not be seen; there the frame goes through a DC render target into the WM_PAINT DC instead, which
// GDI clips around the children (WS_CLIPCHILDREN) as Windows does for the window target. UI thread.
#pragma once

#include "render/direct2d_canvas.h"

namespace tarnwick::win32 {

// Whether this process runs under Wine (its ntdll exports wine_get_version).
[[nodiscard]] bool runningUnderWine();

class FrameTarget {
 public:
  explicit FrameTarget(HWND window);

  void resize(UINT widthPx, UINT heightPx);
  void setDpi(UINT dpi);
  // Draws one frame between BeginPaint and EndPaint; false when it was skipped.
  bool paint(HDC paintDc, std::uint64_t clockMs, const std::function<void(Canvas&)>& paint);
  [[nodiscard]] DirectWriteText& text() { return windowTarget_.text(); }

 private:
  bool paintThroughDc(HDC paintDc, std::uint64_t clockMs, const std::function<void(Canvas&)>& paint);

  HWND window_;
  UINT dpi_ = 96;
  bool throughDc_;
  Direct2DWindowTarget windowTarget_;  // makes its Direct2D target only when it first paints
  ComRef<ID2D1DCRenderTarget> dcTarget_;
};

}  // namespace tarnwick::win32
