// Test seams of the setup layer: where the components come from, how long and how large a
// transfer and an unpacking may be, and which folder counts as the program's own. Production code
// never calls the setters; the program has no switch, file or variable that changes these.
#pragma once

#include <chrono>
#include <cstdint>
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
  // The whole transfer: a server that trickles a byte every few seconds never falls silent, but
  // must not hold the setup for hours. An hour still fetches ffmpeg at 300 kbit/s.
  std::chrono::milliseconds whole{std::chrono::hours(1)};
  // Far above the largest component (the ffmpeg archive, about 130 MB).
  std::uint64_t maxBytes = std::uint64_t{1} << 30;
};

// What an archive may unpack to: the ffmpeg build unpacks to a few hundred MB in a few dozen files.
struct UnpackLimits {
  std::uint64_t maxBytes = std::uint64_t{4} << 30;
  std::uint64_t maxEntries = 100000;
};

// The values in force (the release addresses and the limits above unless a test changed them).
[[nodiscard]] ComponentSources componentSources();
[[nodiscard]] TransferLimits transferLimits();
[[nodiscard]] UnpackLimits unpackLimits();

// The folder that stands for the program's own folder in the tool lookup; nullopt (always, outside
// tests) means the running executable's folder.
[[nodiscard]] std::optional<std::filesystem::path> programFolderOverride();

// The archive program the Windows setup runs instead of the system's tar.exe; nullopt (always,
// outside tests) means System32's. Wine has no tar.exe, so the tests bring their own.
[[nodiscard]] std::optional<std::filesystem::path> tarProgramOverride();

// For tests only. Call while no setup runs.
void setComponentSourcesForTesting(ComponentSources sources);
void setTransferLimitsForTesting(TransferLimits limits);
void setUnpackLimitsForTesting(UnpackLimits limits);
// Tests share the real program folder (the test binaries' folder) and must not put tools there.
void setProgramFolderForTesting(std::optional<std::filesystem::path> folder);
void setTarProgramForTesting(std::optional<std::filesystem::path> program);

}  // namespace tarnwick::setup
