#include "shell/gtk/theme_css.h"

#include <cstdio>

namespace tarnwick {

std::string cssColor(std::uint32_t rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06x", static_cast<unsigned>(rgb & 0xFFFFFFu));
  return text;
}

namespace {

// Replaces every "@name@" in `pattern`; unknown names stay as they are.
std::string expand(std::string pattern, const ShellColors& c, const ShellFonts& f) {
  const std::pair<const char*, std::string> values[] = {
      {"@window@", cssColor(c.windowBackground)},
      {"@border@", cssColor(c.windowBorder)},
      {"@card@", cssColor(c.cardFill)},
      {"@field@", cssColor(c.fieldFill)},
      {"@log@", cssColor(c.logFill)},
      {"@text@", cssColor(c.textPrimary)},
      {"@muted@", cssColor(c.textMuted)},
      {"@logtext@", cssColor(c.logText)},
      {"@accent@", cssColor(c.accent)},
      {"@uifont@", f.ui},
      {"@monofont@", f.mono},
  };
  for (const auto& [name, value] : values) {
    for (auto at = pattern.find(name); at != std::string::npos; at = pattern.find(name, at + value.size())) {
      pattern.replace(at, std::string_view(name).size(), value);
    }
  }
  return pattern;
}

// The entry and the log view sit inside fields the painters draw; they bring no frame, padding
// or minimum height of their own. The header bar looks the same under every window manager
// because the window always draws it itself.
constexpr const char* sheet = R"css(
window.tarnwick-main, window.tarnwick-main.background { background-color: @window@; color: @text@; }
/* Without a compositor GTK frames the window itself: one hairline in the border colour. */
window.tarnwick-main.solid-csd, window.tarnwick-main.solid-csd:backdrop {
  padding: 0; border: 1px solid @border@; box-shadow: none;
}
window.tarnwick-main headerbar {
  background: @window@; color: @text@; box-shadow: none; border-bottom: 1px solid @border@;
  min-height: 38px; padding: 0 6px;
}
window.tarnwick-main headerbar:backdrop { background: @window@; color: @muted@; }
window.tarnwick-main headerbar .title { font-family: @uifont@; font-weight: 600; color: @text@; }
window.tarnwick-main headerbar:backdrop .title { color: @muted@; }
window.tarnwick-main headerbar windowcontrols button { color: @muted@; background: none; box-shadow: none; }
window.tarnwick-main headerbar windowcontrols button:hover { color: @text@; background: alpha(#ffffff, 0.08); }
window.tarnwick-main headerbar windowcontrols button image { background: none; color: inherit; }

entry.tarnwick-link {
  background: @field@; color: @text@; caret-color: @text@;
  border: none; border-radius: 0; box-shadow: none; outline: none;
  min-height: 0; padding: 0; margin: 0;
  font-family: @uifont@; font-size: 15px;
}
entry.tarnwick-link:focus-within { box-shadow: none; outline: none; }
entry.tarnwick-link.busy { color: @muted@; }
entry.tarnwick-link > text { min-height: 0; padding: 0; }
entry.tarnwick-link > text > placeholder { color: alpha(@muted@, 0.85); }
entry.tarnwick-link > text > selection { background-color: alpha(@accent@, 0.55); color: #ffffff; }

scrolledwindow.tarnwick-log, scrolledwindow.tarnwick-log > viewport { background: @log@; border: none; }
textview.tarnwick-log, textview.tarnwick-log > text {
  background-color: @log@; color: @logtext@; caret-color: @logtext@;
  font-family: @monofont@; font-size: 12.5px;
}
textview.tarnwick-log > text > selection { background-color: alpha(@accent@, 0.45); color: #ffffff; }
/* The theme's slider is 40 px long at least, which made the log taller than one line of text at
   its smallest; a short log must still show its newest line. */
scrolledwindow.tarnwick-log scrollbar slider { background-color: alpha(#ffffff, 0.25); min-width: 4px; min-height: 4px; }
scrolledwindow.tarnwick-log scrollbar { background: none; border: none; }

/* The page scrolls only where the window is shorter than its controls; its edge glows would
   draw a white line across the footer. */
scrolledwindow.tarnwick-page > overshoot, scrolledwindow.tarnwick-page > undershoot { background: none; }

popover.tarnwick-popup > contents {
  background-color: @card@; padding: 0; border-radius: 12px;
  border: 1px solid alpha(@accent@, 0.35); box-shadow: 0 8px 24px alpha(#000000, 0.5);
}
/* Without a compositor the shadow's margin would show as a black frame. */
popover.tarnwick-popup.solid > contents { box-shadow: none; border-radius: 0; }
)css";

}  // namespace

std::string buildShellCss(const ShellColors& colors, const ShellFonts& fonts) {
  return expand(sheet, colors, fonts);
}

}  // namespace tarnwick
