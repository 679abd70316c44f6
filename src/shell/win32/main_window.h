// The Win32 main window: a "TarnwickDesktopWnd" whose whole client area is painted through Direct2D, with the
// link box and the log as native EDIT controls at the layout's rectangles. It owns the AppState, implements
// the host the app layer drives, mirrors the log model into the log EDIT and turns window messages into the
// app's window behaviour. UI thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "app/app_state.h"
#include "app/host.h"
#include "render/main_layout.h"
#include "render/render_cache.h"
#include "shell/win32/edit_controls.h"

namespace tarnwick {
class Canvas;
}  // namespace tarnwick

namespace tarnwick::win32 {

class FrameTarget;
class PopupWindow;

inline constexpr const wchar_t* mainWindowClass = L"TarnwickDesktopWnd";
inline constexpr const wchar_t* mainWindowTitle = L"Tarnwick App";
// The window's two timers: the animation's repaint and the link check after typing.
inline constexpr UINT_PTR animationTimerId = 1;
inline constexpr UINT_PTR linkCheckTimerId = 2;

// Registers "TarnwickDesktopWnd" (icon resource 1 when present, arrow cursor, no background).
bool registerMainWindowClass(HINSTANCE instance);

class MainWindow final : public Host {
 public:
  MainWindow();
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // For tests: the worker entry points to start instead of the real ones (before create).
  void replaceWorkers(WorkerEntries workers) { state_.workers = std::move(workers); }

  // Creates the window at `rect` (screen pixels) hidden; WM_CREATE starts the app (settings, start-up paste,
  // welcome line, setup job). False when the window cannot be made.
  [[nodiscard]] bool create(HINSTANCE instance, const RECT& rect);
  // Shows the window the way the program was started, paints it and puts the focus in the link box.
  void show(int showCommand);

  [[nodiscard]] HWND handle() const { return window_; }
  [[nodiscard]] HWND linkEdit() const { return linkEdit_; }
  [[nodiscard]] HWND logEdit() const { return logEdit_; }

  // Host
  std::wstring linkText() override;
  void setLinkText(const std::wstring& text) override;
  void setLinkReadOnly(bool readOnly) override;
  void focusLinkBox(LinkSelection selection) override;
  void focusMainWindow() override;
  bool mainWindowHasFocus() override;
  void setLinkCueText(const std::wstring& text) override;
  void readClipboardText(std::function<void(std::optional<std::wstring> text)> done) override;
  void startAnimationTimer() override;
  void stopAnimationTimer() override;
  void armLinkCheckTimer() override;
  void stopLinkCheckTimer() override;
  void repaint() override;
  void relayout() override;
  void beep(Beep kind) override;
  void requestAttention(const std::wstring& message) override;
  bool showLanguagePopup() override;
  void closeLanguagePopup() override;
  float resultsPopupSpace() override;
  bool showResultsPopup(float heightDips) override;
  void closeResultsPopup() override;
  void refreshLanguagePopup() override;
  void refreshResultsPopup() override;
  void chooseFolder(const std::wstring& startFolder,
                    std::function<void(const std::wstring& folder)> chosen) override;
  void askYesNo(const std::wstring& question, std::function<void(bool yes)> answered) override;
  void openFolder(const std::wstring& folder) override;
  void openUrl(const std::wstring& url) override;
  void showInFileManager(const std::wstring& file) override;
  void closeWindow() override;

 private:
  friend bool registerMainWindowClass(HINSTANCE instance);
  static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // main_window.cpp: the window's life.
  void onCreate();
  void onDestroy();
  void onSize(UINT widthPx, UINT heightPx);
  void onDpiChanged(UINT dpi, const RECT& suggested);
  void onPaint();
  void loadIcons();
  void releaseIcons();
  void runLayout();
  [[nodiscard]] float toDip(int px) const;
  [[nodiscard]] std::uint64_t clockMs() const;

  // main_window_input.cpp: pointer, keys, focus, commands.
  static LRESULT CALLBACK linkEditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR self);
  LRESULT onLinkEditMessage(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK logEditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                           DWORD_PTR self);
  [[nodiscard]] ElementId hitAt(LPARAM pointPx);
  void onMouseMove(LPARAM pointPx);
  void onButtonDown(LPARAM pointPx);
  void onButtonUp(LPARAM pointPx);
  void onMouseLeave();
  [[nodiscard]] bool onSetCursor(HWND over, UINT hitCode);
  void onKeyDown(WPARAM virtualKey);
  void onCommand(WPARAM wParam, LPARAM lParam);
  void onTimer(UINT_PTR id);

  // main_window_popups.cpp
  PopupWindow& languagePopup();
  PopupWindow& resultsPopup();
  // A rectangle of the client area in DIPs as screen pixels, kept inside the work area of the window's
  // monitor.
  [[nodiscard]] RECT screenRectOf(const RectF& dips, bool clampToWorkArea) const;
  // Either popup is up, or coming up (it takes the activation before the state says it is open).
  [[nodiscard]] bool popupOpen() const;

  // A callback for later (a dialog's answer, the clipboard) that does nothing once the window has gone.
  template <class F>
  auto guarded(F f) {
    return [alive = std::weak_ptr<int>(alive_), f = std::move(f)](auto&&... args) mutable {
      if (!alive.expired()) f(std::forward<decltype(args)>(args)...);
    };
  }

  AppState state_;
  MainLayout layout_;
  RenderCache mainCache_;
  RenderCache resultsCache_;
  std::unique_ptr<FrameTarget> target_;
  EditLook editLook_;
  LogEditMirror logMirror_;

  HWND window_ = nullptr;
  HWND linkEdit_ = nullptr;
  HWND logEdit_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  bool leaveTracked_ = false;
  bool questionOpen_ = false;
  std::unique_ptr<PopupWindow> languagePopup_;
  std::unique_ptr<PopupWindow> resultsPopup_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tarnwick::win32
