#include "setup/setup_overrides.h"

#include <mutex>
#include <optional>

namespace tarnwick::setup {
namespace {

// The release-download addresses of the projects' own builds; "latest" always names the newest.
#if defined(__aarch64__)
constexpr const wchar_t* ytDlpBuild = L"yt-dlp_linux_aarch64";
constexpr const wchar_t* denoBuild = L"deno-aarch64-unknown-linux-gnu.zip";
constexpr const wchar_t* ffmpegBuild = L"ffmpeg-master-latest-linuxarm64-gpl.tar.xz";
#else
constexpr const wchar_t* ytDlpBuild = L"yt-dlp_linux";
constexpr const wchar_t* denoBuild = L"deno-x86_64-unknown-linux-gnu.zip";
constexpr const wchar_t* ffmpegBuild = L"ffmpeg-master-latest-linux64-gpl.tar.xz";
#endif
constexpr const wchar_t* releaseHost = L"https://github.com";

std::mutex lock;  // guards the overrides
std::optional<ComponentSources> sourcesOverride;
std::optional<TransferLimits> limitsOverride;
std::optional<UnpackLimits> unpackOverride;
std::optional<std::filesystem::path> programFolderReplacement;

}  // namespace

ComponentSources componentSources() {
  {
    std::lock_guard guard(lock);
    if (sourcesOverride) return *sourcesOverride;
  }
  const std::wstring host = releaseHost;
  return ComponentSources{
      host + L"/yt-dlp/yt-dlp/releases/latest/download/" + ytDlpBuild,
      host + L"/denoland/deno/releases/latest/download/" + denoBuild,
      host + L"/yt-dlp/FFmpeg-Builds/releases/download/latest/" + ffmpegBuild,
  };
}

TransferLimits transferLimits() {
  std::lock_guard guard(lock);
  return limitsOverride.value_or(TransferLimits{});
}

UnpackLimits unpackLimits() {
  std::lock_guard guard(lock);
  return unpackOverride.value_or(UnpackLimits{});
}

std::optional<std::filesystem::path> programFolderOverride() {
  std::lock_guard guard(lock);
  return programFolderReplacement;
}

void setComponentSourcesForTesting(ComponentSources sources) {
  std::lock_guard guard(lock);
  sourcesOverride = std::move(sources);
}

void setTransferLimitsForTesting(TransferLimits limits) {
  std::lock_guard guard(lock);
  limitsOverride = limits;
}

void setUnpackLimitsForTesting(UnpackLimits limits) {
  std::lock_guard guard(lock);
  unpackOverride = limits;
}

void setProgramFolderForTesting(std::optional<std::filesystem::path> folder) {
  std::lock_guard guard(lock);
  programFolderReplacement = std::move(folder);
}

}  // namespace tarnwick::setup
