#include "setup/archive_install.h"

#include <filesystem>
#include <optional>
#include <vector>

#include "base/channel.h"
#include "base/command_line.h"
#include "base/job_control.h"
#include "base/process_runner.h"
#include "base/text.h"
#include "base/worker_texts.h"
#include "setup/archive_unpack.h"
#include "setup/component_builds.h"
#include "setup/component_checksum.h"
#include "setup/file_download.h"
#include "setup/file_system.h"
#include "setup/setup_overrides.h"
#include "setup/tools_folder.h"

namespace tarnwick {
namespace fs = std::filesystem;
namespace {

void removeAll(const fs::path& path) {
  std::error_code ec;
  fs::remove_all(path, ec);
}

void createFolders(const fs::path& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
}

bool isNamed(const fs::path& path, std::wstring_view lowerName) {
  return asciiLower(fromPath(path.filename())) == lowerName;
}

// The download's own suffix, so that a person looking into the folder sees what it is.
std::wstring archiveSuffix(const std::wstring& url) {
  for (const wchar_t* suffix : {L".tar.xz", L".tar.gz", L".zip"})
    if (endsWith(asciiLower(url), suffix)) return suffix;
  return L".zip";
}

// Every "ffplay" file (any kind of entry) and every "doc" folder below `folder`.
void removePlayerAndDocs(const fs::path& folder) {
  const std::wstring player = asciiLower(setup::executableFileName(L"ffplay"));
  std::vector<fs::path> doomed;
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (isNamed(it->path(), player) || (isNamed(it->path(), L"doc") && it->is_directory(typeError))) {
      doomed.push_back(it->path());
      if (it->is_directory(typeError)) it.disable_recursion_pending();
    }
  }
  for (const fs::path& path : doomed) removeAll(path);
}

// The component's executable in the unpacked tree, in the place the lookup will take it from, or
// empty. An archive made without Unix modes (zip tools on other systems) loses the executable
// bits; the one file we are going to run gets them back.
fs::path stagedExecutable(const fs::path& folder, const std::wstring& exeName) {
  for (const fs::path& candidate : componentExecutables(folder, exeName)) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(candidate, ec))) continue;
    if (setup::isExecutableFile(candidate) || setup::makeExecutable(candidate)) return candidate;
  }
  return {};
}

// Runs a new tool once before it replaces the installed one: a download that matched its
// checksum may still be a build for another system or need libraries this one lacks. Its output
// is logged only when it fails, the last lines of it.
bool runsOnTrial(const fs::path& executable, const std::wstring& versionArgument,
                 const std::wstring& displayName) {
  constexpr std::size_t keptLines = 10;
  std::vector<std::wstring> output;
  int exitCode = runProcess(
      quoteArgument(fromPath(executable)) + L" " + versionArgument,
      [&](const std::wstring& line) {
        if (output.size() == keptLines) output.erase(output.begin());
        output.push_back(line);
      },
      downloadProcessJob, true);
  if (exitCode == 0 || cancelRequested.load()) return exitCode == 0;
  for (const std::wstring& line : output) postText(WM_APP_LOG, line);
  postText(WM_APP_LOG, L"Error: the new " + displayName + L" does not run (\"" + versionArgument +
                           L"\" ended with exit code " + std::to_wstring(exitCode) + L").");
  return false;
}

}  // namespace

bool installYtDlp() {
  const fs::path tools = toPath(toolsFolder());
  createFolders(tools);
  const std::wstring url = setup::componentSources().ytDlp;
  std::optional<std::string> sha256 =
      fetchPublishedSha256(url, checksumSourceFor(Component::ytDlp, url), L"yt-dlp");
  if (!sha256) return false;
  // Fetched and tried in staging, so that a copy that does not run never replaces the one in place.
  const fs::path staging = toPath(joinPath(stagingRoot(), L"yt-dlp"));
  const std::wstring fileName = setup::executableFileName(L"yt-dlp");
  const fs::path fresh = staging / fileName;
  removeAll(staging);
  createFolders(staging);
  bool ok = downloadFile(url, fromPath(fresh), L"yt-dlp", true, *sha256) &&
            runsOnTrial(fresh, L"--version", L"yt-dlp");
  if (ok) {
    ok = setup::replaceFile(fresh, tools / fileName);
    if (!ok) postText(WM_APP_LOG, L"Error: could not write " + fromPath(tools / fileName));
  }
  removeAll(staging);
  return ok;
}

bool installFromZip(const ArchiveComponent& component) {
  const std::wstring tools = toolsFolder();
  createFolders(toPath(tools));
  const std::wstring archive = joinPath(tools, component.folderName + archiveSuffix(component.url));
  std::optional<std::string> sha256 =
      fetchPublishedSha256(component.url, component.checksums, component.displayName);
  if (!sha256 || !downloadFile(component.url, archive, component.displayName, false, *sha256)) return false;
  const std::wstring componentFolder = joinPath(tools, component.folderName);
  if (extractZip(archive, componentFolder, component.displayName, component.exeName,
                 component.versionArgument) &&
      !findTool(component.exeName).empty())
    return true;
  if (!cancelRequested.load())
    postText(WM_APP_LOG, L"Error: could not extract " + component.displayName + L".");
  return false;
}

bool extractZip(const std::wstring& archive, const std::wstring& componentFolder,
                const std::wstring& displayName, const std::wstring& exeName,
                const std::wstring& versionArgument) {
  const fs::path staging = toPath(joinPath(stagingRoot(), fileNameOf(componentFolder)));
  removeAll(staging);  // a leftover of an interrupted run
  createFolders(staging);

  postProgress(-1);
  postText(WM_APP_STATUS, workerText(WorkerText::settingUpExtract, displayName));
  setup::UnpackResult result = setup::unpackArchive(toPath(archive), staging);
  std::error_code ec;
  fs::remove(toPath(archive), ec);

  bool ok = result == setup::UnpackResult::unpacked && !cancelRequested.load();
  if (ok) {
    removePlayerAndDocs(staging);
    const fs::path executable = stagedExecutable(staging, exeName);
    if (executable.empty()) {
      postText(WM_APP_LOG, L"Error: the " + displayName + L" archive holds no " + exeName + L".");
      ok = false;
    } else if (!versionArgument.empty()) {
      ok = runsOnTrial(executable, versionArgument, displayName);
    }
  }
  // The last moment a cancel can still keep the old installation.
  ok = ok && !cancelRequested.load() && setup::replaceFolder(staging, toPath(componentFolder));
  // After a swap the staging folder holds the previous installation; either way it goes.
  removeAll(staging);
  return ok;
}

}  // namespace tarnwick
