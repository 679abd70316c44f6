// Window sizes in GTK logical pixels. No toolkit header: the rules are tested headless.
#pragma once

namespace tarnwick {

struct PixelSize {
  int width = 0;
  int height = 0;
};

// The content area the window opens with, and the smallest one it may be shrunk to.
inline constexpr PixelSize preferredContentSize{900, 860};
inline constexpr PixelSize minimumContentSize{700, 630};

// The size handed to gtk_window_set_default_size: the preferred content plus what the window
// draws around it (header bar, frame), each side capped at 96 % of the work area (integer,
// truncating). An empty work area (the display did not say) caps nothing.
[[nodiscard]] PixelSize initialWindowSize(PixelSize workArea, PixelSize decoration);

// The content's size request: the minimum, but never more than what fits the initial window,
// so that a small screen can still show the whole window.
[[nodiscard]] PixelSize minimumContentFor(PixelSize initialWindow, PixelSize decoration);

}  // namespace tarnwick
