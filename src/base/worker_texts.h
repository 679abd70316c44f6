// The localized texts that workers (setup and download jobs) show in the status line.
//
// The language table lives in the app layer, above the workers; the app installs its lookup here
// once at start-up, before any worker runs. Until then (and in the workers' own tests) the English
// texts answer.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// The values are the language table's field numbers.
enum class WorkerText : int {
  preparingComponents = 22,  // "Preparing components …"
  settingUpDownload = 23,    // "Setting up: downloading {0}"
  settingUpExtract = 24,     // "Setting up: extracting {0} …"
  updatingYtDlp = 25,        // "Updating yt-dlp …"
  analyzingVideo = 26,       // "Analyzing video …"
  downloading = 27,          // "Downloading"
  timeLeft = 28,             // "{0} left"
  merging = 29,              // "Merging video and audio …"
  convertingTo = 30,         // "Converting to {0} …"
};

// Answers field `field` of the active language (English where it has none) with the first "{0}"
// replaced by `argument`. Called on worker threads, so it must be safe to call from any thread.
using WorkerTextLookup = std::wstring (*)(int field, std::wstring_view argument);

// Any thread; null restores the English texts. Takes effect for later texts.
void installWorkerTextLookup(WorkerTextLookup lookup);

// The text in the active language, "{0}" replaced by `argument` at its first occurrence.
[[nodiscard]] std::wstring workerText(WorkerText text, std::wstring_view argument = {});
// The English text, with the same replacement.
[[nodiscard]] std::wstring englishWorkerText(WorkerText text, std::wstring_view argument = {});

}  // namespace tarnwick
