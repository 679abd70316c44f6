// Makes sure yt-dlp, deno and ffmpeg are present, installing what is missing.
#pragma once

#include <optional>
#include <string_view>

namespace tarnwick {

// Job thread. Posts "Preparing components …", then looks up yt-dlp, deno and ffmpeg in this order
// and installs each one findTool cannot find, stopping at the first failed installation. With
// `updateYtDlp` a yt-dlp that was found runs its self-update ("-U") first, its output logged and
// its exit code ignored. A found yt-dlp older than 2025.11.12 (package-managed copies refuse to
// update) is set aside (setToolAside) and the next copy in findTool's order is tried the same
// way; when none is left, the standalone build goes into the tools folder. Answers true when all three are
// present and no cancel was requested; the installers have logged the reason of a failure.
[[nodiscard]] bool setupComponents(bool updateYtDlp);

// The oldest yt-dlp the program can drive (the first with "--js-runtimes").
struct YtDlpVersion {
  int year = 0, month = 0, day = 0;
  friend auto operator<=>(const YtDlpVersion&, const YtDlpVersion&) = default;
};
inline constexpr YtDlpVersion oldestUsableYtDlp{2025, 11, 12};

// Reads yt-dlp's "--version" answer ("2023.03.04", "2025.11.12.232717", ...).
[[nodiscard]] std::optional<YtDlpVersion> parseYtDlpVersion(std::wstring_view text);

}  // namespace tarnwick
