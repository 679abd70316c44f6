#include "lookup/link_recognition.h"

#include <array>

#include "base/text.h"

namespace tarnwick {

bool isVideoIdCharacter(wchar_t c) {
  return c == L'-' || c == L'_' || isLetterOrDigit(static_cast<char32_t>(c));
}

bool isLinkLike(std::wstring_view text) {
  return text.starts_with(L"http://") || text.starts_with(L"https://") || text.starts_with(L"www.") ||
         text.find(videoSiteDomainMarker) != std::wstring_view::npos ||
         text.find(shortLinkDomainMarker) != std::wstring_view::npos;
}

std::wstring extractVideoId(std::wstring_view text) {
  static constexpr std::array<std::wstring_view, 6> markers = {L"?v=",      L"&v=",     shortLinkDomainMarker,
                                                               L"/shorts/", L"/embed/", L"/live/"};
  for (std::wstring_view marker : markers) {
    std::size_t found = text.find(marker);
    if (found == std::wstring_view::npos) continue;
    std::size_t start = found + marker.size();
    std::size_t end = start;
    while (end < text.size() && isVideoIdCharacter(text[end])) ++end;
    // A run of 10 or 12 is not an id; the next marker may still find one.
    if (end - start == videoIdLength) return std::wstring(text.substr(start, videoIdLength));
  }
  return {};
}

}  // namespace tarnwick
