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
// the release's checksum list and answers "--version"; until then an older copy stays in place.
[[nodiscard]] bool installYtDlp();

// An archive component as the setup installs it.
struct ArchiveComponent {
  std::wstring url;
  ChecksumSource checksums;
  std::wstring folderName;       // its folder in the tools folder
  std::wstring displayName;      // in the log and the status line
  std::wstring exeName;          // its executable, looked up afterwards
  std::wstring versionArgument;  // the new executable must run with it and exit 0
};

// Downloads the component's archive into the tools folder, checks it against its checksum list,
// unpacks it (extractZip) into its component folder and checks that findTool then finds its
// executable. A download or checksum failure is logged by those steps; a later failure logs
// "Error: could not extract <displayName>." (after the reasons), unless the user cancelled.
[[nodiscard]] bool installFromZip(const ArchiveComponent& component);

// Unpacks `archive` (zip or tar.xz) into a fresh staging folder beside the tools folder, removes
// every "ffplay" file and "doc" folder, makes sure an executable `exeName` is where the lookup
// takes it from (componentExecutables), runs it once with `versionArgument` unless that is empty,
// and then puts the tree in place of `componentFolder` in one step. The archive is deleted
// whatever the result; on failure or cancel the staging folder is removed and `componentFolder`
// is untouched.
[[nodiscard]] bool extractZip(const std::wstring& archive, const std::wstring& componentFolder,
                              const std::wstring& displayName, const std::wstring& exeName,
                              const std::wstring& versionArgument = {});

}  // namespace tarnwick
