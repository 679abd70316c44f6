#include "base/atomic_file_parts.h"

#include <system_error>

namespace tarnwick::atomic_file_parts {

namespace fs = std::filesystem;

fs::path resolveLink(const fs::path& target) {
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(target, ec))) return target;
  fs::path resolved = fs::weakly_canonical(target, ec);
  return ec ? target : resolved;
}

fs::path::string_type temporaryPrefix(const fs::path& target) {
  const fs::path::string_type dot = fs::path(".").native();
  return dot + target.filename().native() + dot;
}

void removeLeftoverTemporaries(const fs::path& folder, const fs::path::string_type& prefix) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path::string_type name = it->path().filename().native();
    std::error_code typeError;
    if (name.size() == prefix.size() + uniqueSuffixLength && name.starts_with(prefix) &&
        !it->is_directory(typeError))
      fs::remove(it->path(), typeError);
  }
}

}  // namespace tarnwick::atomic_file_parts
