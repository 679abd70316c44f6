#include "sandbox.h"

#include <windows.h>

#include <cstdlib>
#include <random>
#include <stdexcept>

namespace tarnwick::test {
namespace fs = std::filesystem;
namespace {

std::wstring originalPath;

// Both the C runtime's copy and the process environment, which children inherit.
void setEnv(const wchar_t* name, const fs::path& value) {
  _wputenv_s(name, value.c_str());
}

fs::path temporaryFolder() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary folder");
  return fs::path(std::wstring(buffer, length));
}

}  // namespace

void Sandbox::create() {
  std::random_device seed;
  std::mt19937 random(seed());
  fs::path base = temporaryFolder();
  for (int attempt = 0; root_.empty(); ++attempt) {
    if (attempt == 100) throw std::runtime_error("cannot make a sandbox folder");
    fs::path candidate = base / (L"tarnwick-test-" + std::to_wstring(random() % 1000000000));
    if (CreateDirectoryW(candidate.c_str(), nullptr)) root_ = fs::canonical(candidate);
  }
  for (const char* sub : {"home", "bin", "config", "data", "cache", "state", "home/Downloads"})
    fs::create_directories(root_ / sub);

  if (const wchar_t* path = _wgetenv(L"PATH")) originalPath = path;
  setEnv(L"USERPROFILE", home());
  setEnv(L"HOME", home());
  setEnv(L"APPDATA", root_ / "config");
  setEnv(L"LOCALAPPDATA", root_ / "data");
  setEnv(L"TEMP", root_);
  setEnv(L"TMP", root_);
  setEnv(L"PATH", bin());
}

fs::path Sandbox::realTool(const std::string& name) {
  std::wstring dirs = originalPath;
  for (std::size_t start = 0; start <= dirs.size();) {
    std::size_t end = dirs.find(L';', start);
    if (end == std::wstring::npos) end = dirs.size();
    std::wstring dir = dirs.substr(start, end - start);
    start = end + 1;
    if (dir.empty()) continue;
    for (const char* suffix : {"", ".exe"}) {
      fs::path candidate = fs::path(dir) / (name + suffix);
      std::error_code ec;
      if (fs::is_regular_file(candidate, ec)) return candidate;
    }
  }
  return {};
}

// Links need a privilege on Windows; a copy serves the same purpose.
fs::path Sandbox::exposeTool(const std::string& name) const {
  fs::path real = realTool(name);
  if (real.empty()) return {};
  std::error_code ec;
  fs::copy_file(real, bin() / real.filename(), fs::copy_options::overwrite_existing, ec);
  return real;
}

// Windows runs no script by its first line; the file is written for tests that read it.
fs::path Sandbox::writeScript(const std::string& name, const std::string& body,
                              const fs::path& folder) const {
  fs::path target = (folder.empty() ? bin() : folder) / name;
  fs::create_directories(target.parent_path());
  writeFile(target, body);
  return target;
}

}  // namespace tarnwick::test
