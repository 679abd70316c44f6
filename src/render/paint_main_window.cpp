#include <algorithm>

#include "render/brand.h"
#include "render/painters.h"
#include "render/palette.h"

namespace tarnwick {

void paintHeader(Canvas& canvas, const FrameState& state, const MainLayout& o) {
  drawLogo(canvas, o.logoRect);
  canvas.drawText(brand::kProductName, TextFormat::brand, o.brandRect, palette::textPrimary, 1,
                  TextAlign::leading);
  canvas.fillRound(o.badgeRect, 9, palette::white, 0.05f);
  canvas.strokeRound(o.badgeRect, 9, palette::white, 0.12f, 1);
  canvas.drawText(brand::kBadge, TextFormat::badge, o.badgeRect, palette::textMuted, 1, TextAlign::center);

  const RectF& b = o.languageButtonRect;
  const bool active = state.hoverId == ElementId::language || state.langPopupOpen;
  canvas.fillRound(b, 12, palette::white, active ? 0.09f : 0.05f);
  canvas.strokeRound(b, 12, palette::white, active ? 0.20f : 0.10f, 1);
  canvas.drawIcon(Icon::globe, TextFormat::icon14, {b.left + 16, b.top, b.left + 32, b.bottom},
                  active ? palette::textPrimary : palette::textMuted, 1);
  canvas.drawText(uiField(state, fieldNativeName), TextFormat::label,
                  {b.left + 40, b.top, b.right - 30, b.bottom}, palette::textPrimary, 1, TextAlign::leading);
  canvas.drawIcon(Icon::chevron, TextFormat::icon10, {b.right - 30, b.top, b.right - 14, b.bottom},
                  palette::textMuted, 1);
}

void paintHeadline(Canvas& canvas, const FrameState& state, const MainLayout& o) {
  if (o.compactLevel >= 2) return;
  const Headline headline = buildHeadline(state);
  const RectF& rect = o.headlineRect;
  if (!headline.text.empty()) {
    const TextRun run =
        canvas.measureRun(headline.text, TextFormat::headline, headline.emphasisStart, headline.emphasisLength);
    const float cx = (rect.left + rect.right) / 2;
    const float cy = (rect.top + rect.bottom) / 2;
    const bool shrink = run.width > rect.width();  // too wide: shrink about the centre rather than cut
    if (shrink) canvas.pushScale(cx, cy, rect.width() / run.width);
    const float x = cx - run.width / 2;
    const float y = cy - run.height / 2;
    // The emphasised words are filled with the accent gradient.
    canvas.drawRun(headline.text, TextFormat::headline, x, y, palette::textPrimary, x + run.rangeLeft,
                   x + run.rangeRight);
    if (shrink) canvas.popTransform();
  }
  if (o.compactLevel == 0) {
    canvas.drawText(uiField(state, fieldSubtitle), TextFormat::subtitle, o.subtitleRect, palette::textMuted,
                    1, TextAlign::center);
  }
}

void paintFooter(Canvas& canvas, const FrameState& state, const MainLayout& o) {
  canvas.drawText(brand::kFooterNotice, TextFormat::small, o.footerTextRect, palette::textMuted, 0.8f,
                  TextAlign::leading);
  const bool hovered = state.hoverId == ElementId::footerLink;
  canvas.drawText(brand::kWebAddress, TextFormat::small, o.footerLinkRect,
                  hovered ? palette::textPrimary : palette::accentText, 1, TextAlign::leading);
  if (hovered) {
    const RectF& r = o.footerLinkRect;
    canvas.drawLine(r.left, r.bottom - 2.5f, r.right - 2, r.bottom - 2.5f, palette::textPrimary, 0.6f, 1);
  }
}

void paintFocusRing(Canvas& canvas, const FrameState& state, const MainLayout& o) {
  if (!state.focusVisible || state.focusId == ElementId::none || !state.mainWindowHasFocus) return;
  const auto target = focusRingRect(o, state.focusId);
  if (!target) return;
  const RectF r = target->inflated(3);
  canvas.strokeRound(r, std::min(16.0f, r.height() / 2), palette::white, 0.95f, 2);
}

void paintMainWindow(Canvas& canvas, const FrameState& state, const MainLayout& layout, RenderCache& cache) {
  // Background glows and card shadows come from the cache: they change only with the size.
  canvas.drawImage(cache.staticLayer(canvas, layout, state.preview.active), 0, 0, true);
  paintHeader(canvas, state, layout);
  paintHeadline(canvas, state, layout);
  paintMainCard(canvas, state, layout);
  paintPreviewCard(canvas, state, layout, cache);
  paintStatusCard(canvas, state, layout);
  paintLogCard(canvas, state, layout);
  paintFooter(canvas, state, layout);
  paintFocusRing(canvas, state, layout);
  canvas.endFrame();
  cache.endFrame();
}

}  // namespace tarnwick
