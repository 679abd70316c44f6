// The publishers' SHA-256 lists, which every component download must match before it is unpacked
// or made executable. HTTPS alone would also accept a body cut short without a length.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

enum class Component { ytDlp, deno, ffmpeg };

// Where a component's checksum is published.
struct ChecksumSource {
  std::wstring url;
  // The list speaks of this one file only (deno's "<zip>.sha256sum"), so its only hash counts even
  // on a line that does not name the file: the Windows one is a Get-FileHash table whose path
  // column may be shortened.
  bool singleFile = false;
};

// The checksum list that goes with `componentUrl`, beside it in the same release folder.
[[nodiscard]] ChecksumSource checksumSourceFor(Component component, const std::wstring& componentUrl);

// The lower-case hex SHA-256 the list `list` gives for `fileName`: the 64-hex-digit token (any
// case) on the first line that names the file ("<hash>  <name>", "<hash> *<name>", or a path
// ending in the name); with `singleFile` also the list's only hash. nullopt when there is none.
[[nodiscard]] std::optional<std::string> findPublishedSha256(std::string_view list, std::string_view fileName,
                                                             bool singleFile);

// Job thread. Fetches the checksum list for `componentUrl` and reads the hash of its file. On
// failure logs "Error: ..." (unless the user cancelled) and answers nullopt.
[[nodiscard]] std::optional<std::string> fetchPublishedSha256(const std::wstring& componentUrl,
                                                              const ChecksumSource& source,
                                                              const std::wstring& displayName);

}  // namespace tarnwick
