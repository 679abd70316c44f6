// The part of decodeThumbnail that each platform's image library supplies (thumb_posix.cpp with
// gdk-pixbuf, thumb_win32.cpp with WIC), and the sizing rules both follow (thumb.cpp).
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "lookup/thumb.h"

namespace tarnwick {

struct ThumbSize {
  int width = 0;
  int height = 0;
};

// The size to decode a width × height picture to, or nullopt when it is refused: a side out of
// range, or more than thumbMaxDecodeBytes held while decoding. `decodeShrink` is how far the
// decoder can shrink this picture while decoding it (1, 2, 4 or 8).
[[nodiscard]] std::optional<ThumbSize> thumbDecodeSize(int width, int height, int decodeShrink);

// An opaque-black picture of that size, rows packed (stride = 4 × width), for the decoder to fill.
[[nodiscard]] std::shared_ptr<Thumb> makeThumb(ThumbSize size);

// One premultiplied ARGB word from straight (unpremultiplied) 8-bit channels.
[[nodiscard]] std::uint32_t premultipliedArgb(std::uint32_t r, std::uint32_t g, std::uint32_t b,
                                              std::uint32_t a);

// Platform side: decodes `bytes` (not empty) at the size thumbDecodeSize gives, or null.
[[nodiscard]] std::shared_ptr<Thumb> decodePicture(std::string_view bytes);

}  // namespace tarnwick
