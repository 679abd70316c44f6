// The fifteen text formats of the interface and the font families behind them. Sizes are in
// DIPs (GTK logical pixels); weights are CSS/OpenType weights.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tarnwick {

enum class TextFormat {
  brand,         // product name in the header
  badge,         // "DESKTOP" badge
  headline,      // the three-part headline
  subtitle,      // subtitle under the headline
  body,          // folder path, status text, preview lines, language popup rows
  label,         // buttons, chips, segments, language name, result titles
  small,         // Paste, playlist label, Clear, footer, secondary lines
  section,       // section captions
  statusTitle,   // percentage at the right end of the status line
  icon16,        //
  icon14,        //
  icon20,        //
  icon10,        //
  previewTitle,  // the only format that wraps (two lines)
  badgeSmall,    // duration badge on thumbnails
};
inline constexpr int kTextFormatCount = 15;

enum class FontRole { text, display, icon };

struct TextFormatSpec {
  FontRole role;
  float size;
  int weight;
};

[[nodiscard]] TextFormatSpec textFormatSpec(TextFormat format);

struct FontFamilies {
  std::string ui = "Sans";       // the link entry
  std::string text = "Sans";     // most text
  std::string display = "Sans";  // brand, headline, preview title
  std::string icon = "Material Icons";
  std::string mono = "DejaVu Sans Mono";  // the log view
};

// The families Tarnwick prefers: Inter for all three text roles and JetBrains Mono for the log;
// the icon family as in FontFamilies.
[[nodiscard]] FontFamilies preferredFontFamilies();

// The preferred families where installed, else FontFamilies' defaults. `hasFamily` answers
// whether a family is installed.
[[nodiscard]] FontFamilies chooseFontFamilies(const std::function<bool(std::string_view)>& hasFamily);

[[nodiscard]] const std::string& familyFor(const FontFamilies& families, FontRole role);

}  // namespace tarnwick
