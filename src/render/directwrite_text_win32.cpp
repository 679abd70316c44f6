#include <cmath>
#include <string>

#include "base/text.h"
#include "render/direct2d_canvas.h"

namespace tarnwick {
namespace {

// Each test asks the collection afresh: a font installed while the program runs counts.
bool systemHasFamily(std::string_view name) {
  IDWriteFactory* factory = dwriteFactory();
  if (!factory) return false;
  ComRef<IDWriteFontCollection> collection;
  if (FAILED(factory->GetSystemFontCollection(collection.put(), FALSE))) return false;
  UINT32 index = 0;
  BOOL exists = FALSE;
  const std::wstring wide = utf8ToWide(name);
  return SUCCEEDED(collection->FindFamilyName(wide.c_str(), &index, &exists)) && exists;
}

// The first strong character decides, as Windows' own character types tell it.
bool firstStrongIsRightToLeft(std::wstring_view text) {
  if (text.empty()) return false;
  std::vector<WORD> types(text.size());
  if (!GetStringTypeW(CT_CTYPE2, text.data(), static_cast<int>(text.size()), types.data())) return false;
  for (WORD type : types) {
    if (type == C2_LEFTTORIGHT) return false;
    if (type == C2_RIGHTTOLEFT) return true;
  }
  return false;
}

}  // namespace

IDWriteFactory* dwriteFactory() {
  static IDWriteFactory* const factory = [] {
    IUnknown* made = nullptr;
    if (FAILED(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory), &made)))
      return static_cast<IDWriteFactory*>(nullptr);
    return static_cast<IDWriteFactory*>(made);
  }();
  return factory;
}

FontFamilies chooseDirectWriteFamilies(const std::function<bool(std::string_view)>& hasFamily) {
  FontFamilies families = chooseFontFamilies(hasFamily);
  const FontFamilies preferred = preferredFontFamilies();
  if (families.text != preferred.text) {
    families.ui = families.text = families.display = "Segoe UI";
    if (hasFamily("Segoe UI Variable Text")) {
      families.text = "Segoe UI Variable Text";
      families.display = "Segoe UI Variable Display";
    }
  }
  if (hasFamily("Cascadia Mono")) {
    families.mono = "Cascadia Mono";
  } else if (families.mono != preferred.mono) {
    families.mono = "Consolas";
  }
  for (const char* icons : {"Segoe Fluent Icons", "Segoe MDL2 Assets"}) {
    if (hasFamily(icons)) {
      families.icon = icons;
      break;
    }
  }
  return families;
}

IconSet iconSetOf(const FontFamilies& families) {
  return families.icon == "Segoe Fluent Icons" || families.icon == "Segoe MDL2 Assets" ? IconSet::segoe
                                                                                       : IconSet::material;
}

DirectWriteText::DirectWriteText() = default;

DirectWriteText::~DirectWriteText() {
  for (IDWriteTextFormat* format : formats_) {
    if (format) format->Release();
  }
}

void DirectWriteText::load() const {
  if (loaded_) return;
  loaded_ = true;
  families_ = chooseDirectWriteFamilies(systemHasFamily);
  IDWriteFactory* factory = dwriteFactory();
  if (!factory) return;
  for (int i = 0; i < kTextFormatCount; ++i) {
    const auto which = static_cast<TextFormat>(i);
    const TextFormatSpec style = textFormatSpec(which);
    const std::wstring family = utf8ToWide(familyFor(families_, style.role));
    IDWriteTextFormat* format = nullptr;
    if (FAILED(factory->CreateTextFormat(
            family.c_str(), nullptr, static_cast<DWRITE_FONT_WEIGHT>(style.weight), DWRITE_FONT_STYLE_NORMAL,
            DWRITE_FONT_STRETCH_NORMAL, style.size, L"en-us", &format)))
      continue;
    format->SetWordWrapping(which == TextFormat::previewTitle ? DWRITE_WORD_WRAPPING_WRAP
                                                              : DWRITE_WORD_WRAPPING_NO_WRAP);
    ComRef<IDWriteInlineObject> ellipsis;
    const DWRITE_TRIMMING trimming{DWRITE_TRIMMING_GRANULARITY_CHARACTER, 0, 0};
    if (SUCCEEDED(factory->CreateEllipsisTrimmingSign(format, ellipsis.put())))
      format->SetTrimming(&trimming, ellipsis.get());
    formats_[i] = format;
  }
}

const FontFamilies& DirectWriteText::families() const {
  load();
  return families_;
}

IDWriteTextFormat* DirectWriteText::format(TextFormat format) const {
  load();
  return formats_[static_cast<int>(format)];
}

ComRef<IDWriteTextLayout> DirectWriteText::layout(std::wstring_view text, TextFormat which, float maxWidth,
                                                  float maxHeight, TextAlign align) const {
  ComRef<IDWriteTextLayout> made;
  IDWriteTextFormat* format = this->format(which);
  IDWriteFactory* factory = dwriteFactory();
  if (!format || !factory) return made;
  // A right-to-left paragraph puts its leading edge on the right; asking for the other side keeps
  // leading text at the left edge in every script.
  const bool rightToLeft = firstStrongIsRightToLeft(text);
  DWRITE_TEXT_ALIGNMENT alignment = DWRITE_TEXT_ALIGNMENT_CENTER;
  if (align == TextAlign::leading)
    alignment = rightToLeft ? DWRITE_TEXT_ALIGNMENT_TRAILING : DWRITE_TEXT_ALIGNMENT_LEADING;
  if (align == TextAlign::trailing)
    alignment = rightToLeft ? DWRITE_TEXT_ALIGNMENT_LEADING : DWRITE_TEXT_ALIGNMENT_TRAILING;
  format->SetReadingDirection(rightToLeft ? DWRITE_READING_DIRECTION_RIGHT_TO_LEFT
                                          : DWRITE_READING_DIRECTION_LEFT_TO_RIGHT);
  format->SetTextAlignment(alignment);
  if (FAILED(factory->CreateTextLayout(text.data(), static_cast<UINT32>(text.size()), format, maxWidth,
                                       maxHeight, made.put())))
    made.reset();
  return made;
}

float DirectWriteText::measureText(std::wstring_view text, TextFormat format) const {
  if (text.empty()) return 0;
  const ComRef<IDWriteTextLayout> layout = this->layout(text, format, 10000, 100, TextAlign::leading);
  DWRITE_TEXT_METRICS metrics{};
  if (!layout || FAILED(layout->GetMetrics(&metrics))) return 0;
  return std::ceil(metrics.widthIncludingTrailingWhitespace);
}

}  // namespace tarnwick
