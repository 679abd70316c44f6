#include <gdk-pixbuf/gdk-pixbuf.h>

#include "test_pictures.h"

namespace tarnwick::test {

std::string encodePicture(int width, int height, const PixelColour& colour, const char* type) {
  const bool alpha = std::string(type) == "png";
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, width, height);
  if (!pixbuf) return {};
  guint8* pixels = gdk_pixbuf_get_pixels(pixbuf);
  const int rowstride = gdk_pixbuf_get_rowstride(pixbuf);
  const int channels = alpha ? 4 : 3;
  for (int y = 0; y < height; ++y) {
    guint8* row = pixels + static_cast<std::ptrdiff_t>(y) * rowstride;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t rgba = colour(x, y);
      for (int c = 0; c < channels; ++c) row[x * channels + c] = static_cast<guint8>(rgba >> (24 - 8 * c));
    }
  }
  gchar* buffer = nullptr;
  gsize size = 0;
  gboolean saved = gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, type, nullptr, nullptr);
  std::string bytes = saved ? std::string(buffer, size) : std::string();
  g_free(buffer);
  g_object_unref(pixbuf);
  return bytes;
}

}  // namespace tarnwick::test
