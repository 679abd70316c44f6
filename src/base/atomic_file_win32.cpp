#include "base/atomic_file.h"

#include <windows.h>

#include <random>
#include <string>
#include <system_error>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

bool writeAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

fs::path resolveLink(const fs::path& target) {
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(target, ec))) return target;
  fs::path resolved = fs::weakly_canonical(target, ec);
  return ec ? target : resolved;
}

// Six characters after the target's name, as the POSIX side's mkostemp makes them.
constexpr std::size_t uniqueSuffixLength = 6;

std::wstring temporaryPrefix(const fs::path& target) {
  return L"." + target.filename().wstring() + L".";
}

// A save killed between creating its temporary file and the rename leaves that file behind;
// the next save clears such leftovers away.
void removeLeftoverTemporaries(const fs::path& folder, const std::wstring& prefix) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::wstring name = it->path().filename().wstring();
    std::error_code typeError;
    if (name.size() == prefix.size() + uniqueSuffixLength && name.starts_with(prefix) &&
        !it->is_directory(typeError))
      fs::remove(it->path(), typeError);
  }
}

// Creates a new temporary file beside the target; never opens one that exists.
HANDLE createTemporary(const fs::path& folder, const std::wstring& prefix, fs::path& created) {
  static constexpr wchar_t letters[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring name = prefix;
    for (std::size_t i = 0; i < uniqueSuffixLength; ++i) name += letters[random() % (std::size(letters) - 1)];
    created = folder / name;
    // No sharing while it is written; the hidden attribute keeps a leftover out of the user's way.
    HANDLE file = CreateFileW(created.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

// The new file takes its folder's permissions, which in the user's profile are the user's own.
bool writeFileAtomically(const fs::path& requested, std::string_view bytes) {
  fs::path target = resolveLink(requested);
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = L".";
  const std::wstring prefix = temporaryPrefix(target);
  removeLeftoverTemporaries(folder, prefix);
  fs::path temporary;
  HANDLE file = createTemporary(folder, prefix, temporary);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = writeAll(file, bytes) && FlushFileBuffers(file);
  if (!CloseHandle(file)) ok = false;
  // The temporary file's attributes go with it; the target is an ordinary file.
  if (ok) ok = SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
  // Write-through: the call returns once the rename is on the disk.
  if (ok)
    ok = MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileW(temporary.c_str());
  return ok;
}

}  // namespace tarnwick
