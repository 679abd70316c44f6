// The two popups of the main window: the language grid and the search results.
#include <algorithm>
#include <cmath>

#include "app/popups.h"
#include "render/canvas.h"
#include "render/frame_state_from_app.h"
#include "render/painters.h"
#include "shell/win32/main_window.h"
#include "shell/win32/popup_window.h"
#include "shell/win32/window_metrics.h"

namespace tarnwick::win32 {
namespace {

RECT workAreaOf(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcWork;
}

}  // namespace

RECT MainWindow::screenRectOf(const RectF& dips, bool clampToWorkArea) const {
  const PxRect px = pixelRectAt(dips, state_.dpi);
  POINT origin{px.x, px.y};
  ClientToScreen(window_, &origin);
  if (clampToWorkArea) {
    const RECT work = workAreaOf(window_);
    origin.x = std::min(std::max(origin.x, work.left), std::max(work.left, work.right - px.width));
    origin.y = std::min(std::max(origin.y, work.top), std::max(work.top, work.bottom - px.height));
  }
  return {origin.x, origin.y, origin.x + px.width, origin.y + px.height};
}

bool MainWindow::popupOpen() const {
  return state_.langPopup || state_.resultsPopup || (languagePopup_ && languagePopup_->visible()) ||
         (resultsPopup_ && resultsPopup_->visible());
}

bool MainWindow::showLanguagePopup() {
  if (!window_) return false;
  const RectF button = layout_.languageButtonRect;
  const RectF popup{button.right - languagePopupWidth, button.bottom + 6, button.right,
                    button.bottom + 6 + languagePopupHeight};
  const bool shown = languagePopup().show(screenRectOf(popup, true));
  repaint();
  return shown;
}

void MainWindow::closeLanguagePopup() {
  if (languagePopup_) languagePopup_->hide();
}

float MainWindow::resultsPopupSpace() {
  if (!window_) return 0;
  POINT top{0, pixelRectAt({0, layout_.linkFieldRect.bottom + 8, 0, 0}, state_.dpi).y};
  ClientToScreen(window_, &top);
  return std::max(0.0f, toDip(workAreaOf(window_).bottom - top.y));
}

bool MainWindow::showResultsPopup(float heightDips) {
  if (!window_) return false;
  const RectF field = layout_.linkFieldRect;
  const RectF popup{field.left, field.bottom + 8, layout_.actionButtonRect.right,
                    field.bottom + 8 + std::round(heightDips)};
  return resultsPopup().show(screenRectOf(popup, false));
}

void MainWindow::closeResultsPopup() {
  if (resultsPopup_) resultsPopup_->hide();
}

void MainWindow::refreshLanguagePopup() {
  if (languagePopup_) languagePopup_->refresh();
}

void MainWindow::refreshResultsPopup() {
  if (resultsPopup_) resultsPopup_->refresh();
}

PopupWindow& MainWindow::languagePopup() {
  if (!languagePopup_) {
    PopupHooks hooks;
    hooks.paint = [this](Canvas& canvas, float, float) {
      paintLanguagePopup(canvas, frameStateFrom(state_, mainWindowHasFocus(), canvas.clock()));
    };
    hooks.pointerMoved = [this](float x, float y) {
      languagePopupPointer(state_, *this, languageCellAt(x, y));
    };
    hooks.pointerLeft = [this] { languagePopupPointerLeft(state_, *this); };
    hooks.released = [this](float x, float y) {
      const int cell = languageCellAt(x, y);
      if (cell >= 0) languagePopupClick(state_, *this, cell);
    };
    hooks.key = [this](PopupKey key) { languagePopupKey(state_, *this, key); };
    hooks.closed = [this] { languagePopupClosed(state_, *this); };
    languagePopup_ = std::make_unique<PopupWindow>(window_, L"TarnwickLangPopup", std::move(hooks));
  }
  return *languagePopup_;
}

PopupWindow& MainWindow::resultsPopup() {
  if (!resultsPopup_) {
    PopupHooks hooks;
    hooks.paint = [this](Canvas& canvas, float width, float height) {
      paintResultsPopup(canvas, frameStateFrom(state_, mainWindowHasFocus(), canvas.clock()), width, height,
                        resultsCache_);
    };
    hooks.pointerMoved = [this](float, float y) {
      resultsPopupPointer(state_, *this, resultsRowAt(state_, y));
    };
    hooks.pointerLeft = [this] { resultsPopupPointerLeft(state_, *this); };
    hooks.released = [this](float, float y) {
      const int row = resultsRowAt(state_, y);
      if (row >= 0) chooseResult(state_, *this, row);
    };
    hooks.key = [this](PopupKey key) { resultsPopupKey(state_, *this, key); };
    hooks.wheel = [this](float notches) { resultsPopupWheel(state_, *this, notches); };
    hooks.closed = [this] { resultsPopupClosed(state_, *this); };
    resultsPopup_ = std::make_unique<PopupWindow>(window_, L"TarnwickResultsPopup", std::move(hooks));
  }
  return *resultsPopup_;
}

}  // namespace tarnwick::win32
