// Helpers shared by the lookup tests: pictures made with the image library, and the lookup hosts
// pointed at a loopback server for the length of a test.
#pragma once

#define TARNWICK_LOOKUP_INTERNAL
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <stdlib.h>

#include <string>

#include "base/text.h"
#include "lookup/lookup_testing.h"
#include "loopback_server.h"

namespace tarnwick::test {

// An image file of one flat colour, encoded as `type` ("jpeg" or "png").
inline std::string makePicture(int width, int height, guint32 rgba, const char* type = "jpeg") {
  bool alpha = std::string(type) == "png";
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, width, height);
  gdk_pixbuf_fill(pixbuf, rgba);
  gchar* buffer = nullptr;
  gsize size = 0;
  gboolean saved = gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, type, nullptr, nullptr);
  std::string bytes = saved ? std::string(buffer, size) : std::string();
  g_free(buffer);
  g_object_unref(pixbuf);
  return bytes;
}

// Points the three lookup hosts at `server` and keeps proxies out of the loopback traffic.
class LoopbackHosts {
 public:
  explicit LoopbackHosts(const LoopbackServer& server) {
    for (const char* name :
         {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"})
      ::unsetenv(name);
    std::wstring base = utf8ToWide(server.url(""));
    testing::setLookupHosts({base, base, base});
  }
  ~LoopbackHosts() { testing::resetLookupHosts(); }
  LoopbackHosts(const LoopbackHosts&) = delete;
  LoopbackHosts& operator=(const LoopbackHosts&) = delete;
};

}  // namespace tarnwick::test
