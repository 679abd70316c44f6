#include <algorithm>

#include "render/painters.h"
#include "render/palette.h"

namespace tarnwick {

void paintLanguagePopup(Canvas& canvas, const FrameState& s) {
  canvas.clear(palette::cardFill);
  for (int i = 0; i < languageCount; ++i) {
    const float left = 6 + static_cast<float>(i / 9) * 176;
    const float top = 6 + static_cast<float>(i % 9) * 34;
    const RectF inner{left + 2, top + 1, left + 176 - 2, top + 34 - 1};
    const RectF nameRect{inner.left + 14, inner.top, inner.right - 30, inner.bottom};
    const std::wstring_view name = s.languageNames[i];
    if (i == s.language) {
      canvas.fillRound(inner, 9, palette::accent, 0.18f);
      canvas.drawText(name, TextFormat::label, nameRect, palette::textPrimary, 1, TextAlign::leading);
      canvas.drawIcon(Icon::check, TextFormat::icon14,
                      {inner.right - 30, inner.top, inner.right - 10, inner.bottom}, palette::accentText, 1);
    } else if (i == s.langPopupHover) {
      canvas.fillRound(inner, 9, palette::white, 0.07f);
      canvas.drawText(name, TextFormat::body, nameRect, palette::textPrimary, 1, TextAlign::leading);
    } else {
      canvas.drawText(name, TextFormat::body, nameRect, palette::popupText, 1, TextAlign::leading);
    }
  }
  canvas.endFrame();
}

void paintResultsPopup(Canvas& canvas, const FrameState& s, float width, float height, RenderCache& cache) {
  const float bottom = height - 6;  // lower edge of the list area
  canvas.clear(palette::cardFill);
  const float rowRight = width - 6;
  const int count = static_cast<int>(s.results.size());
  {
    const ClipScope clip(canvas, {0, 6, width, bottom});
    for (int i = 0; i < count; ++i) {
      const float top = static_cast<float>(i) * 80 + 6 - s.resultsScroll;
      if (top + 80 < 6 || top > bottom) continue;
      const MediaView& hit = s.results[i];
      if (i == s.resultsSelection)
        canvas.fillRound({6, top + 2, rowRight, top + 78}, 10, palette::white, 0.07f);
      const RectF thumb{14, top + 8, 128, top + 72};
      drawThumbnail(canvas, cache, hit.thumb, thumb, 8);
      drawDurationBadge(canvas, thumb, hit.durationSeconds);
      canvas.drawText(hit.title, TextFormat::label, {142, top + 12, rowRight - 12, top + 36},
                      palette::textPrimary, 1, TextAlign::leading);
      canvas.drawText(buildMetaLine(s, hit, true), TextFormat::small, {142, top + 38, rowRight - 12, top + 60},
                      palette::textMuted, 1, TextAlign::leading);
    }
  }

  const float content = static_cast<float>(count) * 80;
  const float view = bottom - 6;
  if (content > view && view > 0) {
    const float thumbLength = std::max(24.0f, view * view / content);
    const float largest = content - view;
    const float scroll = std::clamp(s.resultsScroll, 0.0f, largest);
    const float thumbTop = scroll / largest * (view - thumbLength) + 6;
    canvas.fillRound({width - 5, thumbTop, width - 2, thumbTop + thumbLength}, 1.5f, palette::white, 0.25f);
  }
  canvas.endFrame();
  cache.endFrame();
}

}  // namespace tarnwick
