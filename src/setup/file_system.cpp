#include "setup/file_system.h"

namespace tarnwick::setup {
namespace fs = std::filesystem;

bool replaceFolderInSteps(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(to, ec))) {
    fs::rename(from, to, ec);
    return !ec;
  }
  fs::path aside = from;
  aside += ".old";
  fs::remove_all(aside, ec);
  fs::rename(to, aside, ec);
  if (ec) return false;
  fs::rename(from, to, ec);
  if (ec) {
    std::error_code ignored;
    fs::rename(aside, to, ignored);
    return false;
  }
  fs::rename(aside, from, ec);
  if (ec) fs::remove_all(aside, ec);
  return true;
}

}  // namespace tarnwick::setup
