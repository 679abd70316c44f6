// Every test process runs inside its own sandbox: HOME, the XDG folders and PATH (on Windows
// USERPROFILE, APPDATA, LOCALAPPDATA, TEMP and PATH) point into a fresh temporary folder, so no
// test touches the real user's files or tools.
#pragma once

#include <filesystem>
#include <string>

namespace tarnwick::test {

class Sandbox {
 public:
  // The sandbox of this test process (created by the test main before any test runs).
  static Sandbox& current();

  [[nodiscard]] const std::filesystem::path& root() const { return root_; }
  [[nodiscard]] std::filesystem::path home() const { return root_ / "home"; }
  [[nodiscard]] std::filesystem::path bin() const { return root_ / "bin"; }
  // A fresh, empty folder below the sandbox.
  [[nodiscard]] std::filesystem::path makeFolder(const std::string& name) const;

  // Makes the real program `name` (found on the PATH the tests were started with) callable
  // from the sandbox PATH. Answers the real program's path, or empty when it is not installed.
  std::filesystem::path exposeTool(const std::string& name) const;
  // The real program's path on the original PATH, or empty.
  [[nodiscard]] static std::filesystem::path realTool(const std::string& name);

  // Writes an executable script into `folder` (bin() when empty).
  std::filesystem::path writeScript(const std::string& name, const std::string& body,
                                    const std::filesystem::path& folder = {}) const;

  void create();
  void destroy();

 private:
  std::filesystem::path root_;
};

// Reads a whole file as bytes; empty when it is missing.
std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace tarnwick::test
