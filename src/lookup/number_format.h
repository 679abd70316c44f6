// The short forms of a hit's numbers shown on the preview card and in the results list. The
// texts never depend on the process locale: 1500 is "1.5K" everywhere.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// 999 -> "999", 1000 -> "1K", 1050 -> "1.1K", 12345678 -> "12.3M", 999999 -> "1000K" (the unit
// is chosen before rounding). For n >= 0.
[[nodiscard]] std::wstring formatCount(std::int64_t n);

// Rounded to whole seconds: 59.6 -> "1:00", 61 -> "1:01", 3600 -> "1:00:00". For seconds > 0;
// anything else gives "".
[[nodiscard]] std::wstring formatDuration(double seconds);

}  // namespace tarnwick
