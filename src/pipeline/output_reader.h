// Turns yt-dlp's output lines (as the download command shapes them) into progress, status, log and
// output-path messages, and collects the paths the job needs afterwards.
#pragma once

#include <string>
#include <vector>

namespace tarnwick {

// Job thread, once per output line. Appends the path of every "[F]" line (a JSON string; a line
// without one is only logged) to `finishedPaths` and of every "[download] Destination: " line to
// `destinationPaths`, both as yt-dlp reported them; `label` is the chosen row's label, for
// "Converting to {0} …". Keeps no state of its own.
void handleDownloadLine(const std::wstring& line, std::vector<std::wstring>& finishedPaths,
                        std::vector<std::wstring>& destinationPaths, const std::wstring& label);

}  // namespace tarnwick
