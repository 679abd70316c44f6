// The one thing the layout needs from the text backend: the width of a line of text. Kept apart
// from the Pango engine so that the layout can be tested with a measure of its own.
#pragma once

#include <string_view>

#include "render/text_format.h"

namespace tarnwick {

class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  // Width in DIPs of `text` on one line, trailing blanks included, rounded up; 0 when the text
  // cannot be measured.
  [[nodiscard]] virtual float measureText(std::wstring_view text, TextFormat format) const = 0;
};

}  // namespace tarnwick
