#include "setup/setup_overrides.h"

#include <mutex>
#include <optional>

#include "setup/component_builds.h"

namespace tarnwick::setup {
namespace {

constexpr const wchar_t* releaseHost = L"https://github.com";

std::mutex lock;  // guards the overrides
std::optional<ComponentSources> sourcesOverride;
std::optional<TransferLimits> limitsOverride;
std::optional<UnpackLimits> unpackOverride;
std::optional<std::filesystem::path> programFolderReplacement;
std::optional<std::filesystem::path> tarReplacement;

}  // namespace

ComponentSources componentSources() {
  {
    std::lock_guard guard(lock);
    if (sourcesOverride) return *sourcesOverride;
  }
  // The release-download addresses of the projects' own builds; "latest" always names the newest.
  const std::wstring host = releaseHost;
  const ComponentBuilds& builds = componentBuilds();
  return ComponentSources{
      host + L"/yt-dlp/yt-dlp/releases/latest/download/" + std::wstring(builds.ytDlp),
      host + L"/denoland/deno/releases/latest/download/" + std::wstring(builds.deno),
      host + L"/yt-dlp/FFmpeg-Builds/releases/download/latest/" + std::wstring(builds.ffmpeg),
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

std::optional<std::filesystem::path> tarProgramOverride() {
  std::lock_guard guard(lock);
  return tarReplacement;
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

void setTarProgramForTesting(std::optional<std::filesystem::path> program) {
  std::lock_guard guard(lock);
  tarReplacement = std::move(program);
}

}  // namespace tarnwick::setup
