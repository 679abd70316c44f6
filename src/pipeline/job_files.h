// Path splitting and the file operations of a download job. Both "/" and "\" separate in names
// yt-dlp reports, so a path handed over from either platform's tools splits the same way; the
// save folder itself is never split: it may hold a "\" that is part of a Linux folder's name.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace tarnwick {

// Marks every file the job writes until it has its final name.
inline constexpr std::wstring_view tempMarker = L".ctmp";

// The marker one job writes: ".ctmp-" and a random token of 12 hex digits. What a job left after a
// crash is then told apart from anything else, another job's leftovers and a user's
// "Title.ctmp.mp4" included.
[[nodiscard]] std::wstring newJobMarker();
[[nodiscard]] bool isJobMarker(std::wstring_view marker);

// Everything before the last separator, with the run of separators before it removed; a root
// ("/", "C:\") stays whole. Empty when the path has no separator.
[[nodiscard]] std::wstring folderPartOf(std::wstring_view path);

struct NameParts {
  std::wstring stem;
  std::wstring extension;  // without the dot; empty when there is none
};
// The extension starts at the last "." that is not the name's first character.
[[nodiscard]] NameParts splitName(std::wstring_view name);

// `relative` below `folder`, joined by the platform's own rules.
[[nodiscard]] std::wstring pathInside(std::wstring_view folder, std::wstring_view relative);

// The folder a job saves into, as the window checked it. yt-dlp runs inside it and names its files
// relative to it, but reports finished files below the folder as the system resolves it (links
// followed), so both spellings are known.
struct JobFolder {
  std::wstring path;
  std::wstring resolved;
};
[[nodiscard]] JobFolder jobFolderOf(std::wstring_view folder);

// A path yt-dlp reported, as a path relative to the job folder, when it names one of the job's own
// files: relative (or absolute below the folder), without "." or ".." steps, its name carrying
// `marker`. Anything else is nullopt and must not be touched.
[[nodiscard]] std::optional<std::wstring> ownedRelativePath(const JobFolder& folder,
                                                            std::wstring_view reported,
                                                            std::wstring_view marker = tempMarker);

// The names directly inside `folder` (empty when it cannot be listed).
[[nodiscard]] std::set<std::wstring> entryNamesOf(std::wstring_view folder);

// Deletes a file, ignoring failures; a folder of that name is never touched.
void removeFileQuietly(std::wstring_view path);

// Renames `source` to `target`, replacing an existing file there.
[[nodiscard]] bool moveFileReplacing(std::wstring_view source, std::wstring_view target);

}  // namespace tarnwick
