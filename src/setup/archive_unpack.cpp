#include "setup/archive_unpack.h"

#include "base/channel.h"
#include "base/text.h"

namespace tarnwick::setup {

std::vector<std::string_view> splitEntryPath(std::string_view path, bool backslashToo) {
  std::vector<std::string_view> parts;
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/' || (backslashToo && path[i] == '\\')) {
      parts.push_back(path.substr(begin, i - begin));
      begin = i + 1;
    }
  }
  return parts;
}

std::optional<std::string> safeEntryPath(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.front() == '\\') return std::nullopt;
  std::string result;
  for (std::string_view part : splitEntryPath(name, true)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") return std::nullopt;
    if (!result.empty()) result += '/';
    result += part;
  }
  if (result.empty()) return std::nullopt;
  return result;
}

bool linkStaysInside(std::string_view linkPath, std::string_view target) {
  if (target.empty() || target.front() == '/') return false;
  // Depth of the link's own folder below the root, then walk the target from there.
  std::vector<std::string_view> parts = splitEntryPath(linkPath, false);
  long depth = static_cast<long>(parts.size()) - 1;
  for (std::string_view part : splitEntryPath(target, false)) {
    if (part.empty() || part == ".") continue;
    depth += part == ".." ? -1 : 1;
    if (depth < 0) return false;
  }
  return true;
}

void postUnpackError(const std::filesystem::path& archive, const std::wstring& what) {
  postText(WM_APP_LOG, L"Error: " + fromPath(archive.filename()) + L": " + what);
}

std::wstring refusedEntryText(std::string_view name, const std::wstring& why) {
  return L"refused entry \"" + utf8ToWide(name) + L"\" (" + why + L").";
}

std::wstring limitBreach(const UnpackLimits& limits, std::uint64_t entries, std::uint64_t bytes) {
  if (entries > limits.maxEntries) return L"more than " + std::to_wstring(limits.maxEntries) + L" entries.";
  if (bytes > limits.maxBytes) return L"unpacks to more than " + std::to_wstring(limits.maxBytes >> 20) + L" MB.";
  return {};
}

}  // namespace tarnwick::setup
