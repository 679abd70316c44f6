// The main window's layout: one pass computes, in DIPs, the rectangle of every element the
// painter draws and the hit test uses. Portable: text widths come through TextMeasure.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "render/frame_state.h"
#include "render/geometry.h"
#include "render/text_measure.h"

namespace tarnwick {

struct MainLayout {
  float clientWidthDip = 0;
  float clientHeightDip = 0;
  float contentLeft = 0;
  float contentRight = 0;
  int compactLevel = 0;  // 0 headline and subtitle, 1 headline only, 2 neither
  int formatChipCount = 0;
  int qualityChipCount = 0;

  RectF logoRect, brandRect, badgeRect, languageButtonRect, headlineRect, subtitleRect;
  RectF footerTextRect, footerLinkRect;

  RectF actionButtonRect, linkFieldRect, linkIconRect, pasteButtonRect, linkEditRect;
  RectF videoModeRect, audioModeRect, playlistSwitchRect, playlistLabelRect, playlistHitRect;
  std::array<RectF, 10> formatChipRects{};
  RectF qualityLabelRect;
  std::array<RectF, 10> qualityChipRects{};
  RectF saveToLabelRect, openFolderRect, changeFolderRect, folderPathRect, mainCardRect;

  RectF previewCardRect, thumbnailRect, previewTitleRect, previewChannelRect, previewMetaRect;

  RectF statusCardRect, statusIconRect, statusRightRect, statusTextRect, progressTrackRect;
  RectF logCardRect, logLabelRect, clearLogRect, logBoxRect, logEditRect;
};

// The chip texts of the current mode.
[[nodiscard]] std::wstring formatChipLabel(const FrameState& state, int i);
[[nodiscard]] std::wstring qualityChipLabel(const FrameState& state, int i);

// Lays `count` chips out in rows from (left, top) between left and right; answers the bottom of
// the last row. A chip wider than the row overflows to the right instead of wrapping forever.
template <typename LabelOf>
float layoutChipFlow(int count, LabelOf&& labelOf, float left, float right, float top,
                     const TextMeasure& measure, RectF* out) {
  float x = left;
  float y = top;
  for (int i = 0; i < count; ++i) {
    const float w = measure.measureText(labelOf(i), TextFormat::label) + 30;
    if (x > left && x + w > right) {
      y += 40;
      x = left;
    }
    out[i] = {x, y, x + w, y + 32};
    x += w + 8;
  }
  return y + 32;
}

// The whole pass for a client area of width × height DIPs. Reads the language texts, the mode
// and whether a preview is shown.
[[nodiscard]] MainLayout layoutMainWindow(const FrameState& state, float width, float height,
                                          const TextMeasure& measure);

// The least client height at which nothing overlaps: the most compact level with a log card of
// mainLogCardMinimum DIPs above the footer. Shorter windows scroll instead of squeezing the log
// under the footer.
inline constexpr float mainLogCardMinimum = 100;
[[nodiscard]] float minimumMainHeight(const FrameState& state, float width, const TextMeasure& measure);

// The element under a point in DIPs; disabled elements are not hit.
[[nodiscard]] ElementId hitTestMain(const MainLayout& layout, const FrameState& state, float x, float y);

// The rectangle the focus ring surrounds for an element (before its 3-DIP margin).
[[nodiscard]] std::optional<RectF> focusRingRect(const MainLayout& layout, ElementId id);

}  // namespace tarnwick
