#include "base/atomic_file.h"

#include <cerrno>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Makes the rename itself durable. Some file systems cannot sync a folder (EINVAL); the rename
// has happened there all the same.
bool syncFolder(const fs::path& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0 || errno == EINVAL;
  ::close(fd);
  return ok;
}

fs::path resolveLink(const fs::path& target) {
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(target, ec))) return target;
  fs::path resolved = fs::weakly_canonical(target, ec);
  return ec ? target : resolved;
}

// mkostemp's six characters after the target's hidden name.
constexpr std::size_t uniqueSuffixLength = 6;

std::string temporaryPrefix(const fs::path& target) {
  return "." + target.filename().string() + ".";
}

// A save killed between creating its temporary file and the rename leaves that file behind;
// the next save clears such leftovers away.
void removeLeftoverTemporaries(const fs::path& folder, const std::string& prefix) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code typeError;
    if (name.size() == prefix.size() + uniqueSuffixLength && name.starts_with(prefix) &&
        !it->is_directory(typeError))
      fs::remove(it->path(), typeError);
  }
}

}  // namespace

bool writeFileAtomically(const fs::path& requested, std::string_view bytes) {
  fs::path target = resolveLink(requested);
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  // Hidden and named after the target, so that a leftover from a crash is recognisable.
  const std::string prefix = temporaryPrefix(target);
  removeLeftoverTemporaries(folder, prefix);
  std::string temporary = (folder / (prefix + std::string(uniqueSuffixLength, 'X'))).string();
  int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok) ok = ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  return syncFolder(folder);
}

}  // namespace tarnwick
