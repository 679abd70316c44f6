// Window sizes and child placement in device pixels for a given DPI. The arithmetic is kept apart
// from the window so that it can be checked on its own.
#pragma once

#include <windows.h>

#include "render/geometry.h"

namespace tarnwick::win32 {

// The client area the window opens with and the least it can be shrunk to, in DIPs.
inline constexpr int preferredClientWidthDip = 900;
inline constexpr int preferredClientHeightDip = 860;
inline constexpr int minimumClientWidthDip = 700;
inline constexpr int minimumClientHeightDip = 630;

inline constexpr DWORD mainWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

// The outer size of a WS_OVERLAPPEDWINDOW without a menu whose client area is width × height DIPs
// at `dpi` (each side rounded to the nearest pixel first).
[[nodiscard]] SIZE outerSizeForClient(int widthDip, int heightDip, UINT dpi);

// Where the window opens: `outer`, each side capped at 96 % of the work area (integer,
// truncating), centred in it (integer halves).
[[nodiscard]] RECT initialWindowRect(const RECT& workArea, SIZE outer);

// The pixel rectangle of a DIP rectangle at `dpi`: edges rounded, sizes their differences.
[[nodiscard]] PxRect pixelRectAt(const RectF& rect, UINT dpi);

// Moves a child control onto a DIP rectangle of its parent's client area.
void moveChildToDipRect(HWND child, const RectF& rect, UINT dpi);

}  // namespace tarnwick::win32
