#include "setup/setup_texts.h"

#include <atomic>

namespace tarnwick {
namespace {

std::atomic<SetupTextLookup> installedLookup{nullptr};

std::wstring englishText(SetupText text) {
  switch (text) {
    case SetupText::preparing:
      return L"Preparing components \u2026";
    case SetupText::downloading:
      return L"Setting up: downloading {0}";
    case SetupText::extracting:
      return L"Setting up: extracting {0} \u2026";
    case SetupText::updating:
      return L"Updating yt-dlp \u2026";
  }
  return {};
}

}  // namespace

void setSetupTextLookup(SetupTextLookup lookup) {
  installedLookup.store(lookup);
}

std::wstring setupText(SetupText text, std::wstring_view argument) {
  if (SetupTextLookup lookup = installedLookup.load()) return lookup(static_cast<int>(text), argument);
  std::wstring result = englishText(text);
  if (std::size_t at = result.find(L"{0}"); at != std::wstring::npos) result.replace(at, 3, argument);
  return result;
}

}  // namespace tarnwick
