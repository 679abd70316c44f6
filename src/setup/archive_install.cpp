#include "setup/archive_install.h"

#include <filesystem>
#include <optional>
#include <vector>

#include "base/channel.h"
#include "base/job_control.h"
#include "base/text.h"
#include "base/worker_texts.h"
#include "setup/archive_unpack.h"
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
  std::vector<fs::path> doomed;
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (isNamed(it->path(), L"ffplay") || (isNamed(it->path(), L"doc") && it->is_directory(typeError))) {
      doomed.push_back(it->path());
      if (it->is_directory(typeError)) it.disable_recursion_pending();
    }
  }
  for (const fs::path& path : doomed) removeAll(path);
}

// Finds the component's executable in the unpacked tree. An archive made without Unix modes
// (zip tools on other systems) loses the executable bits; the one file we are going to run gets
// them back.
bool holdsExecutable(const fs::path& folder, const std::wstring& exeName) {
  const std::wstring lowerName = asciiLower(exeName);
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (!isNamed(it->path(), lowerName) || !it->is_regular_file(typeError) || it->is_symlink(typeError))
      continue;
    if (setup::isExecutableFile(it->path()) || setup::makeExecutable(it->path())) return true;
  }
  return false;
}

}  // namespace

bool installYtDlp() {
  const fs::path tools = toPath(toolsFolder());
  createFolders(tools);
  const std::wstring url = setup::componentSources().ytDlp;
  std::optional<std::string> sha256 =
      fetchPublishedSha256(url, checksumSourceFor(Component::ytDlp, url), L"yt-dlp");
  return sha256 && downloadFile(url, fromPath(tools / "yt-dlp"), L"yt-dlp", true, *sha256);
}

bool installFromZip(const std::wstring& url, const ChecksumSource& checksums, const std::wstring& folderName,
                    const std::wstring& displayName, const std::wstring& exeName) {
  const std::wstring tools = toolsFolder();
  createFolders(toPath(tools));
  const std::wstring archive = joinPath(tools, folderName + archiveSuffix(url));
  std::optional<std::string> sha256 = fetchPublishedSha256(url, checksums, displayName);
  if (!sha256 || !downloadFile(url, archive, displayName, false, *sha256)) return false;
  const std::wstring componentFolder = joinPath(tools, folderName);
  if (extractZip(archive, componentFolder, displayName, exeName) && !findTool(exeName).empty()) return true;
  if (!cancelRequested.load()) postText(WM_APP_LOG, L"Error: could not extract " + displayName + L".");
  return false;
}

bool extractZip(const std::wstring& archive, const std::wstring& componentFolder,
                const std::wstring& displayName, const std::wstring& exeName) {
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
    if (!holdsExecutable(staging, exeName)) {
      postText(WM_APP_LOG, L"Error: the " + displayName + L" archive holds no " + exeName + L".");
      ok = false;
    }
  }
  // The last moment a cancel can still keep the old installation.
  ok = ok && !cancelRequested.load() && setup::replaceFolder(staging, toPath(componentFolder));
  // After a swap the staging folder holds the previous installation; either way it goes.
  removeAll(staging);
  return ok;
}

}  // namespace tarnwick
