// Where the tools live and the one rule for finding them.
//
// Tool paths are never cached: every user of yt-dlp, ffmpeg or deno calls findTool right before
// building its command line, so a component the setup installed a moment ago is found at once.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// The per-user tools folder: $XDG_DATA_HOME/Tarnwick/tools (default ~/.local/share; on Windows
// %LOCALAPPDATA%\Tarnwick\tools, default the LocalAppData known folder), or the program's folder joined with "tools" when no data folder is known. Computed once per process,
// safe from any thread; never created here (the installers create it before writing).
[[nodiscard]] std::wstring toolsFolder();
// "staging" beside the tools folder: archives are unpacked there before they replace a component.
[[nodiscard]] std::wstring stagingRoot();

// The folder of the running program, read again at every call; empty when unknown.
[[nodiscard]] std::wstring programFolder();

// The full path of an executable regular file named `fileName`, or empty when none is found.
// Places, in order:
//  1. beside the program, unless the program's folder is one of PATH's folders (an installed
//     /usr/bin/tarnwick must not prefer the distribution's /usr/bin/yt-dlp over our own copy);
//  2. directly in the tools folder;
//  3. in the tool's own component folder (componentExecutables), never in another component's;
//  4. the folders of PATH.
// A copy set aside (setToolAside) is passed over in every place. Any thread; caches no path.
[[nodiscard]] std::wstring findTool(std::wstring_view fileName);

// The entries named `fileName` (any case) where the executable of the component in
// `componentFolder` may sit, in lookup order: at the top, in "bin", then the same two in each of
// its top-level folders (archives keep their own top folder), links to folders not entered. A
// second copy deeper in the tree (test data, examples) is never a candidate. A tool's component
// folder is the tools folder's subfolder named like the tool without its extension.
[[nodiscard]] std::vector<std::filesystem::path> componentExecutables(
    const std::filesystem::path& componentFolder, std::wstring_view fileName);

// The file at `path`, as it is now, is not to be run for the rest of the process: the setup found
// it unusable (a yt-dlp too old for our downloads), and every later lookup must agree with that
// verdict instead of handing the old copy to the next job. A file replaced or rewritten at that
// path counts as a new copy. Any thread.
void setToolAside(std::wstring_view path);

}  // namespace tarnwick
