#include "base/worker_texts.h"

#include <atomic>

namespace tarnwick {
namespace {

std::atomic<WorkerTextLookup> installedLookup{nullptr};

std::wstring_view englishText(WorkerText text) {
  switch (text) {
    case WorkerText::preparingComponents:
      return L"Preparing components \u2026";
    case WorkerText::settingUpDownload:
      return L"Setting up: downloading {0}";
    case WorkerText::settingUpExtract:
      return L"Setting up: extracting {0} \u2026";
    case WorkerText::updatingYtDlp:
      return L"Updating yt-dlp \u2026";
    case WorkerText::analyzingVideo:
      return L"Analyzing video \u2026";
    case WorkerText::downloading:
      return L"Downloading";
    case WorkerText::timeLeft:
      return L"{0} left";
    case WorkerText::merging:
      return L"Merging video and audio \u2026";
    case WorkerText::convertingTo:
      return L"Converting to {0} \u2026";
  }
  return {};
}

}  // namespace

void installWorkerTextLookup(WorkerTextLookup lookup) { installedLookup.store(lookup); }

std::wstring englishWorkerText(WorkerText text, std::wstring_view argument) {
  std::wstring out(englishText(text));
  if (std::size_t at = out.find(L"{0}"); at != std::wstring::npos) out.replace(at, 3, argument);
  return out;
}

std::wstring workerText(WorkerText text, std::wstring_view argument) {
  if (WorkerTextLookup lookup = installedLookup.load()) return lookup(static_cast<int>(text), argument);
  return englishWorkerText(text, argument);
}

}  // namespace tarnwick
