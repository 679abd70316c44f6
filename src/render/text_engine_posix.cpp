#include "render/text_engine.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "base/text.h"

namespace tarnwick {
namespace {

// One fontconfig match instead of listing every family: the font asked for comes back only when
// the family is installed, anything else is a fallback of another family.
bool contextHasFamily(PangoContext* context, std::string_view name) {
  PangoFontDescription* wanted = pango_font_description_new();
  pango_font_description_set_family(wanted, std::string(name).c_str());
  PangoFont* font = pango_context_load_font(context, wanted);
  pango_font_description_free(wanted);
  if (!font) return false;
  PangoFontDescription* got = pango_font_describe(font);
  const char* family = pango_font_description_get_family(got);
  const bool found = family != nullptr && g_ascii_strcasecmp(family, std::string(name).c_str()) == 0;
  pango_font_description_free(got);
  g_object_unref(font);
  return found;
}

PangoAlignment pangoAlignment(TextAlign align, bool rightToLeft) {
  // Pango swaps left and right for a paragraph whose own direction is right-to-left; asking for
  // the opposite side keeps leading text at the left edge in every script.
  switch (align) {
    case TextAlign::center:
      return PANGO_ALIGN_CENTER;
    case TextAlign::trailing:
      return rightToLeft ? PANGO_ALIGN_LEFT : PANGO_ALIGN_RIGHT;
    case TextAlign::leading:
      break;
  }
  return rightToLeft ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT;
}

int toPango(float dips) {
  return dips < 0 ? -1 : static_cast<int>(std::lround(dips * PANGO_SCALE));
}

}  // namespace

std::size_t TextEngine::KeyHash::operator()(const Key& key) const {
  std::size_t h = std::hash<std::wstring>{}(key.text);
  for (int v : {key.format, key.width, key.height, key.align}) h = h * 1000003u ^ std::hash<int>{}(v);
  return h;
}

TextEngine::TextEngine() {
  PangoFontMap* map = pango_cairo_font_map_get_default();  // owned by Pango
  context_ = pango_font_map_create_context(map);
  // Unhinted metrics and unrounded glyph positions: a text measures the same at every scale, so
  // the layout does not move when the window goes to another monitor.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(context_, options);
  cairo_font_options_destroy(options);
  pango_context_set_round_glyph_positions(context_, FALSE);
  pango_context_set_base_dir(context_, PANGO_DIRECTION_LTR);
}

void TextEngine::loadFonts() const {
  if (fontsLoaded_) return;
  fontsLoaded_ = true;
  families_ = chooseFontFamilies([this](std::string_view name) { return contextHasFamily(context_, name); });
  for (int i = 0; i < kTextFormatCount; ++i) {
    const TextFormatSpec style = textFormatSpec(static_cast<TextFormat>(i));
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, familyFor(families_, style.role).c_str());
    pango_font_description_set_weight(font, static_cast<PangoWeight>(style.weight));
    pango_font_description_set_absolute_size(font, style.size * PANGO_SCALE);
    fonts_[i] = font;
  }
}

TextEngine::~TextEngine() {
  for (auto& [key, entry] : cache_) g_object_unref(entry.layout);
  for (PangoFontDescription* font : fonts_) {
    if (font) pango_font_description_free(font);
  }
  g_object_unref(context_);
}

const FontFamilies& TextEngine::families() const {
  loadFonts();
  return families_;
}

const PangoFontDescription* TextEngine::font(TextFormat format) const {
  loadFonts();
  return fonts_[static_cast<int>(format)];
}

PangoLayout* TextEngine::lookup(Key key) const {
  auto found = cache_.find(key);
  if (found != cache_.end()) {
    found->second.lastFrame = frame_;
    return found->second.layout;
  }
  const auto format = static_cast<TextFormat>(key.format);
  loadFonts();
  PangoLayout* layout = pango_layout_new(context_);
  pango_layout_set_font_description(layout, fonts_[key.format]);
  const std::string utf8 = wideToUtf8(key.text);
  pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
  if (format == TextFormat::previewTitle) {
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    if (key.height >= 0) pango_layout_set_height(layout, key.height);
  } else {
    pango_layout_set_single_paragraph_mode(layout, TRUE);
  }
  if (key.width >= 0) {
    pango_layout_set_width(layout, key.width);
    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
  }
  pango_layout_set_alignment(layout,
                             pangoAlignment(static_cast<TextAlign>(key.align), isRightToLeftText(key.text)));
  cache_.emplace(std::move(key), Entry{layout, frame_});
  return layout;
}

PangoLayout* TextEngine::layout(std::wstring_view text, TextFormat format, float width, float height,
                                TextAlign align) {
  return lookup(Key{std::wstring(text), static_cast<int>(format), toPango(std::max(0.0f, width)),
                    toPango(height), static_cast<int>(align)});
}

PangoLayout* TextEngine::freeLayout(std::wstring_view text, TextFormat format) const {
  return lookup(
      Key{std::wstring(text), static_cast<int>(format), -1, -1, static_cast<int>(TextAlign::leading)});
}

float TextEngine::measureText(std::wstring_view text, TextFormat format) const {
  if (text.empty()) return 0;
  PangoLayout* layout = freeLayout(text, format);
  PangoRectangle logical{};
  pango_layout_get_extents(layout, nullptr, &logical);
  return std::ceil(static_cast<float>(logical.width) / PANGO_SCALE);
}

void TextEngine::endFrame() {
  constexpr std::size_t kKeep = 400;
  if (cache_.size() > kKeep) {
    for (auto it = cache_.begin(); it != cache_.end();) {
      if (it->second.lastFrame < frame_) {
        g_object_unref(it->second.layout);
        it = cache_.erase(it);
      } else {
        ++it;
      }
    }
  }
  ++frame_;
}

}  // namespace tarnwick
