#include "base/atomic_file.h"
#include "base/atomic_file_parts.h"

#include <windows.h>

#include <random>
#include <string>
#include <system_error>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using namespace atomic_file_parts;

bool writeAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// Creates a new temporary file beside the target; never opens one that exists.
HANDLE createTemporary(const fs::path& folder, const fs::path::string_type& prefix, fs::path& created) {
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
  const fs::path::string_type prefix = temporaryPrefix(target);
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
