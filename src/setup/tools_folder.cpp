#include "setup/tools_folder.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

#include "base/text.h"
#include "setup/file_system.h"
#include "setup/setup_overrides.h"

namespace tarnwick {
namespace fs = std::filesystem;
namespace {

// A file as it is now: a copy set aside comes back into play once it is replaced or rewritten.
struct FileVersion {
  fs::path path;
  fs::file_time_type modified;
  std::uintmax_t size = 0;
  bool operator==(const FileVersion&) const = default;
};

std::optional<FileVersion> versionOf(const fs::path& path) {
  std::error_code ec;
  FileVersion version{path, fs::last_write_time(path, ec), 0};
  if (!ec) version.size = fs::file_size(path, ec);
  if (ec) return std::nullopt;
  return version;
}

std::mutex setAsideLock;
std::vector<FileVersion> setAsideFiles;  // guarded by setAsideLock

bool isSetAside(const fs::path& path) {
  std::optional<FileVersion> version = versionOf(path);
  if (!version) return false;
  std::lock_guard guard(setAsideLock);
  for (const FileVersion& file : setAsideFiles)
    if (file == *version) return true;
  return false;
}

bool isRunnable(const fs::path& path) {
  return setup::isExecutableFile(path) && !isSetAside(path);
}

fs::path programFolderPath() {
  if (std::optional<fs::path> folder = setup::programFolderOverride()) return *folder;
  return setup::runningProgramFolder();
}

bool isSearchPathFolder(const fs::path& folder) {
  for (const fs::path& entry : setup::searchPathFolders()) {
    std::error_code ec;
    if (fs::equivalent(folder, entry, ec)) return true;
  }
  return false;
}

bool isRealFolder(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(path, ec));
}

// Entries of `folder` named `lowerName` in any case, appended to `found`.
void addEntriesNamed(const fs::path& folder, const std::wstring& lowerName, std::vector<fs::path>& found) {
  if (!isRealFolder(folder)) return;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
    if (asciiLower(fromPath(it->path().filename())) == lowerName) found.push_back(it->path());
}

std::vector<fs::path> topLevelFolders(const fs::path& folder) {
  std::vector<fs::path> folders;
  std::error_code ec;
  if (!isRealFolder(folder)) return folders;
  for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
    if (isRealFolder(it->path())) folders.push_back(it->path());
  std::sort(folders.begin(), folders.end());  // the same choice on every call
  return folders;
}

}  // namespace

std::wstring toolsFolder() {
  // Thread-safe one-time initialisation; the value never changes afterwards.
  static const std::wstring folder = [] {
    fs::path data = setup::userDataFolder();
    if (data.empty()) return joinPath(programFolder(), L"tools");
    return fromPath(data / "Tarnwick" / "tools");
  }();
  return folder;
}

std::wstring stagingRoot() {
  return joinPath(folderOf(toolsFolder()), L"staging");
}

std::wstring programFolder() {
  return fromPath(programFolderPath());
}

std::vector<fs::path> componentExecutables(const fs::path& componentFolder, std::wstring_view fileName) {
  const std::wstring lowerName = asciiLower(fileName);
  std::vector<fs::path> found;
  std::vector<fs::path> bases{componentFolder};
  for (const fs::path& top : topLevelFolders(componentFolder))
    if (top.filename() != "bin") bases.push_back(top);
  for (const fs::path& base : bases) {
    addEntriesNamed(base, lowerName, found);
    addEntriesNamed(base / "bin", lowerName, found);
  }
  return found;
}

void setToolAside(std::wstring_view path) {
  std::optional<FileVersion> version = versionOf(toPath(path));
  if (!version) return;
  std::lock_guard guard(setAsideLock);
  setAsideFiles.push_back(std::move(*version));
}

std::wstring findTool(std::wstring_view fileName) {
  if (fileName.empty()) return {};
  const fs::path name = toPath(fileName);
  const fs::path tools = toPath(toolsFolder());

  const fs::path program = programFolderPath();
  if (!program.empty() && !isSearchPathFolder(program) && isRunnable(program / name))
    return fromPath(program / name);
  if (isRunnable(tools / name)) return fromPath(tools / name);
  for (const fs::path& candidate : componentExecutables(tools / name.stem(), fileName))
    if (isRunnable(candidate)) return fromPath(candidate);
  for (const fs::path& folder : setup::searchPathFolders())
    if (isRunnable(folder / name)) return fromPath(folder / name);
  return {};
}

}  // namespace tarnwick
