// Whether two file names (or path prefixes) name the same thing on this platform's file systems:
// exactly on Linux, ignoring letter case on Windows, as NTFS does.
#pragma once

#include <string_view>

namespace tarnwick {

[[nodiscard]] bool sameFileName(std::wstring_view a, std::wstring_view b);

// `path` begins with `folder`, compared as sameFileName does.
[[nodiscard]] bool startsWithFileName(std::wstring_view path, std::wstring_view folder);

}  // namespace tarnwick
