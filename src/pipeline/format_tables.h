// The outputs a user can choose, as four constant tables, and the request that carries the choice
// to the job thread. Rows are addressed by index; the indexes are what the settings store, so the
// row order never changes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwick {

// An absent optional means the step does not exist for the row; an empty string means the step
// exists and adds nothing.
struct VideoFormat {
  std::wstring label;                         // chip text, also "Converting to {0} …"
  std::wstring extension;                     // of the final file, without dot
  std::wstring mergeContainer;                // yt-dlp --merge-output-format
  std::wstring sortSuffix;                    // appended to the -S sort string (may be empty)
  std::optional<std::wstring> remuxArgs;      // ffmpeg stream copy, tried first
  std::optional<std::wstring> transcodeArgs;  // ffmpeg transcode, when there is no copy or it failed
};

struct QualityOption {
  std::optional<std::wstring> label;  // absent in row 0, whose chip shows the language's "Best"
  std::int32_t maxHeight = 0;         // 0 = no cap
};

struct AudioFormat {
  std::wstring label;
  std::optional<std::wstring> extractFormat;  // yt-dlp -x --audio-format; absent = ffmpeg converts
  std::wstring extension;
  bool lossless = false;                   // no --audio-quality, bitrate chips disabled
  bool embedMetadata = false;              // yt-dlp --embed-metadata
  std::optional<std::wstring> ffmpegArgs;  // "{br}" stands for the chosen bitrate
};

inline constexpr std::size_t videoFormatCount = 10;
inline constexpr std::size_t qualityCount = 10;
inline constexpr std::size_t audioFormatCount = 8;
inline constexpr std::size_t bitrateCount = 6;

extern const std::array<VideoFormat, videoFormatCount> videoFormatTable;
extern const std::array<QualityOption, qualityCount> qualityTable;
extern const std::array<AudioFormat, audioFormatCount> audioFormatTable;
// kbit/s
extern const std::array<std::uint32_t, bitrateCount> bitrateTable;

// Built on the UI thread, moved into the job thread, owned by that thread until it ends. The four
// indexes are always filled and trusted (the settings loader and the UI keep them in range); the
// worker reads only the pair that belongs to the mode.
struct DownloadRequest {
  std::int32_t kind = 0;  // 0 = setup-only job, 1 = download job
  std::wstring url;
  std::wstring folder;
  bool audioMode = false;
  std::int32_t videoFormat = 0;  // videoFormatTable
  std::int32_t quality = 0;      // qualityTable
  std::int32_t audioFormat = 0;  // audioFormatTable
  std::int32_t bitrate = 0;      // bitrateTable
  bool wholePlaylist = false;
};

}  // namespace tarnwick
