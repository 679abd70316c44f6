// Puts a component into the tools folder. Runs on the job thread, inside the setup sequence.
//
// A component is replaced only by a complete new one: the single yt-dlp file by a rename of its
// finished download, an archive component by swapping in a fully unpacked and checked staging
// folder. A failed or cancelled installation leaves the previous one as it was.
#pragma once

#include <string>

#include "setup/component_checksum.h"

namespace tarnwick {

// Downloads the standalone yt-dlp into the tools folder as "yt-dlp", executable, once it matches
// the release's checksum list.
[[nodiscard]] bool installYtDlp();

// Downloads the archive at `url` into the tools folder, checks it against the list at `checksums`,
// unpacks it (extractZip) into the component folder `folderName` and checks that findTool then
// finds `exeName`. A download or checksum failure is logged by those steps; a later failure logs
// "Error: could not extract <displayName>." (after the reasons), unless the user cancelled.
[[nodiscard]] bool installFromZip(const std::wstring& url, const ChecksumSource& checksums,
                                  const std::wstring& folderName, const std::wstring& displayName,
                                  const std::wstring& exeName);

// Unpacks `archive` (zip or tar.xz) into a fresh staging folder beside the tools folder, removes
// every "ffplay" file and "doc" folder, makes sure an executable `exeName` is in it, and then puts
// it in place of `componentFolder` in one step. The archive is deleted whatever the result; on
// failure or cancel the staging folder is removed and `componentFolder` is untouched.
[[nodiscard]] bool extractZip(const std::wstring& archive, const std::wstring& componentFolder,
                              const std::wstring& displayName, const std::wstring& exeName);

}  // namespace tarnwick
