// Path splitting and the two file operations of a download job. Both "/" and "\" separate, so a
// path handed over from either platform's tools splits the same way.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// Everything before the last separator, with the run of separators before it removed; a root
// ("/", "C:\") stays whole. Empty when the path has no separator.
[[nodiscard]] std::wstring folderPartOf(std::wstring_view path);

// Deletes a file, ignoring failures; a folder of that name is never touched.
void removeFileQuietly(std::wstring_view path);

// Renames `source` to `target`, replacing an existing file there.
[[nodiscard]] bool moveFileReplacing(std::wstring_view source, std::wstring_view target);

}  // namespace tarnwick
