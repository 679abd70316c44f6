// The Host side of the main window: what the app layer asks of the window.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "shell/win32/desktop.h"
#include "shell/win32/main_window.h"

namespace tarnwick::win32 {
namespace {
// The Host's animation period: every 33 ms while something moves.
constexpr UINT animationPeriodMs = 33;
constexpr UINT linkCheckDelay = 400;

}  // namespace

std::wstring MainWindow::linkText() {
  if (!linkEdit_) return {};
  const int length = GetWindowTextLengthW(linkEdit_);
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
  const int copied = GetWindowTextW(linkEdit_, buffer.data(), length + 1);
  return std::wstring(buffer.data(), static_cast<std::size_t>(std::max(0, copied)));
}

// The control reports the change (EN_CHANGE) before this returns, as a typed change.
void MainWindow::setLinkText(const std::wstring& text) {
  if (linkEdit_) SetWindowTextW(linkEdit_, text.c_str());
}

void MainWindow::setLinkReadOnly(bool readOnly) {
  if (!linkEdit_) return;
  SendMessageW(linkEdit_, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
  InvalidateRect(linkEdit_, nullptr, TRUE);  // the text colour follows the job
}

void MainWindow::focusLinkBox(LinkSelection selection) {
  if (!linkEdit_) return;
  SetFocus(linkEdit_);
  if (selection == LinkSelection::selectAll) SendMessageW(linkEdit_, EM_SETSEL, 0, -1);
  if (selection == LinkSelection::caretAtEnd) {
    const int end = GetWindowTextLengthW(linkEdit_);
    SendMessageW(linkEdit_, EM_SETSEL, static_cast<WPARAM>(end), end);
  }
}

void MainWindow::focusMainWindow() {
  if (window_ && GetFocus() != window_) SetFocus(window_);
}

bool MainWindow::mainWindowHasFocus() {
  return window_ && GetFocus() == window_;
}

void MainWindow::setLinkCueText(const std::wstring& text) {
  if (linkEdit_) SendMessageW(linkEdit_, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void MainWindow::readClipboardText(std::function<void(std::optional<std::wstring> text)> done) {
  if (window_) win32::readClipboardText(window_, guarded(std::move(done)));
}

void MainWindow::startAnimationTimer() {
  if (window_) SetTimer(window_, animationTimerId, animationPeriodMs, nullptr);
}

void MainWindow::stopAnimationTimer() {
  if (window_) KillTimer(window_, animationTimerId);
}

void MainWindow::armLinkCheckTimer() {
  if (window_) SetTimer(window_, linkCheckTimerId, linkCheckDelay,
                        nullptr);  // re-arming restarts it
}

void MainWindow::stopLinkCheckTimer() {
  if (window_) KillTimer(window_, linkCheckTimerId);
}

// Direct2D redraws the whole client area in one pass; no part is worth drawing on its own.
void MainWindow::repaint() {
  if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void MainWindow::relayout() {
  runLayout();
  repaint();
}

void MainWindow::beep(Beep kind) {
  win32::beep(kind);
}

// The message is the notification text of other desktops; Windows flashes the taskbar button.
void MainWindow::requestAttention(const std::wstring&) {
  if (window_) win32::requestAttention(window_);
}

void MainWindow::chooseFolder(const std::wstring& startFolder,
                              std::function<void(const std::wstring& folder)> chosen) {
  if (window_) win32::chooseFolder(window_, startFolder, guarded(std::move(chosen)));
}

// MessageBoxW runs its own loop; the answer comes before this returns.
void MainWindow::askYesNo(const std::wstring& question, std::function<void(bool yes)> answered) {
  if (!window_ || questionOpen_) return;
  questionOpen_ = true;
  const bool yes = win32::askYesNo(window_, question);
  questionOpen_ = false;
  answered(yes);
}

void MainWindow::openFolder(const std::wstring& folder) {
  win32::openFolder(folder);
}

void MainWindow::openUrl(const std::wstring& url) {
  win32::openUrl(url);
}

void MainWindow::showInFileManager(const std::wstring& file) {
  win32::showInFileManager(file);
}

void MainWindow::closeWindow() {
  if (window_) DestroyWindow(window_);
}

}  // namespace tarnwick::win32
