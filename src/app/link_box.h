// The link box's behaviour: what a change of its text means (link or search, preview or not),
// its keys, and the two clipboard paths. The native entry itself is the shell's.
#pragma once

#include <string>

#include "app/app_state.h"
#include "app/window_input.h"

namespace tarnwick {

// The delay after the last change before the text is checked for a link to preview.
inline constexpr int linkCheckDelayMs = 400;

// The shell: the link box's text changed (typed, pasted or set through the host).
void linkTextChanged(AppState& state, Host& host);
// The shell: the 400 ms link-check timer fired.
void linkCheckTimerFired(AppState& state, Host& host);
// The shell: the link box gained or lost the keyboard focus.
void linkBoxFocusChanged(AppState& state, Host& host, bool focused);

// A key pressed in the link box. Answers whether it was used (then the entry must not handle
// it, nor beep). Ctrl+A (select all) is the shell's own.
bool linkBoxKey(AppState& state, Host& host, Key key, bool shift);

// The Paste button: the clipboard's text, trimmed, replaces the box's text; the box gets the
// focus with everything selected.
void pasteFromClipboard(AppState& state, Host& host);
// Once at start-up: takes the clipboard's text only when it looks like a video link.
void pasteAtStartup(AppState& state, Host& host);
// Whether a clipboard text is taken at start-up (already trimmed): shorter than 500 characters,
// no space, and the video site's host or short-link host followed by "/".
[[nodiscard]] bool isStartupPasteLink(const std::wstring& text);

}  // namespace tarnwick
