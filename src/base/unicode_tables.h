// Sorted, non-overlapping code point ranges generated from the Unicode database.
#pragma once

#include <cstddef>

namespace tarnwick::unicode {

struct CodeRange {
  char32_t first;
  char32_t last;
};

extern const CodeRange letterOrDigitRanges[];
extern const std::size_t letterOrDigitRangesCount;
extern const CodeRange rightToLeftRanges[];
extern const std::size_t rightToLeftRangesCount;
extern const CodeRange leftToRightRanges[];
extern const std::size_t leftToRightRangesCount;

}  // namespace tarnwick::unicode
