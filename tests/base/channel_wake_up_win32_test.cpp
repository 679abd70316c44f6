// The channel's wake-up as the Win32 window installs it: PostMessageW from the worker's thread to
// a window of the UI thread, whose message loop then drains the queue.
#include "base/channel.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace tarnwick {
namespace {

constexpr UINT drainMessage = WM_APP + 0x3F0;
std::vector<std::wstring>* drained = nullptr;

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != drainMessage) return DefWindowProcW(window, message, wParam, lParam);
  for (Message& posted : takePostedMessages()) drained->push_back(posted.text());
  return 0;
}

TEST(ChannelWakeUp, PostMessageWakesTheWindowsThreadAndEveryMessageArrivesInOrder) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TarnwickChannelTest";
  ASSERT_NE(RegisterClassW(&windowClass), 0);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  std::vector<std::wstring> received;
  drained = &received;
  openChannel([window] { PostMessageW(window, drainMessage, 0, 0); });

  constexpr int count = 2000;
  std::thread worker([] {
    for (int i = 0; i < count; ++i) postText(WM_APP_LOG, std::to_wstring(i));
  });
  MSG message;
  while (received.size() < count && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  worker.join();

  ASSERT_EQ(received.size(), static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) ASSERT_EQ(received[i], std::to_wstring(i));
  shutdownChannel();
  EXPECT_FALSE(postText(WM_APP_LOG, L"late"));  // nothing wakes a window that has gone
  DestroyWindow(window);
}

}  // namespace
}  // namespace tarnwick
