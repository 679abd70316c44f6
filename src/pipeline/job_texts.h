// The localized texts a download job shows in the status line. The language table lives in the
// app layer above; the app installs its lookup here once at start-up, before any job runs. Until
// then (and in tests) the English texts answer.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// Field numbers of the language table.
enum class JobText : int {
  analyzingVideo = 26,  // "Analyzing video …"
  downloading = 27,     // "Downloading"
  timeLeft = 28,        // "{0} left"
  merging = 29,         // "Merging video and audio …"
  convertingTo = 30,    // "Converting to {0} …"
};

// Answers field `field` of the active language (English where it has none) with the first "{0}"
// replaced by `argument`. Called on the job thread, so it must be safe to call from any thread.
using JobTextLookup = std::wstring (*)(int field, std::wstring_view argument);

// Installs the lookup (null restores the English texts). Any thread; takes effect for later texts.
void installJobTextLookup(JobTextLookup lookup);

// The text in the active language, "{0}" replaced by `argument` at its first occurrence.
[[nodiscard]] std::wstring jobText(JobText text, std::wstring_view argument = {});

// The English text, with the same replacement.
[[nodiscard]] std::wstring englishJobText(JobText text, std::wstring_view argument = {});

}  // namespace tarnwick
