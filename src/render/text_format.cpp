#include "render/text_format.h"

namespace tarnwick {

TextFormatSpec textFormatSpec(TextFormat format) {
  switch (format) {
    case TextFormat::brand:
      return {FontRole::display, 20, 700};
    case TextFormat::badge:
      return {FontRole::text, 10, 700};
    case TextFormat::headline:
      return {FontRole::display, 38, 800};
    case TextFormat::subtitle:
      return {FontRole::text, 15, 400};
    case TextFormat::body:
      return {FontRole::text, 14, 400};
    case TextFormat::label:
      return {FontRole::text, 14, 600};
    case TextFormat::small:
      return {FontRole::text, 13, 400};
    case TextFormat::section:
      return {FontRole::text, 11, 700};
    case TextFormat::statusTitle:
      return {FontRole::text, 15, 700};
    case TextFormat::icon16:
      return {FontRole::icon, 16, 400};
    case TextFormat::icon14:
      return {FontRole::icon, 14, 400};
    case TextFormat::icon20:
      return {FontRole::icon, 20, 400};
    case TextFormat::icon10:
      return {FontRole::icon, 10, 400};
    case TextFormat::previewTitle:
      return {FontRole::display, 16, 600};
    case TextFormat::badgeSmall:
      return {FontRole::text, 11, 600};
  }
  return {FontRole::text, 14, 400};
}

FontFamilies preferredFontFamilies() {
  FontFamilies families;
  families.ui = families.text = families.display = "Inter";
  families.mono = "JetBrains Mono";
  return families;
}

FontFamilies chooseFontFamilies(const std::function<bool(std::string_view)>& hasFamily) {
  const FontFamilies preferred = preferredFontFamilies();
  FontFamilies families;
  if (hasFamily(preferred.ui)) families.ui = families.text = families.display = preferred.ui;
  if (hasFamily(preferred.mono)) families.mono = preferred.mono;
  return families;
}

const std::string& familyFor(const FontFamilies& families, FontRole role) {
  switch (role) {
    case FontRole::display:
      return families.display;
    case FontRole::icon:
      return families.icon;
    case FontRole::text:
      break;
  }
  return families.text;
}

}  // namespace tarnwick
