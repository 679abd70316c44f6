// The real main window, created in this process: what other programs and the GUI tests find
// (class, title, the two EDIT controls by id), the log mirroring the app's lines, the link box's
// keys reaching the app, the channel's wake-up, and a close that stops the job and saves.
#include "shell/win32/main_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/localization.h"
#include "app/settings_win32.h"
#include "base/channel.h"
#include "pipeline/format_tables.h"
#include "shell/win32/popup_window.h"

namespace tarnwick::win32 {
namespace {

std::wstring textOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring classOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// Handles the private messages posted to this thread's windows (the channel's wake-up among
// them). Paints and timers are left alone: while the window animates they never run out.
void handlePostedAppMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, WM_APP, 0xBFFF, PM_REMOVE)) DispatchMessageW(&message);
}

TEST(MainWindowWin32, OpensFindableLogsTheAppsLinesAndClosesAfterStoppingTheJob) {
  const std::wstring parentKey = L"Software\\TarnwickTest-" + std::to_wstring(GetCurrentProcessId());
  overrideSettingsKeyPath(parentKey + L"\\Tarnwick");
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  ASSERT_TRUE(registerMainWindowClass(instance));
  PopupWindow::registerClasses(instance);

  std::mutex lock;
  std::vector<int> jobKinds;
  std::vector<std::wstring> searches;
  WorkerEntries workers;
  workers.job = [&](DownloadRequest request) {
    std::lock_guard guard(lock);
    jobKinds.push_back(request.kind);
  };
  workers.preview = [](std::wstring, std::uint32_t, bool, bool) {};
  workers.search = [&](std::wstring query, std::uint32_t) {
    std::lock_guard guard(lock);
    searches.push_back(query);
  };
  {
    MainWindow window;
    window.replaceWorkers(workers);
    ASSERT_TRUE(window.create(instance, RECT{0, 0, 900, 760}));
    window.show(SW_SHOWNORMAL);
    const HWND main = window.handle();
    EXPECT_EQ(FindWindowW(L"TarnwickDesktopWnd", L"Tarnwick App"), main);
    const HWND link = GetDlgItem(main, 101);
    const HWND log = GetDlgItem(main, 102);
    ASSERT_NE(link, nullptr);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(CompareStringOrdinal(classOf(link).c_str(), -1, L"EDIT", -1, TRUE), CSTR_EQUAL);
    EXPECT_EQ(CompareStringOrdinal(classOf(log).c_str(), -1, L"EDIT", -1, TRUE), CSTR_EQUAL);
    EXPECT_EQ(GetWindowLongW(log, GWL_STYLE) & ES_READONLY, ES_READONLY);
    EXPECT_EQ(GetFocus(), link) << "the window opens with the focus in the link box";

    // The layout placed both: the link box above the log, each with a size.
    RECT linkRect{}, logRect{};
    GetWindowRect(link, &linkRect);
    GetWindowRect(log, &logRect);
    EXPECT_GT(linkRect.right - linkRect.left, 100);
    EXPECT_GT(logRect.bottom - logRect.top, 20);
    EXPECT_LE(linkRect.bottom, logRect.top);

    const std::wstring welcome(uiField(fieldWelcome));
    EXPECT_EQ(textOf(log), welcome);

    // Words and Enter in the link box: a search, queued behind the setup job, and its log line.
    SetWindowTextW(link, L"lofi beats");
    SendMessageW(link, WM_KEYDOWN, VK_RETURN, 0);
    const std::wstring searchLine = std::wstring(uiField(fieldSearch)) + L": lofi beats";
    EXPECT_EQ(textOf(log), welcome + L"\r\n" + searchLine);

    // A worker's line arrives through the channel's wake-up on this thread.
    std::thread worker([] { postText(WM_APP_LOG, L"from a worker"); });
    worker.join();
    handlePostedAppMessages();
    EXPECT_EQ(textOf(log), welcome + L"\r\n" + searchLine + L"\r\nfrom a worker");

    // Tab leaves the link box, and the log, for the drawn elements.
    for (HWND from : {link, log}) {
      SetFocus(from);
      SendMessageW(from, WM_KEYDOWN, VK_TAB, 0);
      EXPECT_EQ(GetFocus(), main);
    }

    SendMessageW(main, WM_CLOSE, 0, 0);  // only setup runs: no question
    EXPECT_FALSE(IsWindow(main));
  }
  EXPECT_EQ(jobKinds, std::vector<int>{0}) << "the setup-only job ran and was joined";
  EXPECT_TRUE(searches.empty()) << "the search waits for setup";
  HKEY saved = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (parentKey + L"\\Tarnwick").c_str(), 0, KEY_READ, &saved),
            ERROR_SUCCESS)
      << "the settings were saved on close";
  if (saved) RegCloseKey(saved);
  RegDeleteTreeW(HKEY_CURRENT_USER, parentKey.c_str());
  overrideSettingsKeyPath({});
}

}  // namespace
}  // namespace tarnwick::win32
