// What one frame shows, read from the window's AppState for the painters.
#pragma once

#include <cstdint>

#include "app/app_state.h"
#include "render/frame_state.h"

namespace tarnwick {

// The returned record views strings held by `state` and the language table: valid until the
// state next changes, which is longer than the one frame or layout pass it serves.
[[nodiscard]] FrameState frameStateOf(const AppState& state, bool mainWindowHasFocus, std::uint64_t clockMs);

// A decoded thumbnail as the painters see it; empty for null.
[[nodiscard]] ThumbView thumbViewOf(const std::shared_ptr<Thumb>& thumb);

}  // namespace tarnwick
