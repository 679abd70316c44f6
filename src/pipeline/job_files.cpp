#include "pipeline/job_files.h"

#include <filesystem>
#include <random>
#include <system_error>

#include "base/file_names.h"
#include "base/text.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

constexpr std::wstring_view hexDigits = L"0123456789abcdef";
// 48 bits: no two jobs a user ever runs share one.
constexpr std::size_t jobTokenDigits = 12;

bool isSeparator(wchar_t c) {
  return c == L'/' || c == L'\\';
}

bool isDriveLetter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Only "/" separates on Linux: a "\" there is part of a name, even at the end of a folder's.
bool isNativeSeparator(wchar_t c) {
  return c == L'/' || c == static_cast<wchar_t>(fs::path::preferred_separator);
}

// The part of `path` behind `folder` and one separator, or nullopt when `path` is not below it.
// On Windows yt-dlp may spell the folder in another letter case; it is the same folder.
std::optional<std::wstring_view> below(std::wstring_view path, std::wstring_view folder) {
  if (folder.empty() || !startsWithFileName(path, folder)) return std::nullopt;
  path.remove_prefix(folder.size());
  if (isNativeSeparator(folder.back())) return path;  // a root such as "/"
  if (path.empty() || !isNativeSeparator(path.front())) return std::nullopt;
  return path.substr(1);
}

// No root, no empty, "." or ".." step: the path cannot leave the folder it is read against.
bool staysInside(const fs::path& relative) {
  if (relative.empty() || relative.has_root_path()) return false;
  for (const fs::path& step : relative)
    if (step.empty() || step == "." || step == "..") return false;
  return true;
}

}  // namespace

std::wstring newJobMarker() {
  std::random_device entropy;
  std::wstring marker(tempMarker);
  marker += L'-';
  for (std::size_t i = 0; i < jobTokenDigits; ++i) marker += hexDigits[entropy() % 16];
  return marker;
}

bool isJobMarker(std::wstring_view marker) {
  const std::size_t prefix = tempMarker.size() + 1;
  return marker.size() == prefix + jobTokenDigits && startsWith(marker, tempMarker) &&
         marker[tempMarker.size()] == L'-' &&
         marker.substr(prefix).find_first_not_of(hexDigits) == std::wstring_view::npos;
}

std::wstring folderPartOf(std::wstring_view path) {
  std::size_t cut = path.find_last_of(L"/\\");
  if (cut == std::wstring_view::npos) return {};
  std::size_t end = cut;
  while (end > 0 && isSeparator(path[end - 1])) --end;
  if (end == 0) return std::wstring(path.substr(0, 1));
  if (end == 2 && path[1] == L':' && isDriveLetter(path[0])) return std::wstring(path.substr(0, 3));
  return std::wstring(path.substr(0, end));
}

NameParts splitName(std::wstring_view name) {
  std::size_t dot = name.rfind(L'.');
  if (dot == std::wstring_view::npos || dot == 0 || name == L"..") return {std::wstring(name), {}};
  return {std::wstring(name.substr(0, dot)), std::wstring(name.substr(dot + 1))};
}

std::wstring pathInside(std::wstring_view folder, std::wstring_view relative) {
  return fromPath(toPath(folder) / toPath(relative));
}

JobFolder jobFolderOf(std::wstring_view folder) {
  std::error_code error;
  fs::path resolved = fs::canonical(toPath(folder), error);
  return {std::wstring(folder), error ? std::wstring(folder) : fromPath(resolved)};
}

std::optional<std::wstring> ownedRelativePath(const JobFolder& folder, std::wstring_view reported,
                                              std::wstring_view marker) {
  std::optional<std::wstring_view> relative = reported;
  if (toPath(reported).has_root_path()) {
    relative = below(reported, folder.resolved);
    if (!relative) relative = below(reported, folder.path);
  }
  if (!relative || !staysInside(toPath(*relative))) return std::nullopt;
  if (fromPath(toPath(*relative).filename()).find(marker) == std::wstring::npos) return std::nullopt;
  return std::wstring(*relative);
}

std::set<std::wstring> entryNamesOf(std::wstring_view folder) {
  std::set<std::wstring> names;
  std::error_code error;
  fs::directory_iterator entry(toPath(folder), error);
  for (; !error && entry != fs::directory_iterator(); entry.increment(error))
    names.insert(fromPath(entry->path().filename()));
  return names;
}

void removeFileQuietly(std::wstring_view path) {
  std::error_code ignored;
  fs::path file = toPath(path);
  if (fs::symlink_status(file, ignored).type() == fs::file_type::directory) return;
  fs::remove(file, ignored);
}

bool moveFileReplacing(std::wstring_view source, std::wstring_view target) {
  std::error_code error;
  fs::rename(toPath(source), toPath(target), error);
  return !error;
}

}  // namespace tarnwick
