// The logic of the two popups under the main window: the language grid and the search results
// list. The shell shows and hides them (Host) and forwards their input here; the painters read
// the hover, selection and scroll from AppState. Sizes are DIPs.
#pragma once

#include "app/app_state.h"

namespace tarnwick {

inline constexpr int languagePopupColumns = 2;
inline constexpr int languagePopupRows = 9;
inline constexpr float popupPadding = 6;
inline constexpr float languageCellWidth = 176;
inline constexpr float languageCellHeight = 34;
inline constexpr float languagePopupWidth =
    popupPadding * 2 + languagePopupColumns * languageCellWidth;  // 364
inline constexpr float languagePopupHeight =
    popupPadding * 2 + languagePopupRows * languageCellHeight;  // 318
inline constexpr float resultRowHeight = 80;
inline constexpr int resultsPopupMaxRows = 6;
// A click that closed the language popup must not reopen it.
inline constexpr std::uint64_t languagePopupReopenGuardMs = 300;

enum class PopupKey { escape, enter, space, up, down, left, right, pageUp, pageDown, home, end, other };

// Language popup.
void openLanguagePopup(AppState& state, Host& host);
void closeLanguagePopup(AppState& state, Host& host);
// The shell: the popup went away (Esc, a click elsewhere, or closeLanguagePopup). Idempotent.
void languagePopupClosed(AppState& state, Host& host);
void languagePopupKey(AppState& state, Host& host, PopupKey key);
// The cell (language row) under a point of the popup, −1 outside every cell.
[[nodiscard]] int languageCellAt(float x, float y);
// The pointer moved over the popup; cell from languageCellAt.
void languagePopupPointer(AppState& state, Host& host, int cell);
void languagePopupPointerLeft(AppState& state, Host& host);
// A click released on a cell.
void languagePopupClick(AppState& state, Host& host, int cell);
void chooseLanguage(AppState& state, Host& host, int language);

// Results popup.
// Rows shown for `hits` hits when `spaceDips` is free below the link-box row: at most six, and
// fewer when they would not fit, but never fewer than two.
[[nodiscard]] int resultsPopupRows(int hits, float spaceDips);
void openResultsPopup(AppState& state, Host& host);
void closeResultsPopup(AppState& state, Host& host);
// The shell: the popup went away. Idempotent.
void resultsPopupClosed(AppState& state, Host& host);
void resultsPopupKey(AppState& state, Host& host, PopupKey key);
// notches: wheel steps, positive = away from the user (scrolls up), as Windows' delta / 120.
void resultsPopupWheel(AppState& state, Host& host, float notches);
// The hit row under the point's y in the popup, −1 when none.
[[nodiscard]] int resultsRowAt(const AppState& state, float y);
void resultsPopupPointer(AppState& state, Host& host, int row);
void resultsPopupPointerLeft(AppState& state, Host& host);
void chooseResult(AppState& state, Host& host, int index);
[[nodiscard]] float resultsMaxScroll(const AppState& state);

}  // namespace tarnwick
