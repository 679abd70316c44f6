// Where the main window opens and how children land on DIP rectangles, checked against real
// windows where Windows' own frame metrics decide.
#include "shell/win32/window_metrics.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace tarnwick::win32 {
namespace {

LRESULT CALLBACK plainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* plainClass() {
  static const bool registered = [] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = plainProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TarnwickMetricsTest";
    return RegisterClassW(&windowClass) != 0;
  }();
  return registered ? L"TarnwickMetricsTest" : nullptr;
}

TEST(WindowMetrics, TheOpeningWindowFitsNinetySixPercentOfTheWorkAreaAndIsCentred) {
  // The 900 × 860 DIP client area with the frame around it, as Windows measures the frame.
  const SIZE outer96 = outerSizeForClient(preferredClientWidthDip, preferredClientHeightDip, 96);
  const SIZE outer144 = outerSizeForClient(preferredClientWidthDip, preferredClientHeightDip, 144);
  ASSERT_GT(outer96.cx, 900);
  ASSERT_LT(outer96.cx, 960);
  ASSERT_GT(outer144.cx, 1350);  // 900 × 1.5 before the frame

  struct Case {
    const char* name;
    RECT work;
    SIZE outer;
    LONG width, height;  // 96 % of the work area where the window would not fit
  };
  const Case cases[] = {
      {"1000 × 700: only the height is capped", {0, 0, 1000, 700}, outer96, outer96.cx, 672},
      {"roomy: nothing capped", {0, 0, 1920, 1040}, outer96, outer96.cx, outer96.cy},
      {"second monitor to the right", {1920, 40, 2920, 740}, outer96, outer96.cx, 672},
      {"144 DPI on 1280 × 720: both capped, truncated", {0, 0, 1280, 720}, outer144, 1228, 691},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RECT r = initialWindowRect(c.work, c.outer);
    EXPECT_EQ(r.right - r.left, c.width);
    EXPECT_EQ(r.bottom - r.top, c.height);
    EXPECT_EQ(r.left, c.work.left + (c.work.right - c.work.left - c.width) / 2);
    EXPECT_EQ(r.top, c.work.top + (c.work.bottom - c.work.top - c.height) / 2);
  }

  // A real window of the outer size gets exactly the client area asked for (one small enough
  // for any screen: Windows keeps a new window within the screen).
  const SIZE outer = outerSizeForClient(600, 400, 96);
  HWND window = CreateWindowExW(0, plainClass(), L"", WS_OVERLAPPEDWINDOW, 0, 0, outer.cx, outer.cy, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 600);
  EXPECT_EQ(client.bottom, 400);
  DestroyWindow(window);
}

TEST(WindowMetrics, ChildrenLandOnRoundedEdgesSoNeighboursNeverGap) {
  HWND parent = CreateWindowExW(0, plainClass(), L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(parent, nullptr);
  HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 0, 0, parent, nullptr, nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  struct Case {
    RectF dips;
    UINT dpi;
    RECT expected;  // left, top, width, height in the parent's client area
  };
  const Case cases[] = {
      {{10, 10, 20, 20}, 144, {15, 15, 15, 15}},
      {{10, 10, 20, 20}, 96, {10, 10, 10, 10}},
      // 0.75 → 1 and 2.25 → 2: one pixel wide, not the rounded 1.5 DIPs' two.
      {{0.5f, 0.5f, 1.5f, 1.5f}, 144, {1, 1, 1, 1}},
      {{8.2f, 4, 108.2f, 26}, 120, {10, 5, 125, 28}},
  };
  for (const Case& c : cases) {
    moveChildToDipRect(child, c.dips, c.dpi);
    RECT placed{};
    GetWindowRect(child, &placed);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, c.expected.left);
    EXPECT_EQ(placed.top, c.expected.top);
    EXPECT_EQ(placed.right - placed.left, c.expected.right);
    EXPECT_EQ(placed.bottom - placed.top, c.expected.bottom);
  }
  DestroyWindow(parent);
}

}  // namespace
}  // namespace tarnwick::win32
