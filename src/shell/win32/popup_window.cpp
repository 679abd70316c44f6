#include "shell/win32/popup_window.h"

#include <dwmapi.h>
#include <windowsx.h>

#include "render/direct2d_canvas.h"

namespace tarnwick::win32 {
namespace {

// Windows 11's values, which mingw-w64's dwmapi.h does not have yet; older Windows and Wine
// answer an error that is ignored.
constexpr DWORD dwmWindowCornerPreference = 33;  // DWMWA_WINDOW_CORNER_PREFERENCE
constexpr DWORD dwmBorderColor = 34;             // DWMWA_BORDER_COLOR
constexpr int dwmCornerRound = 2;                // DWMWCP_ROUND
constexpr COLORREF popupBorder = 0x0050312E;     // 0x00BBGGRR

HINSTANCE classInstance = nullptr;

PopupKey popupKeyOf(WPARAM virtualKey) {
  switch (virtualKey) {
    case VK_ESCAPE:
      return PopupKey::escape;
    case VK_RETURN:
      return PopupKey::enter;
    case VK_SPACE:
      return PopupKey::space;
    case VK_UP:
      return PopupKey::up;
    case VK_DOWN:
      return PopupKey::down;
    case VK_LEFT:
      return PopupKey::left;
    case VK_RIGHT:
      return PopupKey::right;
    case VK_PRIOR:
      return PopupKey::pageUp;
    case VK_NEXT:
      return PopupKey::pageDown;
    case VK_HOME:
      return PopupKey::home;
    case VK_END:
      return PopupKey::end;
    default:
      return PopupKey::other;
  }
}

}  // namespace

struct PopupWindow::Surface {
  explicit Surface(HWND window) : target(window) {}
  Direct2DWindowTarget target;
};

PopupWindow::PopupWindow(HWND owner, const wchar_t* className, PopupHooks hooks)
    : owner_(owner), className_(className), hooks_(std::move(hooks)) {}

PopupWindow::~PopupWindow() {
  // Whoever hears `closed` may be going away too, and so may the owner.
  hooks_ = {};
  owner_ = nullptr;
  if (window_) DestroyWindow(window_);
}

void PopupWindow::registerClasses(HINSTANCE instance) {
  classInstance = instance;
  for (const wchar_t* name : {L"TarnwickLangPopup", L"TarnwickResultsPopup"}) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DROPSHADOW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);  // a failure shows when show() cannot make the window
  }
}

bool PopupWindow::show(const RECT& screenRectPx) {
  const int width = screenRectPx.right - screenRectPx.left;
  const int height = screenRectPx.bottom - screenRectPx.top;
  if (window_) {
    SetWindowPos(window_, nullptr, screenRectPx.left, screenRectPx.top, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    surface_->target.resize(static_cast<UINT>(width), static_cast<UINT>(height));
    refresh();
    return true;
  }
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, className_, L"", WS_POPUP, screenRectPx.left,
                                screenRectPx.top, width, height, owner_, nullptr, classInstance, this);
  if (!window) return false;
  window_ = window;
  dpi_ = GetDpiForWindow(window);
  if (dpi_ == 0) dpi_ = 96;
  const int corner = dwmCornerRound;
  DwmSetWindowAttribute(window, dwmWindowCornerPreference, &corner, sizeof corner);
  DwmSetWindowAttribute(window, dwmBorderColor, &popupBorder, sizeof popupBorder);
  surface_ = std::make_unique<Surface>(window);
  surface_->target.setDpi(dpi_);
  ShowWindow(window, SW_SHOW);
  SetFocus(window);
  return true;
}

void PopupWindow::hide() {
  if (window_) DestroyWindow(window_);
}

void PopupWindow::refresh() {
  if (window_) InvalidateRect(window_, nullptr, FALSE);
}

float PopupWindow::dips(int pixels) const {
  return static_cast<float>(pixels) * 96.0f / static_cast<float>(dpi_);
}

void PopupWindow::paint() {
  PAINTSTRUCT ps;
  BeginPaint(window_, &ps);
  RECT client{};
  GetClientRect(window_, &client);
  const float width = dips(client.right - client.left);
  const float height = dips(client.bottom - client.top);
  if (surface_ && hooks_.paint) {
    surface_->target.paint(GetTickCount64(), [&](Canvas& canvas) { hooks_.paint(canvas, width, height); });
  }
  EndPaint(window_, &ps);
}

LRESULT CALLBACK PopupWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<PopupWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    if (self) self->window_ = window;
  }
  auto* self = reinterpret_cast<PopupWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (!self || self->window_ != window) return DefWindowProcW(window, message, wParam, lParam);
  return self->handle(message, wParam, lParam);
}

// Every hook may close the popup (a choice, Esc), so nothing after a hook relies on window_.
LRESULT PopupWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = window_;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // Direct2D paints every pixel
    case WM_PAINT:
      paint();
      return 0;
    case WM_MOUSEMOVE:
      if (!trackingLeave_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
        trackingLeave_ = TrackMouseEvent(&track) != FALSE;
      }
      if (hooks_.pointerMoved) hooks_.pointerMoved(dips(GET_X_LPARAM(lParam)), dips(GET_Y_LPARAM(lParam)));
      return 0;
    case WM_MOUSELEAVE:
      trackingLeave_ = false;
      if (hooks_.pointerLeft) hooks_.pointerLeft();
      return 0;
    case WM_LBUTTONUP:
      if (hooks_.released) hooks_.released(dips(GET_X_LPARAM(lParam)), dips(GET_Y_LPARAM(lParam)));
      return 0;
    case WM_MOUSEWHEEL:
      if (hooks_.wheel) hooks_.wheel(static_cast<float>(GET_WHEEL_DELTA_WPARAM(wParam)) / WHEEL_DELTA);
      return 0;
    case WM_KEYDOWN:
      if (hooks_.key) hooks_.key(popupKeyOf(wParam));
      // The hook may have closed it already; Esc closes it whatever the hook did.
      if (wParam == VK_ESCAPE && window_ == window) DestroyWindow(window);
      return 0;
    case WM_ACTIVATE:
      // A click elsewhere: closed once the activation change is over, not in the middle of it.
      if (LOWORD(wParam) == WA_INACTIVE) PostMessageW(window, WM_CLOSE, 0, 0);
      break;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DPICHANGED:
      dpi_ = HIWORD(wParam);
      if (surface_) surface_->target.setDpi(dpi_);
      return 0;
    case WM_DESTROY: {
      surface_.reset();
      window_ = nullptr;
      trackingLeave_ = false;
      HWND owner = owner_;
      if (hooks_.closed) hooks_.closed();
      // The owner kept its title bar active for the popup; it turns inactive when the focus went
      // to another program.
      if (owner && GetForegroundWindow() != owner) SendMessageW(owner, WM_NCACTIVATE, FALSE, 0);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tarnwick::win32
