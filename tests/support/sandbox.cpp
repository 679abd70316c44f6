#include "sandbox.h"

#include <fstream>
#include <sstream>

namespace tarnwick::test {
namespace fs = std::filesystem;

Sandbox& Sandbox::current() {
  static Sandbox sandbox;
  return sandbox;
}

void Sandbox::destroy() {
  if (root_.empty()) return;
  std::error_code ec;
  fs::remove_all(root_, ec);
  root_.clear();
}

fs::path Sandbox::makeFolder(const std::string& name) const {
  fs::path folder = root_ / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace tarnwick::test
