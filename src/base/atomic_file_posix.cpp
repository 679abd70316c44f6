#include "base/atomic_file.h"
#include "base/atomic_file_parts.h"

#include <cerrno>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using namespace atomic_file_parts;

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

}  // namespace

bool writeFileAtomically(const fs::path& requested, std::string_view bytes) {
  fs::path target = resolveLink(requested);
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  // Hidden and named after the target, so that a leftover from a crash is recognisable.
  const fs::path::string_type prefix = temporaryPrefix(target);
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
