// How the lookup workers find yt-dlp and deno. The lookup layer sits beside the setup layer and
// must not depend on it, so the application installs the setup layer's findTool here at start-up;
// until then (and in tests that install nothing) the PATH is searched.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tarnwick {

// Answers the full path of the tool file `fileName`, or "" when it is not installed. Called on
// the preview and search worker threads right before each run, so it must be thread-safe and
// must not cache.
using ToolLocator = std::function<std::wstring(std::wstring_view fileName)>;

// The tool file names on this platform ("yt-dlp" and "deno" on POSIX, "yt-dlp.exe" and
// "deno.exe" on Windows).
extern const std::wstring_view ytDlpFileName;
extern const std::wstring_view denoFileName;

// Any thread. An empty locator restores the PATH search.
void setToolLocator(ToolLocator locator);
[[nodiscard]] std::wstring locateTool(std::wstring_view fileName);

// The default: the first executable regular file named `fileName` in a folder of PATH (absolute
// entries only, in order), or "". The program's own folder and the tools folder are the setup
// layer's findTool, which the application installs.
[[nodiscard]] std::wstring searchPathForTool(std::wstring_view fileName);

}  // namespace tarnwick
