#include "setup/file_system.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace tarnwick::setup {
namespace fs = std::filesystem;

fs::path userDataFolder() {
  // The XDG rules ignore a relative value.
  if (const char* data = ::getenv("XDG_DATA_HOME"); data && data[0] == '/') return fs::path(data);
  if (const char* home = ::getenv("HOME"); home && home[0] == '/') return fs::path(home) / ".local" / "share";
  return {};
}

fs::path runningProgramFolder() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec || self.empty()) return {};
  return self.parent_path();
}

std::vector<fs::path> searchPathFolders() {
  std::vector<fs::path> folders;
  const char* path = ::getenv("PATH");
  if (!path) return folders;
  std::string_view rest(path);
  while (true) {
    std::size_t colon = rest.find(':');
    std::string_view entry = rest.substr(0, colon);
    if (!entry.empty() && entry.front() == '/') folders.emplace_back(std::string(entry));
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return folders;
}

bool isExecutableFile(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return ::access(path.c_str(), X_OK) == 0;
}

bool makeExecutable(const fs::path& path) {
  return ::chmod(path.c_str(), 0755) == 0;
}

std::FILE* createNewFile(const fs::path& path) {
  // O_EXCL also refuses a link planted at the final name.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) ::close(fd);
  return file;
}

bool syncAndClose(std::FILE* file) {
  bool ok = std::fflush(file) == 0;
  ok = ::fsync(::fileno(file)) == 0 && ok;
  ok = std::fclose(file) == 0 && ok;
  return ok;
}

bool replaceFile(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool replaceFolder(const fs::path& from, const fs::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) return true;
  if (errno == ENOENT) return ::rename(from.c_str(), to.c_str()) == 0;  // nothing to replace
  if (errno != EINVAL && errno != ENOSYS) return false;
  return replaceFolderInSteps(from, to);  // a file system without the exchange
}

}  // namespace tarnwick::setup
