#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "base/text.h"
#include "lookup/tool_locator.h"

namespace tarnwick {

const std::wstring_view ytDlpFileName = L"yt-dlp";
const std::wstring_view denoFileName = L"deno";

std::wstring searchPathForTool(std::wstring_view fileName) {
  const char* path = std::getenv("PATH");
  if (!path || fileName.empty()) return {};
  std::string_view folders(path);
  std::string name = wideToUtf8(fileName);
  while (!folders.empty()) {
    std::size_t colon = folders.find(':');
    std::string_view folder = folders.substr(0, colon);
    folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
    // An empty or relative entry would mean the working folder: never that.
    if (folder.empty() || folder.front() != '/') continue;
    std::string candidate = std::string(folder) + "/" + name;
    std::error_code ec;
    if (std::filesystem::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0)
      return utf8ToWide(candidate);
  }
  return {};
}

}  // namespace tarnwick
