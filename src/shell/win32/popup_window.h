// One popup under the main window (the language grid or the search results): a borderless
// WS_POPUP owned by the main window, drawn with Direct2D, with its pointer, wheel and key input
// handed to hooks in DIPs. It closes itself on Esc and when it loses activation (a click
// elsewhere); every close, also one asked for with hide(), reaches `closed` once. UI thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "app/popups.h"

namespace tarnwick {
class Canvas;
}

namespace tarnwick::win32 {

struct PopupHooks {
  std::function<void(Canvas&, float w, float h)> paint;  // the client size in DIPs
  std::function<void(float x, float y)> pointerMoved;    // DIPs from the client's top-left
  std::function<void()> pointerLeft;
  std::function<void(float x, float y)> released;  // primary button
  std::function<void(PopupKey)> key;               // every key press, Esc before the popup closes
  std::function<void(float notches)> wheel;        // positive = away from the user, delta / 120
  std::function<void()> closed;                    // every close, also after hide()
};

class PopupWindow {
 public:
  // `className` is one of the classes registerClasses made; the window itself is made by show().
  PopupWindow(HWND owner, const wchar_t* className, PopupHooks hooks);
  // Destroys an open popup without calling `closed`: whoever owns this is going away.
  ~PopupWindow();
  PopupWindow(const PopupWindow&) = delete;
  PopupWindow& operator=(const PopupWindow&) = delete;

  // "TarnwickLangPopup" and "TarnwickResultsPopup".
  static void registerClasses(HINSTANCE instance);

  // Opens the popup at a rectangle of screen pixels, or moves an open one there, and gives it the
  // keyboard focus. False when the window cannot be made.
  [[nodiscard]] bool show(const RECT& screenRectPx);
  void hide();
  [[nodiscard]] bool visible() const { return window_ != nullptr; }
  void refresh();

 private:
  struct Surface;
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  void paint();
  [[nodiscard]] float dips(int pixels) const;

  HWND owner_;
  const wchar_t* className_;
  PopupHooks hooks_;
  HWND window_ = nullptr;
  UINT dpi_ = 96;
  bool trackingLeave_ = false;
  std::unique_ptr<Surface> surface_;
};

}  // namespace tarnwick::win32
