#include "sandbox.h"

#include <sstream>
#include <stdexcept>

#include <stdlib.h>
#include <unistd.h>

namespace tarnwick::test {
namespace fs = std::filesystem;
namespace {

std::string originalPath;

void setEnv(const char* name, const fs::path& value) {
  ::setenv(name, value.c_str(), 1);
}

}  // namespace

void Sandbox::create() {
  const char* tmp = ::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnwick-test-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  root_ = fs::canonical(pattern);
  for (const char* sub : {"home", "bin", "config", "data", "cache", "state", "runtime", "home/Downloads"})
    fs::create_directories(root_ / sub);
  fs::permissions(root_ / "runtime", fs::perms::owner_all, fs::perm_options::replace);

  if (const char* path = ::getenv("PATH")) originalPath = path;
  setEnv("HOME", home());
  setEnv("XDG_CONFIG_HOME", root_ / "config");
  setEnv("XDG_DATA_HOME", root_ / "data");
  setEnv("XDG_CACHE_HOME", root_ / "cache");
  setEnv("XDG_STATE_HOME", root_ / "state");
  setEnv("XDG_RUNTIME_DIR", root_ / "runtime");
  setEnv("XDG_DOWNLOAD_DIR", home() / "Downloads");
  setEnv("TMPDIR", root_);
  setEnv("PATH", bin());
  ::unsetenv("XDG_CONFIG_DIRS");
  ::unsetenv("XDG_DATA_DIRS");
}

fs::path Sandbox::realTool(const std::string& name) {
  std::stringstream dirs(originalPath);
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (dir.empty()) continue;
    fs::path candidate = fs::path(dir) / name;
    if (::access(candidate.c_str(), X_OK) == 0 && fs::is_regular_file(candidate)) return candidate;
  }
  return {};
}

fs::path Sandbox::exposeTool(const std::string& name) const {
  fs::path real = realTool(name);
  if (real.empty()) return {};
  fs::path link = bin() / name;
  std::error_code ec;
  fs::remove(link, ec);
  fs::create_symlink(real, link);
  return real;
}

fs::path Sandbox::writeScript(const std::string& name, const std::string& body,
                              const fs::path& folder) const {
  fs::path target = (folder.empty() ? bin() : folder) / name;
  fs::create_directories(target.parent_path());
  // Never write through an exposed tool's symlink: that would overwrite the real program.
  std::error_code ec;
  fs::remove(target, ec);
  writeFile(target, body);
  fs::permissions(target, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  return target;
}

}  // namespace tarnwick::test
