// Rectangles in DIPs (GTK logical pixels) and the conversions to device pixels. A DIP value
// becomes pixels as value × scale rounded to the nearest integer; `dpi` = 96 × scale.
#pragma once

#include <cmath>

namespace tarnwick {

struct RectF {
  float left = 0;
  float top = 0;
  float right = 0;
  float bottom = 0;

  [[nodiscard]] float width() const { return right - left; }
  [[nodiscard]] float height() const { return bottom - top; }
  // Left and top edges inside, right and bottom edges outside.
  [[nodiscard]] bool contains(float x, float y) const {
    return left <= x && x < right && top <= y && y < bottom;
  }
  [[nodiscard]] RectF inflated(float d) const { return {left - d, top - d, right + d, bottom + d}; }
  bool operator==(const RectF&) const = default;
};

struct PxRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PxRect&) const = default;
};

[[nodiscard]] inline int dipToPx(float dips, double scale) {
  return static_cast<int>(std::lround(static_cast<double>(dips) * scale));
}
[[nodiscard]] inline float pxToDip(double px, double scale) {
  return static_cast<float>(px / scale);
}

// Widths are differences of rounded edges, not rounded widths, so neighbours never gap.
[[nodiscard]] inline PxRect dipRectToPx(const RectF& rect, double scale) {
  const int x = dipToPx(rect.left, scale);
  const int y = dipToPx(rect.top, scale);
  return {x, y, dipToPx(rect.right, scale) - x, dipToPx(rect.bottom, scale) - y};
}

}  // namespace tarnwick
