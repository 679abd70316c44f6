#include "setup/component_builds.h"

namespace tarnwick::setup {

const ComponentBuilds& componentBuilds() {
#if defined(__aarch64__)
  static constexpr ComponentBuilds builds{L"yt-dlp_linux_aarch64", L"deno-aarch64-unknown-linux-gnu.zip",
                                          L"ffmpeg-master-latest-linuxarm64-gpl.tar.xz"};
#else
  static constexpr ComponentBuilds builds{L"yt-dlp_linux", L"deno-x86_64-unknown-linux-gnu.zip",
                                          L"ffmpeg-master-latest-linux64-gpl.tar.xz"};
#endif
  return builds;
}

std::wstring executableFileName(std::wstring_view tool) {
  return std::wstring(tool);
}

}  // namespace tarnwick::setup
