// A decoded thumbnail picture, shared by the preview card and any number of search hits.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tarnwick {

// Pixels are premultiplied ARGB in native-endian 32-bit words (alpha in the top byte), rows of
// `stride` bytes: the layout of Cairo's ARGB32 image format. Created and used on the UI thread
// only; always held through std::shared_ptr, the last holder frees it.
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
// few hundred pixels wide, and a forged header must not make the UI thread allocate gigabytes.
inline constexpr int thumbMaxSide = 8192;

// Decodes an image file (JPEG, PNG, whatever the image library reads) into a Thumb at its own
// size, or null when the bytes cannot be decoded. UI thread.
[[nodiscard]] std::shared_ptr<Thumb> decodeThumbnail(std::string_view bytes);

}  // namespace tarnwick
