// The facts of the format tables and the lookup formatters that the window shows, read through
// one place: chip labels, the lossless flag, the height caps, and the view-count and duration
// texts. Rows out of range answer empty values.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick::seam {

inline constexpr int kVideoFormatCount = 10;
inline constexpr int kQualityCount = 10;
inline constexpr int kAudioFormatCount = 8;
inline constexpr int kBitrateCount = 6;

[[nodiscard]] std::wstring_view videoFormatLabel(int row);
[[nodiscard]] std::wstring_view audioFormatLabel(int row);
// Row 0 (best available) has no label of its own.
[[nodiscard]] std::wstring_view qualityLabel(int row);
[[nodiscard]] int qualityMaxHeight(int row);
[[nodiscard]] bool audioFormatLossless(int row);
[[nodiscard]] int bitrateKbps(int row);

// View counts: 999, 1.1K, 12.3M, 2B.
[[nodiscard]] std::wstring formatCount(long long n);
// Durations: 1:01, 1:00:00 (seconds rounded half away from zero).
[[nodiscard]] std::wstring formatDuration(double seconds);

}  // namespace tarnwick::seam
