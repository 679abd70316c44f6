#include "pipeline/job_texts.h"

#include <atomic>

namespace tarnwick {
namespace {

std::atomic<JobTextLookup> installedLookup{nullptr};

std::wstring_view englishText(JobText text) {
  switch (text) {
    case JobText::analyzingVideo:
      return L"Analyzing video \u2026";
    case JobText::downloading:
      return L"Downloading";
    case JobText::timeLeft:
      return L"{0} left";
    case JobText::merging:
      return L"Merging video and audio \u2026";
    case JobText::convertingTo:
      return L"Converting to {0} \u2026";
  }
  return {};
}

}  // namespace

void installJobTextLookup(JobTextLookup lookup) {
  installedLookup.store(lookup);
}

std::wstring englishJobText(JobText text, std::wstring_view argument) {
  std::wstring out(englishText(text));
  std::size_t at = out.find(L"{0}");
  if (at != std::wstring::npos) out.replace(at, 3, argument);
  return out;
}

std::wstring jobText(JobText text, std::wstring_view argument) {
  if (JobTextLookup lookup = installedLookup.load()) return lookup(static_cast<int>(text), argument);
  return englishJobText(text, argument);
}

}  // namespace tarnwick
