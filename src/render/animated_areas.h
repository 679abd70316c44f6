// The parts of the main window that are redrawn on their own: those that move by themselves, each
// at the lowest rate that still looks smooth for what moves in it and only while something does,
// and the status card, which changes with every progress line while nothing else does.
#pragma once

#include "render/canvas.h"
#include "render/frame_state.h"
#include "render/main_layout.h"
#include "render/render_cache.h"

namespace tarnwick {

// In drawing order: the status card lies under its spinner and its bar.
enum class AnimatedArea { statusCard, statusIcon, progress, actionButton, preview };
inline constexpr int animatedAreaCount = 5;

// The animation timer's period: the fastest rate any area needs.
inline constexpr unsigned animationTickMs = 50;

// Where the area lies; empty while the layout does not show it.
[[nodiscard]] RectF animatedAreaRect(const MainLayout& layout, const FrameState& state, AnimatedArea area);

// The time between two frames of the area, in milliseconds; 0 while nothing in it moves.
[[nodiscard]] unsigned animationPeriodMs(const FrameState& state, AnimatedArea area);

// Paints what the whole frame shows inside the area, in the same order: the cached background
// and cards, the card that moves, and the focus ring. The caller cuts it to the area.
void paintAnimatedArea(Canvas& canvas, const FrameState& state, const MainLayout& layout, RenderCache& cache,
                       AnimatedArea area);

}  // namespace tarnwick
