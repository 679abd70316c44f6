#include "shell/win32/window_metrics.h"

#include <algorithm>
#include <cmath>

namespace tarnwick::win32 {

SIZE outerSizeForClient(int widthDip, int heightDip, UINT dpi) {
  RECT rect{0, 0, static_cast<LONG>(std::lround(widthDip * static_cast<double>(dpi) / 96)),
            static_cast<LONG>(std::lround(heightDip * static_cast<double>(dpi) / 96))};
  AdjustWindowRectExForDpi(&rect, WS_OVERLAPPEDWINDOW, FALSE, 0, dpi);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

RECT initialWindowRect(const RECT& workArea, SIZE outer) {
  const LONG workWidth = workArea.right - workArea.left;
  const LONG workHeight = workArea.bottom - workArea.top;
  const LONG width = std::min(outer.cx, workWidth * 96 / 100);
  const LONG height = std::min(outer.cy, workHeight * 96 / 100);
  const LONG x = workArea.left + (workWidth - width) / 2;
  const LONG y = workArea.top + (workHeight - height) / 2;
  return {x, y, x + width, y + height};
}

PxRect pixelRectAt(const RectF& rect, UINT dpi) {
  return dipRectToPx(rect, dpi / 96.0);
}

void moveChildToDipRect(HWND child, const RectF& rect, UINT dpi) {
  const PxRect px = pixelRectAt(rect, dpi);
  MoveWindow(child, px.x, px.y, std::max(0, px.width), std::max(0, px.height), TRUE);
}

}  // namespace tarnwick::win32
