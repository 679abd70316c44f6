// The Host side of the main window: what the app layer asks of the window.
#include <cmath>

#include "app/link_box.h"
#include "app/popups.h"
#include "base/text.h"
#include "render/frame_state_from_app.h"
#include "shell/gtk/desktop.h"
#include "shell/gtk/dialogs.h"
#include "shell/gtk/main_window.h"

namespace tarnwick {
namespace {

struct ClipboardRequest {
  std::function<void(std::optional<std::wstring>)> done;
};

void clipboardAnswered(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<ClipboardRequest> request(static_cast<ClipboardRequest*>(data));
  char* text = gdk_clipboard_read_text_finish(GDK_CLIPBOARD(source), result, nullptr);
  std::optional<std::wstring> answer;
  if (text) {
    answer = utf8ToWide(text);
    g_free(text);
  }
  request->done(std::move(answer));
}

}  // namespace

std::wstring MainWindow::linkText() {
  if (!parts_.linkEntry) return {};
  return utf8ToWide(gtk_editable_get_text(GTK_EDITABLE(parts_.linkEntry)));
}

// GTK reports the change through "changed" before this returns, as a typed change.
void MainWindow::setLinkText(const std::wstring& text) {
  if (parts_.linkEntry) gtk_editable_set_text(GTK_EDITABLE(parts_.linkEntry), wideToUtf8(text).c_str());
}

void MainWindow::setLinkReadOnly(bool readOnly) {
  if (!parts_.linkEntry) return;
  gtk_editable_set_editable(GTK_EDITABLE(parts_.linkEntry), !readOnly);
  if (readOnly) {
    gtk_widget_add_css_class(parts_.linkEntry, "busy");
  } else {
    gtk_widget_remove_css_class(parts_.linkEntry, "busy");
  }
}

void MainWindow::focusLinkBox(LinkSelection selection) {
  if (!parts_.linkEntry) return;
  GtkEditable* entry = GTK_EDITABLE(parts_.linkEntry);
  (void)gtk_entry_grab_focus_without_selecting(GTK_ENTRY(parts_.linkEntry));
  if (selection == LinkSelection::selectAll) gtk_editable_select_region(entry, 0, -1);
  if (selection == LinkSelection::caretAtEnd) gtk_editable_set_position(entry, -1);
}

// The focused element's proxy takes the keyboard focus, so that screen readers follow it; the
// canvas holds it while the element has no proxy to take it (none yet, or hidden).
void MainWindow::focusMainWindow() {
  GtkWidget* proxy = proxies_ ? proxies_->widgetOf(state_.focusId) : nullptr;
  if (proxy && gtk_widget_grab_focus(proxy)) return;
  if (parts_.canvas) gtk_widget_grab_focus(parts_.canvas);
}

bool MainWindow::mainWindowHasFocus() {
  if (!window_ || !parts_.canvas || !gtk_window_is_active(window_)) return false;
  GtkWidget* focus = gtk_root_get_focus(GTK_ROOT(window_));
  return focus == parts_.canvas || (proxies_ && proxies_->holds(focus));
}

void MainWindow::setLinkCueText(const std::wstring& text) {
  if (parts_.linkEntry) gtk_entry_set_placeholder_text(GTK_ENTRY(parts_.linkEntry), wideToUtf8(text).c_str());
  labelNativeControls();  // set again with the cue on a language change
}

void MainWindow::readClipboardText(std::function<void(std::optional<std::wstring> text)> done) {
  if (!window_) return;
  GdkClipboard* clipboard = gtk_widget_get_clipboard(GTK_WIDGET(window_));
  auto* request = new ClipboardRequest{guarded(std::move(done))};
  gdk_clipboard_read_text_async(clipboard, nullptr, clipboardAnswered, request);
}

void MainWindow::startAnimationTimer() {
  animation_.start(animationTickMs, true, [this] { animationTick(); });
}

// Each area gets a new frame once its period is (within half a tick) over, and none while the
// window cannot be seen.
void MainWindow::animationTick() {
  // Thumbnails still loading shimmer in the results popup too.
  if (resultsPopup_ && resultsPopup_->visible()) resultsPopup_->refresh();
  if (!windowShown()) return;
  const FrameState frame = frameStateFrom(state_, mainWindowHasFocus(), clockMs());
  for (int area = 0; area < animatedAreaCount; ++area) {
    const unsigned period = animationPeriodMs(frame, static_cast<AnimatedArea>(area));
    std::uint64_t& last = lastAnimatedFrameMs_[static_cast<std::size_t>(area)];
    if (period == 0 || frame.clockMs + animationTickMs / 2 < last + period) continue;
    last = frame.clockMs;
    redrawAnimatedArea(parts_, area);
  }
}

bool MainWindow::windowShown() const {
  if (!window_ || !gtk_widget_get_mapped(GTK_WIDGET(window_))) return false;
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window_));
  return !(surface && GDK_IS_TOPLEVEL(surface) &&
           (gdk_toplevel_get_state(GDK_TOPLEVEL(surface)) & GDK_TOPLEVEL_STATE_MINIMIZED));
}

void MainWindow::stopAnimationTimer() {
  animation_.stop();
}

void MainWindow::armLinkCheckTimer() {
  linkCheck_.start(static_cast<unsigned>(linkCheckDelayMs), false,
                   [this] { linkCheckTimerFired(state_, *this); });
}

void MainWindow::stopLinkCheckTimer() {
  linkCheck_.stop();
}

void MainWindow::repaint() {
  mirrorAccessibility(true);
  revealKeyboardFocus();
  redrawAll(parts_);
}

// The card's own area covers the canvas there, so the rest of the window is left as it is.
void MainWindow::repaintStatus() {
  mirrorAccessibility(true);
  redrawAnimatedArea(parts_, static_cast<int>(AnimatedArea::statusCard));
}

// Tab and the arrows may move the focus to an element the page has scrolled away; a click never
// scrolls.
void MainWindow::revealKeyboardFocus() {
  if (!state_.focusVisible) {
    revealedFocus_.reset();
    return;
  }
  if (revealedFocus_ == state_.focusId) return;
  revealedFocus_ = state_.focusId;
  // No drawn element: the keyboard went back to the link box.
  const std::optional<RectF> target = state_.focusId == ElementId::none
                                          ? std::optional<RectF>(layout_.linkFieldRect)
                                          : focusRingRect(layout_, state_.focusId);
  if (!target) return;
  constexpr float margin = 12;  // the focus ring's 3 DIPs and some air
  revealInPage(parts_,
               logicalOf({target->left, target->top - margin, target->right, target->bottom + margin}));
}

// The layout runs now, so that what the app reads next (chip counts, popup anchors) is current;
// the native controls move in the allocation GTK runs before the next frame. Before the window
// is shown nothing reads them, and its first allocation lays out anyway.
void MainWindow::relayout() {
  if (!parts_.view) return;
  if (gtk_widget_get_mapped(parts_.view)) runLayout();
  // What the view shows changed, and with it the height it needs.
  remeasureMainView(parts_);
  repaint();
}

void MainWindow::beep(Beep) {
  if (window_) ringBell(GTK_WIDGET(window_));
}

void MainWindow::requestAttention(const std::wstring& message) {
  if (window_) notifyUnlessActive(window_, message);
}

bool MainWindow::showLanguagePopup() {
  if (!parts_.view) return false;
  languagePopup().show(logicalOf(layout_.languageButtonRect), true, static_cast<int>(languagePopupWidth),
                       static_cast<int>(languagePopupHeight), 6);
  mirrorPopup(false);
  repaint();
  return true;
}

void MainWindow::closeLanguagePopup() {
  if (languagePopup_) languagePopup_->hide();
}

// GTK 4 does not tell where the window sits on the screen; the window is taken as centred in
// the work area, as it opens. The popover itself is kept on screen by GTK.
float MainWindow::resultsPopupSpace() {
  if (!window_) return 0;
  const float top = layout_.linkFieldRect.bottom + 8;
  const int windowHeight = gtk_widget_get_height(GTK_WIDGET(window_));
  float below = static_cast<float>(std::max(0.0, (workAreaHeight() - windowHeight) / 2.0));
  // What the window shows below the link box, not what the page holds beyond its lower edge.
  return static_cast<float>(shownPartOfView(parts_).bottom) - top + below;
}

bool MainWindow::showResultsPopup(float heightDips) {
  if (!parts_.view) return false;
  LogicalRect anchor{layout_.linkFieldRect.left, layout_.linkFieldRect.top, layout_.actionButtonRect.right,
                     layout_.linkFieldRect.bottom};
  resultsPopup().show(anchor, false, static_cast<int>(resultsPopupWidth()),
                      static_cast<int>(std::lround(heightDips)), 8);
  mirrorPopup(true);
  return true;
}

float MainWindow::resultsPopupWidth() const {
  return std::round(layout_.actionButtonRect.right - layout_.linkFieldRect.left);
}

void MainWindow::closeResultsPopup() {
  if (resultsPopup_) resultsPopup_->hide();
}

void MainWindow::refreshLanguagePopup() {
  if (!languagePopup_) return;
  languagePopup_->refresh();
  mirrorPopup(false);
}

void MainWindow::refreshResultsPopup() {
  if (!resultsPopup_) return;
  resultsPopup_->refresh();
  mirrorPopup(true);
}

void MainWindow::chooseFolder(const std::wstring& startFolder,
                              std::function<void(const std::wstring& folder)> chosen) {
  if (window_) pickFolder(window_, startFolder, guarded(std::move(chosen)));
}

void MainWindow::askYesNo(const std::wstring& question, std::function<void(bool yes)> answered) {
  if (!window_ || questionOpen_) return;
  questionOpen_ = true;
  askYesNoQuestion(window_, L"Tarnwick", question, guarded([this, answered = std::move(answered)](bool yes) {
                     questionOpen_ = false;
                     // Back to the window, also where no window manager hands the focus back.
                     if (!yes) present();
                     answered(yes);
                   }));
}

void MainWindow::openFolder(const std::wstring& folder) {
  if (window_) openFolderOnDesktop(GTK_WIDGET(window_), folder);
}

void MainWindow::openUrl(const std::wstring& url) {
  if (window_) openUrlOnDesktop(GTK_WIDGET(window_), url);
}

void MainWindow::showInFileManager(const std::wstring& file) {
  if (window_) showFileOnDesktop(GTK_WIDGET(window_), file);
}

void MainWindow::closeWindow() {
  if (!window_) return;
  GtkWindow* window = window_;
  gtk_window_destroy(window);  // onDestroy forgets the widgets
}

}  // namespace tarnwick
