// The status texts the setup shows, looked up in the user's language.
//
// The language table belongs to the app layer, above this one, so the app installs its lookup
// here at start; until it does (and in the setup's own tests) the English texts are used.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// The values are the language table's field numbers.
enum class SetupText : int {
  preparing = 22,    // "Preparing components …"
  downloading = 23,  // "Setting up: downloading {0}"
  extracting = 24,   // "Setting up: extracting {0} …"
  updating = 25,     // "Updating yt-dlp …"
};

// Answers field `field` of the active language with its first "{0}" replaced by `argument`.
// Called on the job thread; it must be safe to call from there.
using SetupTextLookup = std::wstring (*)(int field, std::wstring_view argument);

// Any thread; null restores the English texts.
void setSetupTextLookup(SetupTextLookup lookup);

[[nodiscard]] std::wstring setupText(SetupText text, std::wstring_view argument = {});

}  // namespace tarnwick
