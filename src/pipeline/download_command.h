// The yt-dlp command line of a download. It fixes what the job relies on when reading yt-dlp's
// output: one "[P]percent|speed|eta" line per progress update, one "[F]" line per finished item
// with its path as a JSON string, and the job's marker in every file name yt-dlp writes. yt-dlp
// runs inside the save folder and names its files relative to it: a folder given on its command
// line would be read with "$VAR" and "~" expanded and a trailing "\" taken for a separator.
#pragma once

#include <string>
#include <string_view>

#include "pipeline/format_tables.h"
#include "pipeline/job_files.h"

namespace tarnwick {

// `ytdlpPath` and `ffmpegPath` are full paths and never empty; an empty `denoPath` leaves out
// "--js-runtimes". The request's url passes through quoteArgument untouched; its folder is not on
// the command line at all (it is yt-dlp's working folder). `marker` is ".ctmp" or a job's own
// (newJobMarker).
[[nodiscard]] std::wstring buildDownloadCommand(const DownloadRequest& request, std::wstring_view ytdlpPath,
                                                std::wstring_view ffmpegPath, std::wstring_view denoPath,
                                                std::wstring_view marker = tempMarker);

// The "-o" template: "<base><marker>.%(ext)s", with a playlist subfolder when wholePlaylist is
// set; relative, and cut so that every name yt-dlp derives from it fits 255 bytes.
[[nodiscard]] std::wstring downloadOutputTemplate(bool wholePlaylist, std::wstring_view marker = tempMarker);

// The folder holding ffmpeg, as "--ffmpeg-location" wants it: `ffmpegPath` cut at its last "/" or
// "\", the separators before the cut removed, a root ("/", "C:\") kept whole; "." when the path
// has no folder part.
[[nodiscard]] std::wstring ffmpegLocation(std::wstring_view ffmpegPath);

}  // namespace tarnwick
