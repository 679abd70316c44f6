// The style sheet of the native parts of the window (header bar, link entry, log view, popovers,
// dialogs), built from the palette so that they match what the painters draw around them.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// 0xRRGGBB values.
struct ShellColors {
  std::uint32_t windowBackground = 0;  // header bar and window
  std::uint32_t windowBorder = 0;      // header bar's lower edge
  std::uint32_t cardFill = 0;          // popovers
  std::uint32_t fieldFill = 0;         // link entry
  std::uint32_t logFill = 0;           // log view
  std::uint32_t textPrimary = 0;       // entry text, title, caret
  std::uint32_t textMuted = 0;         // placeholder, read-only entry, inactive title
  std::uint32_t logText = 0;           // log view text
  std::uint32_t accent = 0;            // selection
};

struct ShellFonts {
  std::string ui;    // link entry, header title
  std::string mono;  // log view
};

[[nodiscard]] std::string buildShellCss(const ShellColors& colors, const ShellFonts& fonts);

// "#rrggbb"
[[nodiscard]] std::string cssColor(std::uint32_t rgb);

}  // namespace tarnwick
