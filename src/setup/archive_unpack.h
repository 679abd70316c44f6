// Unpacks a zip or tar.xz archive into a staging folder, refusing every entry that would write, or
// point, outside it: in-process with libarchive (archive_unpack_posix.cpp), on Windows with the
// system's tar.exe (archive_unpack_win32.cpp). Internal to the setup layer.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/setup_overrides.h"

namespace tarnwick::setup {

enum class UnpackResult { unpacked, failed, cancelled };

// Unpacks `archive` into `folder`, which must exist (and should be empty). Runs on the job thread
// and checks cancelRequested between entries and between blocks of data (on Windows a cancel
// ends tar.exe through the download slot). Reasons for a failure are
// posted as "Error: ..." log lines; a cancel posts nothing. More entries or more unpacked bytes
// than unpackLimits() allows is a failure. On failure or cancel the folder may
// hold a part of the archive: the caller removes it. Never writes outside `folder`, never writes
// through a link, and leaves no link that resolves outside it (on Windows: leaves no link at all).
[[nodiscard]] UnpackResult unpackArchive(const std::filesystem::path& archive,
                                         const std::filesystem::path& folder);

// An entry's name as a safe path relative to the staging folder ("a/b/c", backslashes read as
// separators, "." and empty parts dropped), or nullopt for an absolute name, one with a ".."
// part, or one that names the folder itself.
[[nodiscard]] std::optional<std::string> safeEntryPath(std::string_view name);

// Whether a link at `linkPath` (a safe relative path) with the text `target` stays inside the
// folder when read as written (relative, no climbing above the folder).
[[nodiscard]] bool linkStaysInside(std::string_view linkPath, std::string_view target);

// The parts of `path` between "/" (and "\\" with `backslashToo`), empty ones included.
[[nodiscard]] std::vector<std::string_view> splitEntryPath(std::string_view path, bool backslashToo);

// Posts "Error: <archive's file name>: <what>" as a log line.
void postUnpackError(const std::filesystem::path& archive, const std::wstring& what);
// "refused entry "<name>" (<why>)."
[[nodiscard]] std::wstring refusedEntryText(std::string_view name, const std::wstring& why);
// Why `entries` entries unpacking to `bytes` bytes are too many or too much, or empty.
[[nodiscard]] std::wstring limitBreach(const UnpackLimits& limits, std::uint64_t entries, std::uint64_t bytes);

}  // namespace tarnwick::setup
