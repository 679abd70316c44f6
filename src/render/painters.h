// The painters of the main window and the popups, and the element painters they share. Each
// draws from the frame's state and the layout with the primitives of Canvas.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "render/canvas.h"
#include "render/frame_state.h"
#include "render/main_layout.h"
#include "render/render_cache.h"

namespace tarnwick {

// How an element looks this frame.
struct ElementLook {
  bool enabled = true;
  bool hovered = false;
  bool pressed = false;
  float opacity = 1.0f;  // 1 enabled, 0.4 disabled
};
[[nodiscard]] ElementLook lookOf(const FrameState& state, ElementId id);

// One complete frame of the main window.
void paintMainWindow(Canvas& canvas, const FrameState& state, const MainLayout& layout, RenderCache& cache);

// The popups; their geometry is fixed (language cells 176 × 34 from (6, 6), result rows 80 high).
inline constexpr float kLanguagePopupWidth = 364;
inline constexpr float kLanguagePopupHeight = 318;
void paintLanguagePopup(Canvas& canvas, const FrameState& state);
void paintResultsPopup(Canvas& canvas, const FrameState& state, float width, float height,
                       RenderCache& cache);

// Shared element painters.
void drawGhostButton(Canvas& canvas, const RectF& rect, float radius, std::optional<Icon> icon,
                     std::wstring_view text, TextFormat format, const ElementLook& look, bool danger);
void drawPill(Canvas& canvas, const RectF& rect, std::optional<Icon> icon, std::wstring_view text,
              const ElementLook& look, bool selected);
// Without a picture: the shimmer while one may still come, else the shimmer's still base.
void drawThumbnail(Canvas& canvas, RenderCache& cache, const ThumbView& thumb, const RectF& rect,
                   float radius, bool pictureMayCome = true);
void drawShimmer(Canvas& canvas, const RectF& rect, float radius);
void drawDurationBadge(Canvas& canvas, const RectF& rect, double seconds);
void drawLogo(Canvas& canvas, const RectF& rect);
// Channel (when asked), views and resolution that exist, joined with "  ·  ". Each part sits in
// a Unicode isolate (the channel first-strong, the views in the language's direction, the
// resolution left-to-right); in a right-to-left language the line starts with a RLM.
[[nodiscard]] std::wstring buildMetaLine(const FrameState& state, const MediaView& info, bool withChannel);
// The status message and its detail: the app's statusLine for the frame's language.
[[nodiscard]] std::wstring buildStatusText(const FrameState& state);
// The headline's three parts; field 4 falls back to ".".
struct Headline {
  std::wstring text;
  std::size_t emphasisStart = 0;
  std::size_t emphasisLength = 0;
};
[[nodiscard]] Headline buildHeadline(const FrameState& state);

// Element painters of the main window, in painting order after the background.
void paintHeader(Canvas& canvas, const FrameState& state, const MainLayout& layout);
void paintHeadline(Canvas& canvas, const FrameState& state, const MainLayout& layout);
void paintMainCard(Canvas& canvas, const FrameState& state, const MainLayout& layout);
void paintPreviewCard(Canvas& canvas, const FrameState& state, const MainLayout& layout, RenderCache& cache);
void paintStatusCard(Canvas& canvas, const FrameState& state, const MainLayout& layout);
void paintLogCard(Canvas& canvas, const FrameState& state, const MainLayout& layout);
void paintFooter(Canvas& canvas, const FrameState& state, const MainLayout& layout);
void paintFocusRing(Canvas& canvas, const FrameState& state, const MainLayout& layout);

}  // namespace tarnwick
