// Mouse, keyboard and focus behaviour of the main window's drawn elements. The shell turns its
// events into these calls; the element under a point comes from the layout's hit test (render).
#pragma once

#include <vector>

#include "app/app_state.h"

namespace tarnwick {

// Download and Cancel ignore an activation this soon after the last accepted one.
inline constexpr std::uint64_t downloadClickGuardMs = 800;

// The footer link's address.
inline constexpr const wchar_t* productSiteUrl = L"https://tarnwick.app/";

enum class Key { tab, enter, escape, space, left, right, up, down, other };

// Performs an element's action; a disabled element does nothing.
void activateElement(AppState& state, Host& host, ElementId id);

// Tab (+1) and Shift+Tab (−1): link box → Paste → … → footer link → link box.
void moveFocus(AppState& state, Host& host, int direction);
// The current tab order (for tests and the painter's focus ring).
[[nodiscard]] std::vector<ElementId> tabOrder(const AppState& state);
// The enabled members of an arrow-key group (1 modes, 2 formats, 3 qualities), in id order.
[[nodiscard]] std::vector<ElementId> groupMembers(const AppState& state, int group);

// A key pressed while the main window (not the link box) has the focus. Answers whether the key
// was used; the window swallows every key anyway.
bool mainWindowKey(AppState& state, Host& host, Key key, bool shift);

// Pointer events on the main window; `id` is the hit test's answer at the pointer.
void pointerMoved(AppState& state, Host& host, ElementId id);
void pointerPressed(AppState& state, Host& host, ElementId id);
void pointerReleased(AppState& state, Host& host, ElementId id);
void pointerLeft(AppState& state, Host& host);

// Gives the keyboard focus back to where the state says it is (the focused element, or the link
// box when that is gone or disabled) after something else took it, ring and all.
void returnKeyboardFocus(AppState& state, Host& host);

// The main window gained or lost the keyboard focus. Gaining it without an enabled focused
// element sends the focus on to the link box.
void mainWindowFocusChanged(AppState& state, Host& host, bool focused);

}  // namespace tarnwick
