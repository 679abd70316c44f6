#include "pipeline/interrupted_jobs.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "base/channel.h"
#include "base/text.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// A record is a few hundred bytes; anything far larger is not one.
constexpr std::size_t maxRecordBytes = 1 << 20;

bool isRegularFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(fs::symlink_status(path, error));
}

std::optional<std::string> readRecordFile(const fs::path& file) {
  std::error_code error;
  if (!isRegularFile(file) || fs::file_size(file, error) > maxRecordBytes || error) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return in ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
}

bool isRealFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(fs::symlink_status(path, error));
}

// Removes the marked regular files directly in `folder`, adding "<prefix><name>" to `removed`.
void removeMarkedFilesIn(const fs::path& folder, std::wstring_view marker, const std::wstring& prefix,
                         std::vector<std::wstring>& removed) {
  for (const std::wstring& name : entryNamesOf(fromPath(folder))) {
    fs::path file = folder / toPath(name);
    std::error_code error;
    if (name.find(marker) != std::wstring::npos && isRegularFile(file) && fs::remove(file, error))
      removed.push_back(prefix + name);
  }
}

// A fragmented download leaves hundreds of parts: the line names the first few.
std::wstring listed(const std::vector<std::wstring>& names) {
  constexpr std::size_t named = 10;
  std::wstring out;
  for (std::size_t i = 0; i < names.size() && i < named; ++i) out += (i == 0 ? L"" : L", ") + names[i];
  if (names.size() > named) out += L" and " + std::to_wstring(names.size() - named) + L" more";
  return out;
}

}  // namespace

std::vector<std::wstring> removeFilesOf(const JobRecord& record) {
  std::vector<std::wstring> removed;
  const fs::path folder = toPath(record.folder);
  std::error_code error;
  if (fs::canonical(folder, error) != folder || error) return removed;
  removeMarkedFilesIn(folder, record.marker, {}, removed);
  if (!record.playlist) return removed;
  for (const std::wstring& name : entryNamesOf(record.folder)) {
    const fs::path subfolder = folder / toPath(name);
    if (!isRealFolder(subfolder)) continue;
    const std::size_t before = removed.size();
    // Named as the platform writes a path: "Playlist/001 …", on Windows "Playlist\001 …".
    removeMarkedFilesIn(subfolder, record.marker, fromPath(toPath(name) / ""), removed);
    const bool heldTheJobsFiles = removed.size() > before;
    const bool wasThereBefore = std::find(record.subfoldersBefore.begin(), record.subfoldersBefore.end(),
                                          name) != record.subfoldersBefore.end();
    if (heldTheJobsFiles && !wasThereBefore) fs::remove(subfolder, error);  // only when empty
  }
  return removed;
}

void sweepInterruptedJobs() {
  const fs::path records = jobRecordsFolder();
  if (records.empty()) return;
  for (const std::wstring& name : entryNamesOf(fromPath(records))) {
    const fs::path file = records / toPath(name);
    std::optional<std::string> bytes = readRecordFile(file);
    std::optional<JobRecord> record = bytes ? parseJobRecord(*bytes) : std::nullopt;
    // A record is found under its own job's name only; a half-written one's temporary name is not it.
    if (!record || file != jobRecordPath(record->marker)) {
      postText(WM_APP_LOG, L"Dropped a damaged record of an interrupted download: " + fromPath(file));
    } else if (std::vector<std::wstring> removed = removeFilesOf(*record); !removed.empty()) {
      postText(WM_APP_LOG,
               L"Removed what an interrupted download left in " + record->folder + L": " + listed(removed));
    }
    std::error_code ignored;
    if (!isRealFolder(file)) fs::remove(file, ignored);
  }
}

}  // namespace tarnwick
