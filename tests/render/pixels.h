// Reading rendered frames: colours, counts of pixels that pass a test, and PNGs for a person to
// look at (written into the build folder only when TARNWICK_WRITE_FRAMES is set).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "render/geometry.h"
#include "render/offscreen.h"

namespace tarnwick::test {

struct Rgb {
  int r, g, b;
};
inline Rgb rgbOf(std::uint32_t argb) {
  return {static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
          static_cast<int>(argb & 0xFF)};
}
inline int brightness(std::uint32_t argb) {
  const Rgb c = rgbOf(argb);
  return c.r + c.g + c.b;
}
// Violet to pink: strong red and blue over a weaker green.
inline bool isAccent(std::uint32_t argb) {
  const Rgb c = rgbOf(argb);
  return c.r > 90 && c.b > 80 && c.g + 20 < c.r && c.g + 10 < c.b;
}

inline void save(const Image& image, const std::string& name) {
  if (!std::getenv("TARNWICK_WRITE_FRAMES")) return;
  const auto folder = std::filesystem::path(TARNWICK_TEST_BINARY_DIR) / "frames";
  std::filesystem::create_directories(folder);
  ASSERT_TRUE(image.writePng(folder / (name + ".png")));
}

// Pixels in `rect` (DIPs) that pass `test`.
inline int countPixels(const Image& image, const RectF& rect, double scale,
                       const std::function<bool(std::uint32_t)>& test) {
  int count = 0;
  for (int y = dipToPx(rect.top, scale); y < dipToPx(rect.bottom, scale); ++y)
    for (int x = dipToPx(rect.left, scale); x < dipToPx(rect.right, scale); ++x)
      if (x >= 0 && y >= 0 && x < image.width && y < image.height && test(image.at(x, y))) ++count;
  return count;
}

// Leftmost and rightmost columns (DIPs, scale 1) in `rect` holding a pixel that passes `test`;
// -1 when none does.
inline std::pair<float, float> inkSpan(const Image& image, const RectF& rect,
                                       const std::function<bool(std::uint32_t)>& test) {
  float first = -1;
  float last = -1;
  for (int x = static_cast<int>(rect.left); x < static_cast<int>(rect.right); ++x)
    for (int y = static_cast<int>(rect.top); y < static_cast<int>(rect.bottom); ++y)
      if (test(image.at(x, y))) {
        if (first < 0) first = static_cast<float>(x);
        last = static_cast<float>(x);
        break;
      }
  return {first, last};
}

}  // namespace tarnwick::test
