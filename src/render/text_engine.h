// Text on Pango for the Cairo canvas (Linux only): the fifteen font descriptions, measuring, and
// laid-out lines cached across frames (most texts of a frame are the same as in the previous one,
// and shaping is the expensive part). UI thread only.
#pragma once

#include <pango/pango.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "render/canvas.h"  // TextAlign
#include "render/text_format.h"
#include "render/text_measure.h"

namespace tarnwick {

class TextEngine final : public TextMeasure {
 public:
  // Uses Pango's default Cairo font map. The families are chosen from what it holds when text
  // is first needed: asking fontconfig costs milliseconds the window should not wait for.
  TextEngine();
  ~TextEngine() override;
  TextEngine(const TextEngine&) = delete;
  TextEngine& operator=(const TextEngine&) = delete;

  [[nodiscard]] float measureText(std::wstring_view text, TextFormat format) const override;
  [[nodiscard]] const FontFamilies& families() const;
  [[nodiscard]] const PangoFontDescription* font(TextFormat format) const;

  // `text` laid out for a box `width` DIPs wide: one line ending in an ellipsis when too long
  // (the preview title wraps and is cut with an ellipsis at `height`). Leading and trailing keep
  // their visual side whatever the script: a right-to-left text asked for leading still starts
  // at the left edge. The layout stays owned by the engine; valid until the next endFrame().
  [[nodiscard]] PangoLayout* layout(std::wstring_view text, TextFormat format, float width, float height,
                                    TextAlign align);
  // Lays out without a width limit (for measuring and for the headline).
  [[nodiscard]] PangoLayout* freeLayout(std::wstring_view text, TextFormat format) const;

  // Drops the layouts that the frame now ending did not use, once the cache has grown.
  void endFrame();
  [[nodiscard]] std::size_t cachedLayouts() const { return cache_.size(); }

 private:
  struct Key {
    std::wstring text;
    int format;
    int width;  // Pango units; -1 = unlimited
    int height;
    int align;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const;
  };
  struct Entry {
    PangoLayout* layout = nullptr;
    std::uint64_t lastFrame = 0;
  };

  PangoLayout* lookup(Key key) const;
  void loadFonts() const;

  PangoContext* context_ = nullptr;
  mutable bool fontsLoaded_ = false;
  mutable FontFamilies families_;
  mutable std::array<PangoFontDescription*, kTextFormatCount> fonts_{};
  mutable std::unordered_map<Key, Entry, KeyHash> cache_;
  std::uint64_t frame_ = 1;
};

}  // namespace tarnwick
