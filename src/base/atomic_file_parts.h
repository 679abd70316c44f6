// What both platforms' atomic writes share: the temporary file's name and the clean-up of those
// that a killed write left behind.
#pragma once

#include <cstddef>
#include <filesystem>

namespace tarnwick::atomic_file_parts {

// A symbolic link at `target` resolved to the file it points to, so that the link stays.
[[nodiscard]] std::filesystem::path resolveLink(const std::filesystem::path& target);

// Random characters after the prefix (mkostemp's six on POSIX).
inline constexpr std::size_t uniqueSuffixLength = 6;

// Hidden and named after the target, so that a leftover from a crash is recognisable.
[[nodiscard]] std::filesystem::path::string_type temporaryPrefix(const std::filesystem::path& target);

// A write killed between creating its temporary file and the rename leaves that file behind; the
// next write clears such leftovers away.
void removeLeftoverTemporaries(const std::filesystem::path& folder,
                               const std::filesystem::path::string_type& prefix);

}  // namespace tarnwick::atomic_file_parts
