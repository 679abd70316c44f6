// Where the tools live and the one rule for finding them.
//
// Tool paths are never cached: every user of yt-dlp, ffmpeg or deno calls findTool right before
// building its command line, so a component the setup installed a moment ago is found at once.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// The per-user tools folder: $XDG_DATA_HOME/Tarnwick/tools (default ~/.local/share), or the
// program's folder joined with "tools" when no data folder is known. Computed once per process,
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
//  3. anywhere below the tools folder, depth first, name compared without regard to case, links to
//     folders not entered (the archives keep their own top folder);
//  4. the folders of PATH.
// A copy set aside (setToolAside) is passed over in every place. Any thread; caches no path.
[[nodiscard]] std::wstring findTool(std::wstring_view fileName);

// The file at `path`, as it is now, is not to be run for the rest of the process: the setup found
// it unusable (a yt-dlp too old for our downloads), and every later lookup must agree with that
// verdict instead of handing the old copy to the next job. A file replaced or rewritten at that
// path counts as a new copy. Any thread.
void setToolAside(std::wstring_view path);

}  // namespace tarnwick
