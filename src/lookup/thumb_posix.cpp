#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <string_view>

#include "lookup/thumb_decoding.h"

namespace tarnwick {

const int thumbJpegDecodeShrink = 8;

namespace {

constexpr std::size_t feedChunk = 16 * 1024;

struct LoaderState {
  bool tooLarge = false;
};

bool isJpeg(GdkPixbufLoader* loader) {
  GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(loader);
  gchar* name = format ? gdk_pixbuf_format_get_name(format) : nullptr;
  bool jpeg = name && std::string_view(name) == "jpeg";
  g_free(name);
  return jpeg;
}

void onSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data) {
  auto* state = static_cast<LoaderState*>(data);
  std::optional<ThumbSize> size = thumbDecodeSize(width, height, isJpeg(loader) ? thumbJpegDecodeShrink : 1);
  if (!size) {
    state->tooLarge = true;
    return;
  }
  if (size->width != width || size->height != height)
    gdk_pixbuf_loader_set_size(loader, size->width, size->height);
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

}  // namespace

std::shared_ptr<Thumb> decodePicture(std::string_view bytes) {
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
  std::shared_ptr<Thumb> thumb = makeThumb({width, height});
  const guint8* source = gdk_pixbuf_read_pixels(pixbuf);
  int rowstride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < height; ++y) {
    const guint8* row = source + static_cast<std::ptrdiff_t>(y) * rowstride;
    std::uint32_t* out = thumb->pixels.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      const guint8* p = row + x * channels;
      out[x] = premultipliedArgb(p[0], p[1], p[2], hasAlpha ? p[3] : 255);
    }
  }
  g_object_unref(pixbuf);
  return thumb;
}

}  // namespace tarnwick
