// GDK key values as the window behaviour names them.
#pragma once

#include <gdk/gdk.h>

#include "app/popups.h"
#include "app/window_input.h"

namespace tarnwick {

[[nodiscard]] Key keyOf(guint keyval);
[[nodiscard]] PopupKey popupKeyOf(guint keyval);

}  // namespace tarnwick
