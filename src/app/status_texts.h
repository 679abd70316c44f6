// The status texts the app layer sets: uiText ids, counted from field 2, the same numbers as
// AppState::statusId.
#pragma once

#include <cstdint>

namespace tarnwick::statusText {

// Status ids.
inline constexpr std::int32_t ready = 19;           // "Ready – paste a link and click “Download”."
inline constexpr std::int32_t preparing = 20;       // "Preparing components …"
inline constexpr std::int32_t starting = 29;        // "Starting …"
inline constexpr std::int32_t cancelling = 30;      // "Cancelling …"
inline constexpr std::int32_t done = 31;            // "Done!"
inline constexpr std::int32_t cancelled = 32;       // "Cancelled."
inline constexpr std::int32_t failed = 33;          // "Failed – see the log for details."
inline constexpr std::int32_t setupFailed = 34;     // "Setup failed – …"
inline constexpr std::int32_t pasteLinkFirst = 35;  // "Please paste a YouTube link first."
inline constexpr std::int32_t badFolder = 36;       // "The save location doesn't exist …"
inline constexpr std::int32_t noResults = 43;       // "No results found."
inline constexpr std::int32_t searchFailed = 46;    // "Search failed – see the log for details."
}  // namespace tarnwick::statusText
