// A window that remembers what the app layer asked of it, for tests of the app layer.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/host.h"

namespace tarnwick::test {

enum class FocusHolder { none, linkBox, mainWindow };

class FakeHost : public Host {
 public:
  // Every call, in order, as a short text ("repaint", "readOnly 1", "setText …").
  std::vector<std::string> events;

  std::wstring text;  // the link box
  bool readOnly = false;
  FocusHolder focus = FocusHolder::none;
  LinkSelection lastSelection = LinkSelection::keep;
  std::wstring cueText;
  std::optional<std::wstring> clipboard;  // what readClipboardText answers
  // Called after setLinkText, as the shell reports the change (linkTextChanged) to the app.
  std::function<void()> onLinkTextSet;

  bool animationTimer = false;
  bool linkTimerArmed = false;
  int linkTimerArms = 0;
  int repaints = 0;
  int statusRepaints = 0;
  int relayouts = 0;
  std::vector<Beep> beeps;
  std::vector<std::wstring> attention;

  bool langPopupShown = false;
  bool resultsPopupShown = false;
  float resultsSpace = 1000;  // what resultsPopupSpace answers
  float resultsHeight = 0;    // the last height asked for
  int resultsPopupOpens = 0;
  int resultsRefreshes = 0;
  int langRefreshes = 0;

  std::wstring folderStart;
  std::function<void(const std::wstring&)> folderChosen;  // pending folder chooser
  std::wstring question;
  std::function<void(bool)> questionAnswered;  // pending yes/no question

  std::vector<std::wstring> openedFolders;
  std::vector<std::wstring> openedUrls;
  std::vector<std::wstring> shownFiles;
  bool closed = false;

  std::wstring linkText() override { return text; }
  void setLinkText(const std::wstring& t) override {
    text = t;
    events.push_back("setText");
    if (onLinkTextSet) onLinkTextSet();
  }
  void setLinkReadOnly(bool r) override {
    readOnly = r;
    events.push_back(r ? "readOnly 1" : "readOnly 0");
  }
  void focusLinkBox(LinkSelection selection) override {
    focus = FocusHolder::linkBox;
    lastSelection = selection;
    events.push_back("focusLinkBox");
  }
  void focusMainWindow() override {
    focus = FocusHolder::mainWindow;
    events.push_back("focusMainWindow");
  }
  bool mainWindowHasFocus() override { return focus == FocusHolder::mainWindow; }
  void setLinkCueText(const std::wstring& t) override { cueText = t; }
  void readClipboardText(std::function<void(std::optional<std::wstring>)> done) override { done(clipboard); }

  void startAnimationTimer() override {
    animationTimer = true;
    events.push_back("animation 1");
  }
  void stopAnimationTimer() override {
    animationTimer = false;
    events.push_back("animation 0");
  }
  void armLinkCheckTimer() override {
    linkTimerArmed = true;
    ++linkTimerArms;
  }
  void stopLinkCheckTimer() override { linkTimerArmed = false; }

  void repaint() override { ++repaints; }
  void repaintStatus() override { ++statusRepaints; }
  void relayout() override {
    ++relayouts;
    events.push_back("relayout");
  }
  void beep(Beep kind) override { beeps.push_back(kind); }
  void requestAttention(const std::wstring& message) override { attention.push_back(message); }

  bool showLanguagePopup() override {
    langPopupShown = true;
    events.push_back("showLanguagePopup");
    return true;
  }
  void closeLanguagePopup() override {
    langPopupShown = false;
    events.push_back("closeLanguagePopup");
  }
  float resultsPopupSpace() override { return resultsSpace; }
  bool showResultsPopup(float height) override {
    resultsPopupShown = true;
    resultsHeight = height;
    ++resultsPopupOpens;
    events.push_back("showResultsPopup");
    return true;
  }
  void closeResultsPopup() override {
    resultsPopupShown = false;
    events.push_back("closeResultsPopup");
  }
  void refreshLanguagePopup() override { ++langRefreshes; }
  void refreshResultsPopup() override { ++resultsRefreshes; }

  void chooseFolder(const std::wstring& start, std::function<void(const std::wstring&)> chosen) override {
    folderStart = start;
    folderChosen = std::move(chosen);
  }
  void askYesNo(const std::wstring& q, std::function<void(bool)> answered) override {
    question = q;
    questionAnswered = std::move(answered);
  }
  void openFolder(const std::wstring& folder) override { openedFolders.push_back(folder); }
  void openUrl(const std::wstring& url) override { openedUrls.push_back(url); }
  void showInFileManager(const std::wstring& file) override { shownFiles.push_back(file); }
  void closeWindow() override { closed = true; }
};

}  // namespace tarnwick::test
