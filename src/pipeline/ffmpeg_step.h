// Converts one downloaded file with ffmpeg: a stream copy first when the row has one, the
// transcode when there is no copy or the copy failed. ffmpeg writes a name of the job's own (see
// conversionOutputFor), which takes the target's place only once complete, so a file already
// under the target name survives a failed, cancelled or killed conversion. Leaves exactly one of
// the two files: the target on success, the source on failure, neither when cancelled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pipeline/job_files.h"

namespace tarnwick {

// The inputs of one conversion, as the download job hands them over.
struct FfmpegConversion {
  std::wstring ffmpegPath;
  std::wstring source;                     // a finished path, still with the job's marker
  std::wstring target;                     // the final path
  std::wstring label;                      // of the chosen row, for the status text and the error line
  std::wstring map;                        // "-map 0:v:0 -map 0:a:0?" (video) or "-map 0:a:0" (audio)
  std::optional<std::wstring> firstArgs;   // stream copy, tried first
  std::optional<std::wstring> secondArgs;  // transcode
  std::uint32_t bitrate = 0;               // kbit/s, replaces "{br}"
  std::size_t index = 0;                   // position among the job's files, from 0
  std::size_t count = 1;
  std::wstring marker{tempMarker};  // the job's, for the name ffmpeg writes
};

// Where ffmpeg writes until the conversion is complete: the target with the marker and ".conv"
// before its extension ("/m/a.ctmp.conv.webm" for "/m/a.webm").
[[nodiscard]] std::wstring conversionOutputFor(std::wstring_view target,
                                               std::wstring_view marker = tempMarker);

// Job thread. True when the target was written (and the source deleted).
[[nodiscard]] bool convertWithFfmpeg(const FfmpegConversion& conversion);

// One ffmpeg run with `args` (absent: nothing runs, false). `status` is posted as the run starts.
// True when ffmpeg exited with 0 and no cancel was requested.
[[nodiscard]] bool runFfmpeg(const FfmpegConversion& conversion, const std::wstring& status,
                             const std::optional<std::wstring>& args);

// The command line of one run, "{br}" already replaced, writing to conversionOutputFor(target, marker).
[[nodiscard]] std::wstring ffmpegCommand(const FfmpegConversion& conversion, const std::wstring& args);

// The line callback of a run: "Duration: " sets `duration` (seconds), "out_time_us=" and
// "out_time_ms=" (both microseconds) become progress, lines with "rror" are logged.
void handleFfmpegLine(const std::wstring& line, double& duration);

}  // namespace tarnwick
