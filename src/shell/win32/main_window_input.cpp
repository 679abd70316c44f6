// Pointer, keyboard, focus, commands and timers of the main window, handed to the app's window behaviour; the
// link box's keys through its subclass procedure.
#include <windows.h>

#include <commctrl.h>
#include <windowsx.h>

#include "app/actions.h"
#include "app/link_box.h"
#include "app/window_input.h"
#include "render/frame_state_from_app.h"
#include "shell/win32/key_map.h"
#include "shell/win32/main_window.h"
#include "shell/win32/popup_window.h"

namespace tarnwick::win32 {
ElementId MainWindow::hitAt(LPARAM pointPx) {
  const FrameState frame = frameStateFrom(state_, mainWindowHasFocus(), clockMs());
  return hitTestMain(layout_, frame, toDip(GET_X_LPARAM(pointPx)), toDip(GET_Y_LPARAM(pointPx)));
}

void MainWindow::onMouseMove(LPARAM pointPx) {
  pointerMoved(state_, *this, hitAt(pointPx));
  if (!leaveTracked_) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
    leaveTracked_ = TrackMouseEvent(&track) != FALSE;
  }
}

void MainWindow::onButtonDown(LPARAM pointPx) {
  const ElementId id = hitAt(pointPx);
  // The release comes here even when the pointer has left the window meanwhile.
  if (id != ElementId::none) SetCapture(window_);
  pointerPressed(state_, *this, id);
}

void MainWindow::onButtonUp(LPARAM pointPx) {
  const ElementId id = hitAt(pointPx);
  if (GetCapture() == window_) ReleaseCapture();
  pointerReleased(state_, *this, id);
}

void MainWindow::onMouseLeave() {
  leaveTracked_ = false;
  pointerLeft(state_, *this);
}

bool MainWindow::onSetCursor(HWND over, UINT hitCode) {
  if (over != window_ || hitCode != HTCLIENT) return false;
  SetCursor(LoadCursorW(nullptr, state_.hoverId != ElementId::none ? IDC_HAND : IDC_ARROW));
  return true;
}

// The drawn elements swallow every key.
void MainWindow::onKeyDown(WPARAM virtualKey) {
  (void)mainWindowKey(state_, *this, keyOf(virtualKey), shiftHeld());
}

void MainWindow::onCommand(WPARAM wParam, LPARAM lParam) {
  const HWND control = reinterpret_cast<HWND>(lParam);
  if (control && control == linkEdit_) {
    switch (HIWORD(wParam)) {
      case EN_SETFOCUS:
        linkBoxFocusChanged(state_, *this, true);
        break;
      case EN_KILLFOCUS:
        linkBoxFocusChanged(state_, *this, false);
        break;
      case EN_CHANGE:
        linkTextChanged(state_, *this);
        break;
      default:
        break;
    }
    return;
  }
  if (control) return;
  if (LOWORD(wParam) == IDOK) startDownload(state_, *this);
  if (LOWORD(wParam) == IDCANCEL) cancelOrDropPending(state_, *this);
}

void MainWindow::onTimer(UINT_PTR id) {
  if (id == linkCheckTimerId) {
    linkCheckTimerFired(state_, *this);
    return;
  }
  if (id != animationTimerId) return;
  // Thumbnails still loading shimmer in the results popup too.
  if (resultsPopup_ && resultsPopup_->visible()) resultsPopup_->refresh();
  if (!IsIconic(window_)) repaint();
}

LRESULT CALLBACK MainWindow::linkEditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                               UINT_PTR, DWORD_PTR self) {
  return reinterpret_cast<MainWindow*>(self)->onLinkEditMessage(edit, message, wParam, lParam);
}

LRESULT MainWindow::onLinkEditMessage(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN: {
      if (controlHeld()) {
        if (wParam == 'A') {
          SendMessageW(edit, EM_SETSEL, 0, -1);
          return 0;
        }
        break;  // Ctrl+V, Ctrl+C and the other editing keys stay the control's own
      }
      const Key key = keyOf(wParam);
      if (key != Key::other && linkBoxKey(state_, *this, key, shiftHeld())) return 0;
      break;
    }
    case WM_CHAR:
      // Ctrl+A, Tab, Enter and Esc were handled as keys; the control would only beep at them.
      if (wParam == 1 || wParam == L'\t' || wParam == L'\r' || wParam == 27) return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(edit, &MainWindow::linkEditProcedure, 1);
      break;
    default:
      break;
  }
  return DefSubclassProc(edit, message, wParam, lParam);
}

// The log keeps its own keys (selecting, copying, scrolling); Tab still walks on, and Esc cancels
// as it does everywhere else in the window.
LRESULT CALLBACK MainWindow::logEditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR self) {
  auto& window = *reinterpret_cast<MainWindow*>(self);
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_TAB && !controlHeld()) {
        moveFocus(window.state_, window, shiftHeld() ? -1 : +1);
        return 0;
      }
      if (wParam == VK_ESCAPE) {
        cancelOrDropPending(window.state_, window);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == L'\t' || wParam == 27) return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(edit, &MainWindow::logEditProcedure, 2);
      break;
    default:
      break;
  }
  return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace tarnwick::win32
