// Included by exactly one file of each shell test program.
#pragma once

#include <filesystem>

namespace tarnwick::test {

// The build places the program at src/main/ beside tests/.
std::filesystem::path tarnwickBinary() {
  return std::filesystem::path(TARNWICK_TEST_BINARY_DIR).parent_path() / "src" / "main" / "tarnwick";
}

std::filesystem::path screenshotFolder() {
  return std::filesystem::path(TARNWICK_TEST_BINARY_DIR) / "screenshots";
}

}  // namespace tarnwick::test
