// The body of the job thread: component setup when a tool is missing, the yt-dlp run, then for
// every finished file a conversion or a move to its final name, and cleanup on cancel. Every file
// the job writes carries ".ctmp" until this code gives it its final name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pipeline/format_tables.h"

namespace tarnwick {

// Job-thread entry. Posts WM_APP_JOB_DONE exactly once, as its last message: outcome 0 success,
// 1 failure, 2 cancelled; lParam the request's kind.
void downloadJobMain(DownloadRequest request);

// True when yt-dlp, ffmpeg or deno cannot be found (looked up in that order).
[[nodiscard]] bool componentsMissing();

// The final name of a finished file: its folder, its name without extension and without a
// trailing ".ctmp" (any case), then "." and `extension`.
[[nodiscard]] std::wstring finalPathFor(std::wstring_view source, std::wstring_view extension);

// After a cancelled yt-dlp run: deletes, in the folder of every announced destination that holds
// ".ctmp", the files that belong to it (the partial file, its fragments and resume data, and the
// files yt-dlp derives from the same ".ctmp" name while merging or extracting).
void removePartialFiles(const std::vector<std::wstring>& destinationPaths);

}  // namespace tarnwick
