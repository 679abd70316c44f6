// Replacing a small file so that readers see either the old or the new content, never a mix,
// even across a crash, a power cut or a full disk.
#pragma once

#include <filesystem>
#include <string_view>

namespace tarnwick {

// Writes `bytes` to a temporary file in the target's folder, flushes it to disk, renames it over
// `target` and flushes the folder (on Windows: a write-through rename). A symbolic link at
// `target` is followed, so the file it points to is replaced and the link stays. On failure the
// temporary file is removed, `target` is untouched and the answer is false. The new file is
// readable by its owner only (on Windows it takes the folder's permissions, which in the user's
// profile are the user's own). Temporary files that an earlier write left behind when it was
// killed are removed first.
[[nodiscard]] bool writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

}  // namespace tarnwick
