#include "shell/win32/main_window.h"

#include <commctrl.h>
#include <dwmapi.h>

#include "app/lifecycle.h"
#include "app/messages.h"
#include "app/window_input.h"
#include "base/channel.h"
#include "render/frame_state_from_app.h"
#include "render/painters.h"
#include "render/palette.h"
#include "shell/win32/frame_target.h"
#include "shell/win32/popup_window.h"
#include "shell/win32/window_metrics.h"

namespace tarnwick::win32 {
namespace {

// The channel's wake-up, posted from the worker's thread; its handler drains on this thread.
constexpr UINT drainChannelMessage = WM_APP + 0x100;

// Newer than the SDK headers of mingw-w64.
constexpr DWORD dwmUseImmersiveDarkMode = 20;
constexpr DWORD dwmBorderColor = 34;
constexpr DWORD dwmCaptionColor = 35;
constexpr DWORD dwmTextColor = 36;

void setDwmColor(HWND window, DWORD attribute, std::uint32_t rgb) {
  const COLORREF color = colorRefOf(rgb);
  (void)DwmSetWindowAttribute(window, attribute, &color, sizeof color);
}

// The dark title bar; older systems and Wine ignore what they do not know.
void applyDarkFrame(HWND window) {
  const BOOL dark = TRUE;
  (void)DwmSetWindowAttribute(window, dwmUseImmersiveDarkMode, &dark, sizeof dark);
  setDwmColor(window, dwmCaptionColor, palette::windowBackground);
  setDwmColor(window, dwmTextColor, palette::textPrimary);
  setDwmColor(window, dwmBorderColor, palette::windowBorder);
}

HICON loadAppIcon(HINSTANCE instance, int metric, UINT dpi) {
  const int size = GetSystemMetricsForDpi(metric, dpi);
  // Only version 6 of the common controls has LoadIconWithScaleDown (the manifest asks for it), and
  // mingw-w64's import library lacks it.
  using ScaleDown = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
  static const auto scaleDown = [] {
    HMODULE controls = GetModuleHandleW(L"comctl32.dll");
    return controls ? reinterpret_cast<ScaleDown>(
                          reinterpret_cast<void*>(GetProcAddress(controls, "LoadIconWithScaleDown")))
                    : nullptr;
  }();
  HICON icon = nullptr;
  if (scaleDown && SUCCEEDED(scaleDown(instance, MAKEINTRESOURCEW(1), size, size, &icon))) return icon;
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace

bool registerMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &MainWindow::windowProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));  // null without the resource
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = mainWindowClass;
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() {
  if (window_) DestroyWindow(window_);
  stopAllWork(state_);
}

bool MainWindow::create(HINSTANCE instance, const RECT& rect) {
  HWND window =
      CreateWindowExW(0, mainWindowClass, mainWindowTitle, mainWindowStyle, rect.left, rect.top,
                      rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance, this);
  return window != nullptr && window_ == window;
}

void MainWindow::show(int showCommand) {
  if (!window_) return;
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
  SetFocus(linkEdit_);
}

LRESULT CALLBACK MainWindow::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  // Comes before WM_NCCREATE, when the window has no object yet.
  if (message == WM_GETMINMAXINFO) {
    const SIZE least =
        outerSizeForClient(minimumClientWidthDip, minimumClientHeightDip, GetDpiForWindow(window));
    reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {least.cx, least.cy};
    return 0;
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self || self->window_ != window) return DefWindowProcW(window, message, wParam, lParam);
  return self->onMessage(message, wParam, lParam);
}

LRESULT MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      onCreate();
      return 0;
    case WM_DESTROY:
      onDestroy();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
      window_ = nullptr;
      break;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) onSize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_DPICHANGED:
      onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      onPaint();
      return 0;
    case WM_NCACTIVATE:
      // The popup takes the activation; the main title bar stays active beside it.
      if (!wParam && popupOpen()) {
        return DefWindowProcW(window_, message, TRUE, lParam);
      }
      break;
    case WM_ACTIVATE:
      repaint();  // the focus ring shows only in the active window
      break;
    case WM_CLOSE:
      requestClose(state_, *this);
      return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush = editLook_.colors(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam),
                                          linkEdit_, logEdit_, state_.jobState == downloadJobRunning)) {
        return reinterpret_cast<LRESULT>(brush);
      }
      break;
    case drainChannelMessage:
      drainMessages(state_, *this);
      return 0;
    case WM_MOUSEMOVE:
      onMouseMove(lParam);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      onButtonDown(lParam);
      return 0;
    case WM_LBUTTONUP:
      onButtonUp(lParam);
      return 0;
    case WM_MOUSELEAVE:
      onMouseLeave();
      return 0;
    case WM_SETCURSOR:
      if (onSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam))) return TRUE;
      break;
    case WM_KEYDOWN:
      onKeyDown(wParam);
      return 0;
    case WM_CHAR:
      return 0;  // the drawn elements take no text, and must not beep
    case WM_SETFOCUS:
      mainWindowFocusChanged(state_, *this, true);
      return 0;
    case WM_KILLFOCUS:
      mainWindowFocusChanged(state_, *this, false);
      return 0;
    case WM_COMMAND:
      onCommand(wParam, lParam);
      return 0;
    case WM_TIMER:
      onTimer(wParam);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::onCreate() {
  state_.dpi = GetDpiForWindow(window_);
  applyDarkFrame(window_);
  loadIcons();
  linkEdit_ = createLinkEdit(window_);
  logEdit_ = createLogEdit(window_);
  SetWindowSubclass(linkEdit_, &MainWindow::linkEditProcedure, 1, reinterpret_cast<DWORD_PTR>(this));
  SetWindowSubclass(logEdit_, &MainWindow::logEditProcedure, 2, reinterpret_cast<DWORD_PTR>(this));

  target_ = std::make_unique<FrameTarget>(window_);
  target_->setDpi(state_.dpi);
  RECT client{};
  GetClientRect(window_, &client);
  target_->resize(static_cast<UINT>(client.right), static_cast<UINT>(client.bottom));
  editLook_.createFonts(linkEdit_, logEdit_, state_.dpi, target_->text().families());

  logMirror_.attach(logEdit_);
  state_.log.setObserver(&logMirror_);
  HWND window = window_;
  openChannel([window] { PostMessageW(window, drainChannelMessage, 0, 0); });
  // Settings, cue text, layout, start-up paste, welcome line and the setup job.
  startApp(state_, *this);
}

void MainWindow::onDestroy() {
  KillTimer(window_, animationTimerId);
  stopLinkCheckTimer();
  // Later posts are dropped and freed; a worker still running never reaches this window.
  shutdownChannel();
  alive_.reset();
  state_.log.setObserver(nullptr);
  languagePopup_.reset();
  resultsPopup_.reset();
  target_.reset();
  releaseIcons();
  PostQuitMessage(0);
}

void MainWindow::loadIcons() {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE));
  bigIcon_ = loadAppIcon(instance, SM_CXICON, state_.dpi);
  smallIcon_ = loadAppIcon(instance, SM_CXSMICON, state_.dpi);
  if (bigIcon_) SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  if (smallIcon_) SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
}

void MainWindow::releaseIcons() {
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
  bigIcon_ = smallIcon_ = nullptr;
}

void MainWindow::onSize(UINT widthPx, UINT heightPx) {
  if (target_) target_->resize(widthPx, heightPx);
  runLayout();
  repaint();
}

void MainWindow::onDpiChanged(UINT dpi, const RECT& suggested) {
  state_.dpi = dpi;
  if (target_) {
    target_->setDpi(dpi);
    editLook_.createFonts(linkEdit_, logEdit_, dpi, target_->text().families());
  }
  HICON oldBig = bigIcon_, oldSmall = smallIcon_;
  loadIcons();
  if (oldBig && oldBig != bigIcon_) DestroyIcon(oldBig);
  if (oldSmall && oldSmall != smallIcon_) DestroyIcon(oldSmall);
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  runLayout();
  repaint();
}

float MainWindow::toDip(int px) const {
  return static_cast<float>(px) * 96.0f / static_cast<float>(state_.dpi);
}

std::uint64_t MainWindow::clockMs() const {
  return GetTickCount64();
}

void MainWindow::runLayout() {
  if (!window_ || !target_) return;
  RECT client{};
  GetClientRect(window_, &client);
  const FrameState frame = frameStateFrom(state_, mainWindowHasFocus(), clockMs());
  layout_ = layoutMainWindow(frame, toDip(client.right), toDip(client.bottom), target_->text());
  state_.formatButtonCount = layout_.formatChipCount;
  state_.qualityButtonCount = layout_.qualityChipCount;
  moveChildToDipRect(linkEdit_, layout_.linkEditRect, state_.dpi);
  moveChildToDipRect(logEdit_, layout_.logEditRect, state_.dpi);
  logMirror_.scrollToEnd();
}

void MainWindow::onPaint() {
  PAINTSTRUCT paint{};
  BeginPaint(window_, &paint);
  if (target_) {
    const std::uint64_t now = clockMs();
    const FrameState frame = frameStateFrom(state_, mainWindowHasFocus(), now);
    (void)target_->paint(paint.hdc, now,
                         [&](Canvas& canvas) { paintMainWindow(canvas, frame, layout_, mainCache_); });
  }
  EndPaint(window_, &paint);
}

}  // namespace tarnwick::win32
