// A second start sees the first one's mutex and brings its window forward, restored.
#include "shell/win32/single_instance.h"

#include <gtest/gtest.h>

namespace tarnwick::win32 {
namespace {

TEST(SingleInstance, ASecondStartIsNotFirstAndRestoresTheFirstWindow) {
  {
    SingleInstance first;
    EXPECT_TRUE(first.first());
    {
      SingleInstance second;
      EXPECT_FALSE(second.first());
    }
    // The second one going away must not release the first one's hold.
    SingleInstance third;
    EXPECT_FALSE(third.first());
  }
  SingleInstance afterwards;  // both closed their handles
  EXPECT_TRUE(afterwards.first());

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TarnwickDesktopWnd";
  ASSERT_NE(RegisterClassW(&windowClass), 0);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Tarnwick App", WS_OVERLAPPEDWINDOW, 10, 10,
                                300, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr) << "needs a display: Wine makes no top-level window without X";
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(window));
  bringFirstWindowForward();
  EXPECT_FALSE(IsIconic(window));
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(GetForegroundWindow(), window);
  DestroyWindow(window);
}

}  // namespace
}  // namespace tarnwick::win32
