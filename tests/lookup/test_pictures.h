// Pictures for the thumbnail tests, encoded by the platform's own image library (gdk-pixbuf on
// Linux, WIC's encoders on Windows), so that no image file is kept in the sources.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tarnwick::test {

// The straight (unpremultiplied) colour 0xRRGGBBAA at a pixel.
using PixelColour = std::function<std::uint32_t(int x, int y)>;

// An image file of `width` × `height` encoded as `type` ("jpeg", opaque, or "png", with alpha);
// empty when the encoder refused.
std::string encodePicture(int width, int height, const PixelColour& colour, const char* type);

// One flat colour.
inline std::string makePicture(int width, int height, std::uint32_t rgba, const char* type = "jpeg") {
  return encodePicture(
      width, height, [rgba](int, int) { return rgba; }, type);
}

}  // namespace tarnwick::test
