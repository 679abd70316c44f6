// Test seams of the setup layer: where the components come from and how long a silent transfer
// may last. Production code never calls the setters; the program has no switch, file or variable
// that changes these.
#pragma once

#include <chrono>
#include <string>

namespace tarnwick::setup {

struct ComponentSources {
  std::wstring ytDlp;   // the single yt-dlp executable
  std::wstring deno;    // zip archive
  std::wstring ffmpeg;  // tar.xz (or zip) archive
};

struct TransferLimits {
  std::chrono::milliseconds connect{15000};  // to establish the connection
  std::chrono::milliseconds silence{15000};  // without any data, once connected
};

// The values in force (the release addresses and 15 s limits unless a test changed them).
[[nodiscard]] ComponentSources componentSources();
[[nodiscard]] TransferLimits transferLimits();

// For tests only. Call while no setup runs.
void setComponentSourcesForTesting(ComponentSources sources);
void setTransferLimitsForTesting(TransferLimits limits);

}  // namespace tarnwick::setup
