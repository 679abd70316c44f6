// Tells a video link from search words and pulls the 11-character video id out of a link.
// Pure text functions: case-sensitive, no side effects, callable from any thread.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// The video site's main domain and short-link domain, each with the "/" that must follow it.
inline constexpr std::wstring_view videoSiteDomainMarker = L"youtube.com/";
inline constexpr std::wstring_view shortLinkDomainMarker = L"youtu.be/";

inline constexpr std::size_t videoIdLength = 11;

// A letter or digit of any script (from the Unicode tables, not the process locale), "-" or "_".
[[nodiscard]] bool isVideoIdCharacter(wchar_t c);

// True when the (already trimmed) text is meant as a link: it starts with "http://", "https://"
// or "www.", or it contains one of the two domain markers anywhere.
[[nodiscard]] bool isLinkLike(std::wstring_view text);

// The 11-character id after the first marker that is followed by exactly 11 id characters
// ("?v=", "&v=", the short-link domain, "/shorts/", "/embed/", "/live/", in that order), or "".
// Only the first occurrence of each marker is examined.
[[nodiscard]] std::wstring extractVideoId(std::wstring_view text);

}  // namespace tarnwick
