// The yt-dlp command line of a download. It fixes what the job relies on when reading yt-dlp's
// output: one "[P]percent|speed|eta" line per progress update, one "[F]path" line per finished
// item, and the ".ctmp" marker in every file name yt-dlp writes.
#pragma once

#include <string>
#include <string_view>

#include "pipeline/format_tables.h"

namespace tarnwick {

// `ytdlpPath` and `ffmpegPath` are full paths and never empty; an empty `denoPath` leaves out
// "--js-runtimes". The request's folder and url pass through quoteArgument untouched.
[[nodiscard]] std::wstring buildDownloadCommand(const DownloadRequest& request, std::wstring_view ytdlpPath,
                                                std::wstring_view ffmpegPath, std::wstring_view denoPath);

// The "-o" template: "<base>.ctmp.%(ext)s", with a playlist subfolder when wholePlaylist is set.
[[nodiscard]] std::wstring downloadOutputTemplate(bool wholePlaylist);

// The folder holding ffmpeg, as "--ffmpeg-location" wants it: `ffmpegPath` cut at its last "/" or
// "\", the separators before the cut removed, a root ("/", "C:\") kept whole; "." when the path
// has no folder part.
[[nodiscard]] std::wstring ffmpegLocation(std::wstring_view ffmpegPath);

}  // namespace tarnwick
