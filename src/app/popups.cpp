#include "app/popups.h"

#include <algorithm>
#include <cmath>

#include "app/actions.h"
#include "app/app_settings.h"
#include "app/host.h"
#include "app/localization.h"
#include "app/status_texts.h"
#include "lookup/lookup_addresses.h"
#include "lookup/video_search.h"

namespace tarnwick {

// ---- Language popup ----

void openLanguagePopup(AppState& state, Host& host) {
  if (state.langPopup) return;
  if (state.langPopupClosedAt && state.now() - *state.langPopupClosedAt < languagePopupReopenGuardMs) return;
  state.langPopupHover = state.language.load();
  state.langPopup = host.showLanguagePopup();
  if (!state.langPopup) state.langPopupHover = -1;
  host.repaint();
}

void languagePopupClosed(AppState& state, Host& host) {
  if (!state.langPopup) return;
  state.langPopup = false;
  state.langPopupHover = -1;
  state.langPopupTracked = false;
  state.langPopupClosedAt = state.now();
  host.repaint();
}

void closeLanguagePopup(AppState& state, Host& host) {
  if (!state.langPopup) return;
  host.closeLanguagePopup();
  languagePopupClosed(state, host);
}

void languagePopupKey(AppState& state, Host& host, PopupKey key) {
  if (!state.langPopup) return;
  const int hover = state.langPopupHover;
  const int base = hover >= 0 ? hover : state.language.load();
  int step = 0;
  switch (key) {
    case PopupKey::escape:
      closeLanguagePopup(state, host);
      return;
    case PopupKey::enter:
    case PopupKey::space:
      if (hover >= 0) {
        closeLanguagePopup(state, host);
        chooseLanguage(state, host, hover);
      }
      return;
    case PopupKey::down:
      step = 1;
      break;
    case PopupKey::up:
      step = -1;
      break;
    case PopupKey::right:
      step = languagePopupRows;
      break;
    case PopupKey::left:
      step = -languagePopupRows;
      break;
    default:
      return;
  }
  const int next = base + step;
  if (next < 0 || next >= languageCount) return;
  state.langPopupHover = next;
  host.refreshLanguagePopup();
}

int languageCellAt(float x, float y) {
  if (x < popupPadding || y < popupPadding) return -1;
  const int column = static_cast<int>(std::floor((x - popupPadding) / languageCellWidth));
  const int row = static_cast<int>(std::floor((y - popupPadding) / languageCellHeight));
  if (column >= languagePopupColumns || row >= languagePopupRows) return -1;
  const int cell = column * languagePopupRows + row;
  return cell < languageCount ? cell : -1;
}

void languagePopupPointer(AppState& state, Host& host, int cell) {
  state.langPopupTracked = true;
  if (cell == state.langPopupHover) return;
  state.langPopupHover = cell;
  host.refreshLanguagePopup();
}

void languagePopupPointerLeft(AppState& state, Host& host) {
  state.langPopupTracked = false;
  state.langPopupHover = -1;
  host.refreshLanguagePopup();
}

void languagePopupClick(AppState& state, Host& host, int cell) {
  if (cell < 0 || cell >= languageCount) return;
  closeLanguagePopup(state, host);
  chooseLanguage(state, host, cell);
}

void chooseLanguage(AppState& state, Host& host, int language) {
  if (language < 0 || language >= languageCount) return;
  state.language.exchange(language);
  saveAppSettings(state);
  host.setLinkCueText(std::wstring(uiField(fieldLinkCue)));
  host.relayout();
  host.repaint();
}

// ---- Results popup ----

int resultsPopupRows(int hits, float spaceDips) {
  int rows = std::min(hits, resultsPopupMaxRows);
  while (rows > 2 && static_cast<float>(rows) * resultRowHeight + 2 * popupPadding > spaceDips) --rows;
  return rows;
}

float resultsMaxScroll(const AppState& state) {
  const float content = static_cast<float>(state.results.size()) * resultRowHeight;
  return std::max(0.0f, content - state.resultsViewHeight);
}

namespace {

void clampScroll(AppState& state) {
  state.resultsScroll = std::clamp(state.resultsScroll, 0.0f, resultsMaxScroll(state));
}

}  // namespace

void openResultsPopup(AppState& state, Host& host) {
  closeResultsPopup(state, host);
  if (state.results.empty()) return;
  const int rows = resultsPopupRows(static_cast<int>(state.results.size()), host.resultsPopupSpace());
  state.resultsScroll = 0;
  state.resultsSelection = 0;
  state.resultsViewHeight = static_cast<float>(rows) * resultRowHeight;
  state.resultsPopup = host.showResultsPopup(state.resultsViewHeight + 2 * popupPadding);
}

void resultsPopupClosed(AppState& state, Host& host) {
  if (!state.resultsPopup) return;
  state.resultsPopup = false;
  state.resultsPopupTracked = false;
  host.repaint();
}

void closeResultsPopup(AppState& state, Host& host) {
  if (!state.resultsPopup) return;
  host.closeResultsPopup();
  resultsPopupClosed(state, host);
}

void resultsPopupKey(AppState& state, Host& host, PopupKey key) {
  if (!state.resultsPopup) return;
  const int n = static_cast<int>(state.results.size());
  const int s = state.resultsSelection;
  int next = s;
  switch (key) {
    case PopupKey::escape:
      closeResultsPopup(state, host);
      return;
    case PopupKey::enter:
      if (s >= 0 && s < n) chooseResult(state, host, s);
      return;
    case PopupKey::down:
      next = std::min(s + 1, n - 1);
      break;
    case PopupKey::up:
      next = std::max(s - 1, 0);
      break;
    case PopupKey::pageDown:
      next = std::min(s + resultsPopupMaxRows, n - 1);
      break;
    case PopupKey::pageUp:
      next = std::max(s - resultsPopupMaxRows, 0);
      break;
    case PopupKey::home:
      next = 0;
      break;
    case PopupKey::end:
      next = n - 1;
      break;
    default:
      return;
  }
  if (next == s || next < 0) return;
  state.resultsSelection = next;
  // Bring the selection into view.
  const float top = static_cast<float>(next) * resultRowHeight;
  if (state.resultsScroll > top) {
    state.resultsScroll = top;
  } else if (top + resultRowHeight > state.resultsScroll + state.resultsViewHeight) {
    state.resultsScroll = top + resultRowHeight - state.resultsViewHeight;
  }
  clampScroll(state);
  host.refreshResultsPopup();
}

void resultsPopupWheel(AppState& state, Host& host, float notches) {
  if (!state.resultsPopup) return;
  state.resultsScroll -= notches * resultRowHeight;
  clampScroll(state);
  host.refreshResultsPopup();
}

int resultsRowAt(const AppState& state, float y) {
  if (y < popupPadding || y > state.resultsViewHeight + popupPadding) return -1;
  const float offset = y - popupPadding + state.resultsScroll;
  const int row = static_cast<int>(std::floor(offset / resultRowHeight));
  return row >= 0 && row < static_cast<int>(state.results.size()) ? row : -1;
}

void resultsPopupPointer(AppState& state, Host& host, int row) {
  state.resultsPopupTracked = true;
  if (row == state.resultsSelection) return;
  state.resultsSelection = row;
  host.refreshResultsPopup();
}

void resultsPopupPointerLeft(AppState& state, Host&) {
  // The selection stays where the pointer left it.
  state.resultsPopupTracked = false;
}

void chooseResult(AppState& state, Host& host, int index) {
  if (index < 0 || index >= static_cast<int>(state.results.size())) return;
  const SearchResult& hit = state.results[static_cast<std::size_t>(index)];
  PreviewState preview;
  preview.videoId = hit.videoId;
  preview.title = hit.title;
  preview.channel = hit.channel;
  preview.durationSeconds = hit.durationSeconds;
  preview.viewCount = hit.viewCount;
  preview.height = hit.height;
  preview.thumb = hit.thumb;
  closeResultsPopup(state, host);
  startPreview(state, host, std::move(preview), false);
  // The change this raises finds the preview already on this id and starts nothing new.
  host.setLinkText(watchUrl(state.preview.videoId));
  host.focusLinkBox(LinkSelection::caretAtEnd);
}

}  // namespace tarnwick
