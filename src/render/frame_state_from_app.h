// The one bridge from the app's state to what the render layer reads.
#pragma once

#include <cstdint>

#include "app/app_state.h"
#include "render/frame_state.h"

namespace tarnwick {

// Views `app` (and the language table) as one frame: the preview, the search hits with their
// thumbnails, and which elements the app enables. The views stay valid while `app` is not
// changed; build a new one per frame. `mainWindowHasFocus`: the window, not the link entry, holds
// the keyboard focus.
[[nodiscard]] FrameState frameStateFrom(const AppState& app, bool mainWindowHasFocus, std::uint64_t clockMs);

// The texts of language row `row` (English where the row has none) and every language's native
// name, as the painters read them.
void viewLanguage(FrameState& state, int row);

// The app's isElementEnabled for every element the window draws.
[[nodiscard]] EnabledElements enabledElementsOf(const AppState& app);

// A shared Thumb as the painters read it (empty when null).
[[nodiscard]] ThumbView thumbViewOf(const std::shared_ptr<Thumb>& thumb);

}  // namespace tarnwick
