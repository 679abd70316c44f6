// A decoded thumbnail picture, shared by the preview card and any number of search hits.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tarnwick {

// Pixels are premultiplied ARGB in native-endian 32-bit words (alpha in the top byte), rows of
// `stride` bytes: the layout of Cairo's ARGB32 image format. Decoded by a worker, whose message
// hands it to the UI thread; from then on used there only. Always held through std::shared_ptr,
// the last holder frees it.
struct Thumb {
  int width = 0;
  int height = 0;
  int stride = 0;  // bytes per row
  std::vector<std::uint32_t> pixels;

  // The render backend's per-target copies (slot 0 the main window, slot 1 the results popup),
  // made lazily by the painters. A painter remakes its copy when the generation it stored
  // differs from its target's current one. Released together with the picture.
  std::array<std::shared_ptr<void>, 2> deviceBitmaps;
  std::array<std::uint32_t, 2> deviceGenerations{};
};

// Pictures beyond this in either direction are refused rather than decoded: a thumbnail is a
// few hundred pixels wide, and a forged header must not make a worker allocate gigabytes.
inline constexpr int thumbMaxSide = 8192;
// What the decoder may hold of one picture before it is scaled down: a JPEG may shrink while it
// decodes (thumbJpegDecodeShrink), other formats are held at their full size.
inline constexpr std::size_t thumbMaxDecodeBytes = 64u << 20;
// The largest factor by which this platform's decoder shrinks a JPEG while decoding it: 8 for
// libjpeg under gdk-pixbuf; 1 through WIC, whose frame is held whole before the scaler reads it.
extern const int thumbJpegDecodeShrink;
// The largest thumbnail drawn, the preview's 176 × 99 DIPs, at scale 2. Larger pictures are
// decoded down to the smallest size that still covers it; smaller ones keep their size.
inline constexpr int thumbCoverWidth = 352;
inline constexpr int thumbCoverHeight = 198;

// Decodes an image file (JPEG, PNG, whatever the platform's image library reads) into a Thumb no
// larger than needed to cover thumbCoverWidth × thumbCoverHeight, or null when the bytes cannot
// be decoded or the picture is too large. Any thread: the workers decode what they fetched.
[[nodiscard]] std::shared_ptr<Thumb> decodeThumbnail(std::string_view bytes);

}  // namespace tarnwick
