// The popup window under Wine: made at its rectangle, owned by the main window and focused; its
// paint, pointer, wheel and key input reach the hooks in DIPs; every way it closes (Esc, hide(),
// a click elsewhere) reports one close, and dropping the object reports none. Needs a display.
#include "shell/win32/popup_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwick::win32 {
namespace {

constexpr UINT_PTR deadlineTimer = 1;

// Runs the thread's messages until `done` or a deadline: the close that deactivation posts.
template <typename Done>
bool pumpUntil(HWND owner, Done done) {
  SetTimer(owner, deadlineTimer, 5000, nullptr);
  MSG message;
  while (!done() && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.wParam == deadlineTimer) break;
    DispatchMessageW(&message);
  }
  KillTimer(owner, deadlineTimer);
  return done();
}

struct Event {
  std::string what;
  float x = 0;
  float y = 0;
};

void expectEvent(const Event& got, const Event& expected) {
  EXPECT_EQ(got.what, expected.what);
  EXPECT_NEAR(got.x, expected.x, 1e-3);
  EXPECT_NEAR(got.y, expected.y, 1e-3);
}

TEST(PopupWindow, ForwardsInputInDipsAndReportsEachCloseOnce) {
  // As the program runs: the window's own DPI, so pixels and DIPs differ on a scaled display.
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  PopupWindow::registerClasses(instance);
  WNDCLASSW ownerClass{};
  ownerClass.lpfnWndProc = DefWindowProcW;
  ownerClass.hInstance = instance;
  ownerClass.lpszClassName = L"TarnwickPopupTestOwner";
  ASSERT_NE(RegisterClassW(&ownerClass), 0);
  HWND owner = CreateWindowExW(0, ownerClass.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50,
                               50, 800, 600, nullptr, nullptr, instance, nullptr);
  ASSERT_NE(owner, nullptr) << "needs a display: Wine makes no top-level window without X";
  SetForegroundWindow(owner);

  std::vector<Event> events;
  int closed = 0;
  PopupWindow* popup = nullptr;
  PopupHooks hooks;
  hooks.paint = [&](Canvas&, float w, float h) { events.push_back({"paint", w, h}); };
  hooks.pointerMoved = [&](float x, float y) { events.push_back({"move", x, y}); };
  hooks.pointerLeft = [&] { events.push_back({"left"}); };
  hooks.released = [&](float x, float y) { events.push_back({"up", x, y}); };
  hooks.wheel = [&](float notches) { events.push_back({"wheel", notches}); };
  hooks.key = [&](PopupKey key) {
    events.push_back({"key", static_cast<float>(key)});
    if (key == PopupKey::escape) popup->hide();  // as the app's Esc handling does
  };
  hooks.closed = [&] { ++closed; };
  PopupWindow languagePopup(owner, L"TarnwickLangPopup", hooks);
  popup = &languagePopup;

  const RECT rect{120, 140, 120 + 364, 140 + 318};
  ASSERT_TRUE(languagePopup.show(rect));
  HWND window = GetFocus();
  ASSERT_NE(window, nullptr);
  ASSERT_NE(window, owner);
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  EXPECT_STREQ(className, L"TarnwickLangPopup");
  EXPECT_EQ(GetWindow(window, GW_OWNER), owner);
  EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_POPUP);
  RECT placed{};
  GetWindowRect(window, &placed);
  EXPECT_TRUE(EqualRect(&placed, &rect));
  const float dip = 96.0f / static_cast<float>(GetDpiForWindow(window));

  UpdateWindow(window);
  ASSERT_FALSE(events.empty()) << "the paint hook did not run";
  expectEvent(events.back(), {"paint", 364 * dip, 318 * dip});

  struct Row {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    Event expected;
  };
  const Row rows[] = {
      {WM_MOUSEMOVE, 0, MAKELPARAM(30, 45), {"move", 30 * dip, 45 * dip}},
      {WM_MOUSELEAVE, 0, 0, {"left"}},
      {WM_LBUTTONUP, 0, MAKELPARAM(200, 7), {"up", 200 * dip, 7 * dip}},
      {WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA), MAKELPARAM(300, 300), {"wheel", 2}},
      {WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA / 2)), 0, {"wheel", -0.5f}},
      {WM_KEYDOWN, VK_DOWN, 0, {"key", static_cast<float>(PopupKey::down)}},
      {WM_KEYDOWN, VK_NEXT, 0, {"key", static_cast<float>(PopupKey::pageDown)}},
      {WM_KEYDOWN, 'A', 0, {"key", static_cast<float>(PopupKey::other)}},
      {WM_KEYDOWN, VK_ESCAPE, 0, {"key", static_cast<float>(PopupKey::escape)}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected.what + " " + std::to_string(row.expected.x));
    events.clear();
    SendMessageW(window, row.message, row.wParam, row.lParam);
    ASSERT_EQ(events.size(), 1u);
    expectEvent(events.back(), row.expected);
  }
  // Esc closed it, once, although the hook hid it first.
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(languagePopup.visible());
  EXPECT_FALSE(IsWindow(window));

  ASSERT_TRUE(languagePopup.show(rect));
  languagePopup.hide();
  languagePopup.hide();
  EXPECT_EQ(closed, 2);

  // A click on the owner takes the activation away: the popup closes itself.
  ASSERT_TRUE(languagePopup.show(rect));
  EXPECT_NE(GetActiveWindow(), owner);
  SetActiveWindow(owner);
  EXPECT_TRUE(pumpUntil(owner, [&] { return closed == 3; }));
  EXPECT_FALSE(languagePopup.visible());

  {
    PopupWindow resultsPopup(owner, L"TarnwickResultsPopup", hooks);
    ASSERT_TRUE(resultsPopup.show(rect));
  }
  EXPECT_EQ(closed, 3);  // going away with its owner is no close to report
  DestroyWindow(owner);
}

}  // namespace
}  // namespace tarnwick::win32
