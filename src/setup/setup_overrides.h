// Test seams of the setup layer: where the components come from, how long a transfer may last,
// and which folder counts as the program's own. Production code never calls the setters; the program has no
// switch, file or variable that changes these.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
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

// The folder that stands for the program's own folder in the tool lookup; nullopt (always, outside
// tests) means the running executable's folder.
[[nodiscard]] std::optional<std::filesystem::path> programFolderOverride();

// For tests only. Call while no setup runs.
void setComponentSourcesForTesting(ComponentSources sources);
void setTransferLimitsForTesting(TransferLimits limits);
// Tests share the real program folder (the test binaries' folder) and must not put tools there.
void setProgramFolderForTesting(std::optional<std::filesystem::path> folder);

}  // namespace tarnwick::setup
