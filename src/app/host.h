// What only the window can do. The app layer drives the window exclusively through this
// interface; the GTK shell implements it and tests fake it (tests/app/fake_host.h).
//
// Every call comes from the UI thread. Calls are requests that return at once. Where the shell
// reports back (a text change, a popup closing, a dialog's answer) it may do so before the call
// returns or later; the app layer's handlers allow both.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tarnwick {

enum class LinkSelection {
  keep,        // leave caret and selection alone
  selectAll,   // select the whole text
  caretAtEnd,  // caret after the last character, nothing selected
};

enum class Beep {
  error,    // a download failed
  success,  // a download finished
};

class Host {
 public:
  virtual ~Host() = default;

  // The link box. setLinkText replaces the text; the shell then reports the change through
  // linkTextChanged (app/link_box.h) exactly as for a typed change.
  [[nodiscard]] virtual std::wstring linkText() = 0;
  virtual void setLinkText(const std::wstring& text) = 0;
  virtual void setLinkReadOnly(bool readOnly) = 0;
  // Gives the keyboard focus to the link box (the shell reports it with linkBoxFocusChanged).
  virtual void focusLinkBox(LinkSelection selection) = 0;
  // Gives the keyboard focus to the main window's drawn elements.
  virtual void focusMainWindow() = 0;
  // Whether the main window's drawn elements hold the keyboard focus (not the link box, not a
  // popup, not another program).
  [[nodiscard]] virtual bool mainWindowHasFocus() = 0;
  // The cue text shown in the empty link box (set again on a language change).
  virtual void setLinkCueText(const std::wstring& text) = 0;

  // Reads the clipboard's text; `done` runs later on the UI thread with the text, or with nullopt
  // when the clipboard holds no text or cannot be read.
  virtual void readClipboardText(std::function<void(std::optional<std::wstring> text)> done) = 0;

  // Timers. The animation timer repaints every 33 ms while running; the link check fires once,
  // 400 ms after the last arm, and the shell then calls linkCheckTimerFired.
  virtual void startAnimationTimer() = 0;
  virtual void stopAnimationTimer() = 0;
  virtual void armLinkCheckTimer() = 0;  // re-arming restarts the delay
  virtual void stopLinkCheckTimer() = 0;

  // Drawing. relayout recomputes the layout (labels, chips, the preview card), then repaints.
  virtual void repaint() = 0;
  virtual void relayout() = 0;
  // Only the status card changed (its text or the progress): a host may redraw just that card.
  virtual void repaintStatus() { repaint(); }

  // Attention: the display bell, and a desktop notification when the window is not active.
  virtual void beep(Beep kind) = 0;
  virtual void requestAttention(const std::wstring& message) = 0;

  // Popups. show* answer whether the popup is now shown; the shell reports every close (Esc, a
  // click elsewhere, close*) through languagePopupClosed / resultsPopupClosed (app/popups.h),
  // also when the close was asked for here.
  [[nodiscard]] virtual bool showLanguagePopup() = 0;
  virtual void closeLanguagePopup() = 0;
  // Space for the results popup: DIPs from its top edge (under the link-box row) to the bottom of
  // the work area.
  [[nodiscard]] virtual float resultsPopupSpace() = 0;
  [[nodiscard]] virtual bool showResultsPopup(float heightDips) = 0;
  virtual void closeResultsPopup() = 0;
  // Repaints an open popup (a selection, a scroll or a thumbnail changed).
  virtual void refreshLanguagePopup() = 0;
  virtual void refreshResultsPopup() = 0;

  // Dialogs. The answers come back later, on the UI thread, through the callback; a cancelled
  // folder chooser calls it with an empty string or not at all.
  virtual void chooseFolder(const std::wstring& startFolder,
                            std::function<void(const std::wstring& folder)> chosen) = 0;
  virtual void askYesNo(const std::wstring& question, std::function<void(bool yes)> answered) = 0;

  // The desktop. Failures are ignored.
  virtual void openFolder(const std::wstring& folder) = 0;
  virtual void openUrl(const std::wstring& url) = 0;
  // Shows the file selected in the file manager (opening its folder when that is not possible).
  virtual void showInFileManager(const std::wstring& file) = 0;

  // Ends the program: the window goes away. Called once, after everything was stopped and saved.
  virtual void closeWindow() = 0;
};

}  // namespace tarnwick
