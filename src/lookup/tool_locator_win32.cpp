#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "lookup/tool_locator.h"

namespace tarnwick {

const std::wstring_view ytDlpFileName = L"yt-dlp.exe";
const std::wstring_view denoFileName = L"deno.exe";

namespace {

constexpr DWORD pathBufferLength = 1040;

// `fileName` in `folder` when it is a file there (a folder of that name does not count).
std::wstring fileIn(const std::wstring& folder, const std::wstring& fileName) {
  wchar_t found[pathBufferLength];
  DWORD length = SearchPathW(folder.c_str(), fileName.c_str(), nullptr, pathBufferLength, found, nullptr);
  if (length == 0 || length >= pathBufferLength) return {};
  DWORD attributes = GetFileAttributesW(found);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  return std::wstring(found, length);
}

}  // namespace

// Only PATH's own folders, one at a time: SearchPathW's default order would also try the working
// folder, which is never a place for tools.
std::wstring searchPathForTool(std::wstring_view fileName) {
  const wchar_t* path = _wgetenv(L"PATH");
  if (!path || fileName.empty()) return {};
  std::wstring_view folders(path);
  const std::wstring name(fileName);
  while (!folders.empty()) {
    std::size_t semicolon = folders.find(L';');
    std::wstring folder(folders.substr(0, semicolon));
    folders = semicolon == std::wstring_view::npos ? std::wstring_view() : folders.substr(semicolon + 1);
    if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"')
      folder = folder.substr(1, folder.size() - 2);
    // An empty or relative entry would mean the working folder: never that.
    if (folder.empty() || !std::filesystem::path(folder).is_absolute()) continue;
    if (std::wstring found = fileIn(folder, name); !found.empty()) return found;
  }
  return {};
}

}  // namespace tarnwick
