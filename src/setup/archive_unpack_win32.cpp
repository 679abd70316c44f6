#include <windows.h>

#include <charconv>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/job_control.h"
#include "base/process_runner.h"
#include "base/text.h"
#include "setup/archive_unpack.h"
#include "setup/setup_overrides.h"

namespace tarnwick::setup {
namespace fs = std::filesystem;
namespace {

// The last lines of a failed run go to the log; a damaged archive can print one per entry.
constexpr std::size_t keptErrorLines = 10;

fs::path tarProgram() {
  if (std::optional<fs::path> replacement = tarProgramOverride()) return *replacement;
  wchar_t buffer[MAX_PATH];
  UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return fs::path(std::wstring(buffer, length)) / L"tar.exe";
}

// One entry of "tar -tvf": "<mode> <links> <owner> <group> <size> <date, 3 fields> <name>".
struct ListedEntry {
  wchar_t kind = L'?';  // the mode's first letter: '-' file, 'd' folder, 'l' link, 'h' hard link
  std::uint64_t size = 0;
};

std::optional<ListedEntry> readListingLine(std::wstring_view line) {
  std::vector<std::wstring_view> fields;
  for (std::size_t start = line.find_first_not_of(L' '); start != std::wstring_view::npos && fields.size() < 5;) {
    std::size_t end = line.find(L' ', start);
    fields.push_back(line.substr(start, end - start));
    start = end == std::wstring_view::npos ? end : line.find_first_not_of(L' ', end);
  }
  if (fields.size() < 5 || fields[0].empty()) return std::nullopt;
  std::string digits = wideToUtf8(fields[4]);
  ListedEntry entry;
  entry.kind = fields[0].front();
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), entry.size);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return entry;
}

class TarUnpacker {
 public:
  TarUnpacker(const fs::path& archive, const fs::path& folder) : archive_(archive), root_(folder) {}
  UnpackResult run();

 private:
  // Runs tar.exe with `arguments` after the program; its output lines land in `lines`.
  bool runTar(const std::wstring& arguments, std::vector<std::wstring>& lines);
  bool checkListing(const std::vector<std::wstring>& names, const std::vector<std::wstring>& listing);
  bool checkUnpacked();
  void fail(const std::wstring& what) { postUnpackError(archive_, what); }

  const UnpackLimits limits_ = unpackLimits();
  fs::path archive_;
  fs::path root_;
  fs::path tar_;
};

bool TarUnpacker::runTar(const std::wstring& arguments, std::vector<std::wstring>& lines) {
  lines.clear();
  int exitCode = runProcess(
      quoteArgument(fromPath(tar_)) + L" " + arguments, [&](const std::wstring& line) { lines.push_back(line); },
      downloadProcessJob, true);
  if (exitCode == 0 || cancelRequested.load()) return exitCode == 0;
  std::size_t first = lines.size() > keptErrorLines ? lines.size() - keptErrorLines : 0;
  for (std::size_t i = first; i < lines.size(); ++i) fail(lines[i]);
  fail(exitCode < 0 ? L"could not run " + fromPath(tar_) + L"."
                    : L"tar.exe ended with exit code " + std::to_wstring(exitCode) + L".");
  return false;
}

// Every entry must be a file or a folder whose name stays below the folder; tar.exe would follow a
// link that an earlier entry made, so none is let through.
bool TarUnpacker::checkListing(const std::vector<std::wstring>& names, const std::vector<std::wstring>& listing) {
  if (names.size() != listing.size()) {
    fail(L"could not read the archive's list of entries.");
    return false;
  }
  std::uint64_t bytes = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string name = wideToUtf8(names[i]);
    std::optional<ListedEntry> entry = readListingLine(listing[i]);
    if (!entry) {
      fail(L"could not read the archive's list of entries.");
      return false;
    }
    // A drive ("C:x") or a stream ("a:b") in a name is as absolute as a leading separator.
    bool isFolderItself = entry->kind == L'd' && !safeEntryPath(name) && safeEntryPath(name + "/x");
    if (!isFolderItself && (!safeEntryPath(name) || name.find(':') != std::string::npos)) {
      fail(refusedEntryText(name, L"it would land outside the folder"));
      return false;
    }
    if (entry->kind == L'l' || entry->kind == L'h') {
      fail(refusedEntryText(name, L"it is a link"));
      return false;
    }
    if (entry->kind != L'-' && entry->kind != L'd') {
      fail(refusedEntryText(name, L"it is neither a file nor a folder"));
      return false;
    }
    bytes += entry->size;
  }
  std::wstring breach = limitBreach(limits_, names.size(), bytes);
  if (!breach.empty()) fail(breach);
  return breach.empty();
}

// What tar.exe wrote must be what the list promised: files and folders only, within the limits.
bool TarUnpacker::checkUnpacked() {
  std::uint64_t entries = 0, bytes = 0;
  std::error_code ec;
  fs::recursive_directory_iterator it(root_, fs::directory_options::none, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    DWORD attributes = GetFileAttributesW(it->path().c_str());
    std::error_code typeError;
    bool plain = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                 (it->is_directory(typeError) || it->is_regular_file(typeError));
    if (!plain) {
      fail(refusedEntryText(wideToUtf8(fromPath(it->path().lexically_relative(root_))), L"it is a link"));
      return false;
    }
    ++entries;
    if (it->is_regular_file(typeError)) bytes += it->file_size(typeError);
  }
  if (ec) {
    fail(L"could not read the staging folder.");
    return false;
  }
  std::wstring breach = limitBreach(limits_, entries, bytes);
  if (!breach.empty()) fail(breach);
  return breach.empty();
}

UnpackResult TarUnpacker::run() {
  tar_ = tarProgram();
  std::error_code ec;
  if (tar_.empty() || !fs::is_regular_file(tar_, ec)) {
    fail(L"Windows' tar.exe is missing (" + fromPath(tar_) + L").");
    return UnpackResult::failed;
  }
  const std::wstring archive = quoteArgument(fromPath(archive_));
  std::vector<std::wstring> names, listing, output;
  auto stopped = [] { return cancelRequested.load() ? UnpackResult::cancelled : UnpackResult::failed; };
  if (!runTar(L"-tf " + archive, names) || !runTar(L"-tvf " + archive, listing)) return stopped();
  if (!checkListing(names, listing)) return UnpackResult::failed;
  if (!runTar(L"-xf " + archive + L" -C " + quoteArgument(fromPath(root_)), output)) return stopped();
  if (cancelRequested.load()) return UnpackResult::cancelled;
  return checkUnpacked() ? UnpackResult::unpacked : UnpackResult::failed;
}

}  // namespace

UnpackResult unpackArchive(const fs::path& archive, const fs::path& folder) {
  return TarUnpacker(archive, folder).run();
}

}  // namespace tarnwick::setup
