#include <pango/pangocairo.h>

#include <algorithm>

#include "base/text.h"
#include "render/brand.h"
#include "render/painters.h"
#include "render/palette.h"

namespace tarnwick {
namespace {

// Draws `layout` at (x, y) twice: in the text colour outside [x0, x1] and with the accent
// gradient inside it, so the emphasised words are filled with the gradient.
void showWithEmphasis(cairo_t* cr, PangoLayout* layout, double x, double y, double x0, double x1,
                      const RectF& bounds) {
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, bounds.left - bounds.width(), bounds.top - 100, x0 - (bounds.left - bounds.width()),
                  bounds.height() + 200);
  cairo_rectangle(cr, x1, bounds.top - 100, bounds.right + bounds.width() - x1, bounds.height() + 200);
  cairo_clip(cr);
  cairo_set_source_rgb(cr, 0xEE / 255.0, 0xF0 / 255.0, 0xF7 / 255.0);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
  if (x1 <= x0) return;
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, x0, bounds.top - 100, x1 - x0, bounds.height() + 200);
  cairo_clip(cr);
  cairo_pattern_t* gradient = cairo_pattern_create_linear(x0, 0, x1, 0);
  cairo_pattern_add_color_stop_rgb(gradient, 0, 0x7C / 255.0, 0x5C / 255.0, 1.0);
  cairo_pattern_add_color_stop_rgb(gradient, 1, 1.0, 0x4D / 255.0, 0x6D / 255.0);
  cairo_set_source(cr, gradient);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout);
  cairo_pattern_destroy(gradient);
  cairo_restore(cr);
}

}  // namespace

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
    PangoLayout* layout = canvas.text().freeLayout(headline.text, TextFormat::headline);
    PangoRectangle logical{};
    pango_layout_get_extents(layout, nullptr, &logical);
    const double width = static_cast<double>(logical.width) / PANGO_SCALE;
    const double height = static_cast<double>(logical.height) / PANGO_SCALE;
    // The emphasised range's horizontal extent, in layout coordinates.
    double x0 = 0;
    double x1 = 0;
    if (headline.emphasisLength > 0) {
      const int startByte = static_cast<int>(
          wideToUtf8(std::wstring_view(headline.text).substr(0, headline.emphasisStart)).size());
      const int endByte =
          startByte +
          static_cast<int>(
              wideToUtf8(
                  std::wstring_view(headline.text).substr(headline.emphasisStart, headline.emphasisLength))
                  .size());
      int* ranges = nullptr;
      int count = 0;
      pango_layout_line_get_x_ranges(pango_layout_get_line_readonly(layout, 0), startByte, endByte, &ranges,
                                     &count);
      if (count > 0) {
        x0 = ranges[0];
        x1 = ranges[1];
        for (int i = 1; i < count; ++i) {
          x0 = std::min<double>(x0, ranges[2 * i]);
          x1 = std::max<double>(x1, ranges[2 * i + 1]);
        }
        x0 /= PANGO_SCALE;
        x1 /= PANGO_SCALE;
      }
      g_free(ranges);
    }
    cairo_t* cr = canvas.cairo();
    cairo_save(cr);
    const double cx = (rect.left + rect.right) / 2.0;
    const double cy = (rect.top + rect.bottom) / 2.0;
    if (width > rect.width()) {  // too wide: shrink about the centre rather than cut
      const double s = rect.width() / width;
      cairo_translate(cr, cx, cy);
      cairo_scale(cr, s, s);
      cairo_translate(cr, -cx, -cy);
    }
    const double x = cx - width / 2;
    const double y = cy - height / 2;
    showWithEmphasis(cr, layout, x, y, x + x0, x + x1, rect);
    cairo_restore(cr);
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
  cairo_t* cr = canvas.cairo();
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  canvas.paintSurface(cache.staticLayer(canvas, layout, state.preview.active), 0, 0);
  cairo_restore(cr);
  paintHeader(canvas, state, layout);
  paintHeadline(canvas, state, layout);
  paintMainCard(canvas, state, layout);
  paintPreviewCard(canvas, state, layout, cache);
  paintStatusCard(canvas, state, layout);
  paintLogCard(canvas, state, layout);
  paintFooter(canvas, state, layout);
  paintFocusRing(canvas, state, layout);
  canvas.text().endFrame();
  cache.endFrame();
}

}  // namespace tarnwick
