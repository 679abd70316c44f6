// Virtual-key codes as the window behaviour names them.
#pragma once

#include <windows.h>

#include "app/window_input.h"

namespace tarnwick::win32 {

[[nodiscard]] Key keyOf(WPARAM virtualKey);
// Whether Shift is held now (for the key message being handled).
[[nodiscard]] bool shiftHeld();
[[nodiscard]] bool controlHeld();

}  // namespace tarnwick::win32
