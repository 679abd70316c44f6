#include "lookup/thumb.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace tarnwick {
namespace {

constexpr std::size_t feedChunk = 16 * 1024;

struct LoaderState {
  bool tooLarge = false;
};

// The factor (≤ 1) that shrinks a picture to just cover the largest thumbnail drawn.
double coverScale(int width, int height) {
  return std::min(1.0, std::max(static_cast<double>(thumbCoverWidth) / width,
                                static_cast<double>(thumbCoverHeight) / height));
}

// Bytes the decoder holds for the picture: libjpeg decodes at 1/2, 1/4 or 1/8 of the size when
// that still covers the target; everything else is decoded whole and scaled afterwards.
double heldBytes(GdkPixbufLoader* loader, int width, int height, double scale) {
  int shrink = 1;
  GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(loader);
  gchar* name = format ? gdk_pixbuf_format_get_name(format) : nullptr;
  if (name && std::string_view(name) == "jpeg") {
    while (shrink < 8 && scale * shrink * 2 <= 1) shrink *= 2;
  }
  g_free(name);
  return 4.0 * std::ceil(static_cast<double>(width) / shrink) *
         std::ceil(static_cast<double>(height) / shrink);
}

void onSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data) {
  auto* state = static_cast<LoaderState*>(data);
  if (width <= 0 || height <= 0 || width > thumbMaxSide || height > thumbMaxSide) {
    state->tooLarge = true;
    return;
  }
  const double scale = coverScale(width, height);
  if (heldBytes(loader, width, height, scale) > static_cast<double>(thumbMaxDecodeBytes)) {
    state->tooLarge = true;
    return;
  }
  if (scale < 1) {
    gdk_pixbuf_loader_set_size(loader, std::max(1, static_cast<int>(std::ceil(width * scale))),
                               std::max(1, static_cast<int>(std::ceil(height * scale))));
  }
}

// Feeds the bytes in chunks so that a picture announced too large is dropped before its rows are
// decoded. Answers the decoded pixbuf (owned by the caller) or null.
GdkPixbuf* loadPixbuf(std::string_view bytes) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  LoaderState state;
  g_signal_connect(loader, "size-prepared", G_CALLBACK(onSizePrepared), &state);
  bool fed = true;
  for (std::size_t at = 0; fed && at < bytes.size() && !state.tooLarge; at += feedChunk) {
    std::size_t n = std::min(feedChunk, bytes.size() - at);
    fed = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data() + at), n, nullptr);
  }
  bool closed = gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* pixbuf = nullptr;
  if (fed && closed && !state.tooLarge) {
    pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
    if (pixbuf) g_object_ref(pixbuf);
  }
  g_object_unref(loader);
  return pixbuf;
}

std::uint32_t premultiplied(const guint8* p, bool hasAlpha) {
  std::uint32_t a = hasAlpha ? p[3] : 255;
  const auto scale = [a](std::uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (scale(p[0]) << 16) | (scale(p[1]) << 8) | scale(p[2]);
}

}  // namespace

std::shared_ptr<Thumb> decodeThumbnail(std::string_view bytes) {
  if (bytes.empty()) return nullptr;
  GdkPixbuf* pixbuf = loadPixbuf(bytes);
  if (!pixbuf) return nullptr;
  int width = gdk_pixbuf_get_width(pixbuf);
  int height = gdk_pixbuf_get_height(pixbuf);
  int channels = gdk_pixbuf_get_n_channels(pixbuf);
  bool hasAlpha = gdk_pixbuf_get_has_alpha(pixbuf);
  if (gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB ||
      gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 || channels != (hasAlpha ? 4 : 3) || width <= 0 ||
      height <= 0 || width > thumbMaxSide || height > thumbMaxSide) {
    g_object_unref(pixbuf);
    return nullptr;
  }
  auto thumb = std::make_shared<Thumb>();
  thumb->width = width;
  thumb->height = height;
  thumb->stride = width * 4;
  thumb->pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const guint8* source = gdk_pixbuf_read_pixels(pixbuf);
  int rowstride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < height; ++y) {
    const guint8* row = source + static_cast<std::ptrdiff_t>(y) * rowstride;
    std::uint32_t* out = thumb->pixels.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) out[x] = premultiplied(row + x * channels, hasAlpha);
  }
  g_object_unref(pixbuf);
  return thumb;
}

}  // namespace tarnwick
