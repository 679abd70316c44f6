#include "setup/component_builds.h"

namespace tarnwick::setup {

const ComponentBuilds& componentBuilds() {
  static constexpr ComponentBuilds builds{L"yt-dlp.exe", L"deno-x86_64-pc-windows-msvc.zip",
                                          L"ffmpeg-master-latest-win64-gpl.zip"};
  return builds;
}

std::wstring executableFileName(std::wstring_view tool) {
  return std::wstring(tool) + L".exe";
}

}  // namespace tarnwick::setup
