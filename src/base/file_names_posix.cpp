#include "base/file_names.h"

namespace tarnwick {

bool sameFileName(std::wstring_view a, std::wstring_view b) {
  return a == b;
}

bool startsWithFileName(std::wstring_view path, std::wstring_view folder) {
  return path.starts_with(folder);
}

}  // namespace tarnwick
