#include "lookup/thumb.h"

#include <algorithm>
#include <cmath>

#include "lookup/thumb_decoding.h"

namespace tarnwick {
namespace {

// The factor (≤ 1) that shrinks a picture to just cover the largest thumbnail drawn.
double coverScale(int width, int height) {
  return std::min(1.0, std::max(static_cast<double>(thumbCoverWidth) / width,
                                static_cast<double>(thumbCoverHeight) / height));
}

// Bytes the decoder holds for the picture: it shrinks by the largest power of two up to
// `decodeShrink` that still covers the target; the rest is scaled afterwards.
double heldBytes(int width, int height, double scale, int decodeShrink) {
  int shrink = 1;
  while (shrink < decodeShrink && scale * shrink * 2 <= 1) shrink *= 2;
  return 4.0 * std::ceil(static_cast<double>(width) / shrink) *
         std::ceil(static_cast<double>(height) / shrink);
}

bool sideInRange(int side) {
  return side > 0 && side <= thumbMaxSide;
}

}  // namespace

std::optional<ThumbSize> thumbDecodeSize(int width, int height, int decodeShrink) {
  if (!sideInRange(width) || !sideInRange(height)) return std::nullopt;
  const double scale = coverScale(width, height);
  if (heldBytes(width, height, scale, decodeShrink) > static_cast<double>(thumbMaxDecodeBytes))
    return std::nullopt;
  if (scale >= 1) return ThumbSize{width, height};
  return ThumbSize{std::max(1, static_cast<int>(std::ceil(width * scale))),
                   std::max(1, static_cast<int>(std::ceil(height * scale)))};
}

std::shared_ptr<Thumb> makeThumb(ThumbSize size) {
  auto thumb = std::make_shared<Thumb>();
  thumb->width = size.width;
  thumb->height = size.height;
  thumb->stride = size.width * 4;
  thumb->pixels.assign(static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height),
                       0xFF000000u);
  return thumb;
}

std::uint32_t premultipliedArgb(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
  const auto scale = [a](std::uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (scale(r) << 16) | (scale(g) << 8) | scale(b);
}

std::shared_ptr<Thumb> decodeThumbnail(std::string_view bytes) {
  if (bytes.empty()) return nullptr;
  std::shared_ptr<Thumb> thumb = decodePicture(bytes);
  // Whatever the library answered, the painters rely on this shape.
  if (!thumb || !sideInRange(thumb->width) || !sideInRange(thumb->height) ||
      thumb->stride != thumb->width * 4 ||
      thumb->pixels.size() !=
          static_cast<std::size_t>(thumb->width) * static_cast<std::size_t>(thumb->height))
    return nullptr;
  return thumb;
}

}  // namespace tarnwick
