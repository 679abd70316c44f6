#include "setup/file_system.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shlobj.h>

#include <cstdlib>
#include <string_view>

namespace tarnwick::setup {
namespace fs = std::filesystem;

fs::path userDataFolder() {
  // The variable first, as XDG_DATA_HOME on Linux: what a test or a relocated profile sets.
  if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local && *local) {
    fs::path folder(local);
    if (folder.is_absolute()) return folder;
  }
  wchar_t* known = nullptr;
  fs::path folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &known)))
    folder = fs::path(known);
  CoTaskMemFree(known);
  return folder;
}

fs::path runningProgramFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return fs::path(buffer).parent_path();
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<fs::path> searchPathFolders() {
  std::vector<fs::path> folders;
  const wchar_t* path = _wgetenv(L"PATH");
  if (!path) return folders;
  std::wstring_view rest(path);
  while (true) {
    std::size_t semicolon = rest.find(L';');
    std::wstring_view entry = rest.substr(0, semicolon);
    // An entry may be quoted as a whole ("C:\Program Files\x").
    if (entry.size() >= 2 && entry.front() == L'"' && entry.back() == L'"') entry = entry.substr(1, entry.size() - 2);
    if (!entry.empty() && fs::path(entry).is_absolute()) folders.emplace_back(entry);
    if (semicolon == std::wstring_view::npos) break;
    rest.remove_prefix(semicolon + 1);
  }
  return folders;
}

bool isExecutableFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

bool makeExecutable(const fs::path&) {
  return true;
}

std::FILE* createNewFile(const fs::path& path) {
  // CREATE_NEW also refuses a link planted at the name.
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wb");
  if (!file) _close(fd);
  return file;
}

bool syncAndClose(std::FILE* file) {
  bool ok = std::fflush(file) == 0;
  ok = FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) && ok;
  ok = std::fclose(file) == 0 && ok;
  return ok;
}

bool replaceFile(const fs::path& from, const fs::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool replaceFolder(const fs::path& from, const fs::path& to) {
  // Windows cannot swap two folders in one step.
  return replaceFolderInSteps(from, to);
}

}  // namespace tarnwick::setup
