// The body of the job thread: component setup when a tool is missing, the yt-dlp run inside the
// save folder, then for every finished file a conversion or a move to its final name, and at the
// end the removal of whatever of its own is left. Every file the job writes carries its marker
// (".ctmp" and a token of its own) until this code gives it its final name, and the job touches no
// file without it. While it runs, a record in the state folder names its folder and marker, so
// that the next start can clean up after a job that was killed (interrupted_jobs.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pipeline/format_tables.h"
#include "pipeline/job_files.h"

namespace tarnwick {

// Job-thread entry. Posts WM_APP_JOB_DONE exactly once, as its last message: outcome 0 success,
// 1 failure, 2 cancelled; lParam the request's kind. The setup job (kind 0) first cleans up after
// interrupted downloads.
void downloadJobMain(DownloadRequest request);

// True when yt-dlp, ffmpeg or deno cannot be found (looked up in that order).
[[nodiscard]] bool componentsMissing();

// The final name of a finished file: its folder, its name without extension and without a
// trailing `marker` (any case), then "." and `extension`.
[[nodiscard]] std::wstring finalPathFor(std::wstring_view source, std::wstring_view extension,
                                        std::wstring_view marker = tempMarker);

// Once the job has given its results their names: deletes, beside every announced destination whose
// name holds `marker`, the files that belong to it (the partial file, its fragments and resume
// data, the files yt-dlp derives from the same marked name while merging or extracting, the job's
// own conversion output).
void removePartialFiles(const std::vector<std::wstring>& destinationPaths,
                        std::wstring_view marker = tempMarker);

}  // namespace tarnwick
