#include "setup/tools_folder.h"

#include <filesystem>
#include <system_error>

#include "base/text.h"
#include "setup/file_system.h"

namespace tarnwick {
namespace fs = std::filesystem;
namespace {

bool isSearchPathFolder(const fs::path& folder) {
  for (const fs::path& entry : setup::searchPathFolders()) {
    std::error_code ec;
    if (fs::equivalent(folder, entry, ec)) return true;
  }
  return false;
}

// First executable named `lowerName` (any case) below `folder`, in the order the walk yields.
fs::path walkFor(const fs::path& folder, const std::wstring& lowerName) {
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(folder, ec))) return {};
  fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const fs::path& candidate = it->path();
    if (asciiLower(fromPath(candidate.filename())) == lowerName && setup::isExecutableFile(candidate))
      return candidate;
  }
  return {};
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
  return fromPath(setup::runningProgramFolder());
}

std::wstring findTool(std::wstring_view fileName) {
  if (fileName.empty()) return {};
  const fs::path name = toPath(fileName);
  const fs::path tools = toPath(toolsFolder());

  const fs::path program = setup::runningProgramFolder();
  if (!program.empty() && !isSearchPathFolder(program) && setup::isExecutableFile(program / name))
    return fromPath(program / name);
  if (setup::isExecutableFile(tools / name)) return fromPath(tools / name);
  if (fs::path found = walkFor(tools, asciiLower(fileName)); !found.empty()) return fromPath(found);
  for (const fs::path& folder : setup::searchPathFolders())
    if (setup::isExecutableFile(folder / name)) return fromPath(folder / name);
  return {};
}

}  // namespace tarnwick
