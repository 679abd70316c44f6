// Fixed texts of the header and the footer (not translated).
#pragma once

#include <string_view>

#include "base/version.h"

namespace tarnwick::brand {

inline constexpr std::wstring_view kProductName = L"Tarnwick";
inline constexpr std::wstring_view kBadge = L"DESKTOP";
// The footer: the notice with the version (ending in its separator) followed by the web address,
// which is a link.
inline constexpr std::wstring_view kFooterNotice = L"© 2026 Tarnwick " TARNWICK_VERSION_WIDE L"  ·  ";
inline constexpr std::wstring_view kWebAddress = L"tarnwick.app";

}  // namespace tarnwick::brand
