// This platform's release builds of the components and the way its executables are named.
// One implementation per platform (component_builds_posix.cpp, component_builds_win32.cpp).
#pragma once

#include <string>
#include <string_view>

namespace tarnwick::setup {

// The file names of the builds in the projects' release folders.
struct ComponentBuilds {
  std::wstring_view ytDlp;   // the single yt-dlp executable
  std::wstring_view deno;    // zip archive
  std::wstring_view ffmpeg;  // tar.xz or zip archive
};
[[nodiscard]] const ComponentBuilds& componentBuilds();

// The file name of the executable of `tool` ("yt-dlp" -> "yt-dlp", on Windows "yt-dlp.exe").
[[nodiscard]] std::wstring executableFileName(std::wstring_view tool);

}  // namespace tarnwick::setup
