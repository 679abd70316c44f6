#include "base/file_names.h"

#include <windows.h>

namespace tarnwick {

// The file system's own rule: an ordinal comparison after upper-casing, never the user's locale.
bool sameFileName(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                              TRUE) == CSTR_EQUAL;
}

bool startsWithFileName(std::wstring_view path, std::wstring_view folder) {
  return path.size() >= folder.size() && sameFileName(path.substr(0, folder.size()), folder);
}

}  // namespace tarnwick
