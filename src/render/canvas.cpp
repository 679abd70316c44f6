// The composites of Canvas: drawn with its primitives, so the same on every backend.
#include "render/canvas.h"

#include <cmath>
#include <numbers>

#include "render/palette.h"

namespace tarnwick {

void Canvas::drawIcon(Icon icon, TextFormat format, const RectF& rect, std::uint32_t rgb, float alpha) {
  const wchar_t glyph[2] = {iconGlyph(icon, iconSet()), 0};
  drawText(std::wstring_view(glyph, 1), format, rect, rgb, alpha, TextAlign::center);
}

void Canvas::drawIconLabel(const RectF& rect, std::optional<Icon> icon, std::wstring_view text,
                           TextFormat format, std::uint32_t rgb, float alpha) {
  const float textWidth = this->text().measureText(text, format);
  const float iconWidth = icon ? 16.0f : 0.0f;
  const float gap = icon ? 8.0f : 0.0f;
  const float x0 = std::floor((rect.left + rect.right - (iconWidth + gap + textWidth)) / 2);
  if (icon) drawIcon(*icon, TextFormat::icon14, {x0, rect.top, x0 + 16, rect.bottom}, rgb, alpha);
  const float textLeft = x0 + iconWidth + gap;
  drawText(text, format, {textLeft, rect.top, textLeft + textWidth + 2, rect.bottom}, rgb, alpha,
           TextAlign::leading);
}

void Canvas::drawCard(const RectF& rect, float radius) {
  for (int i = 6; i >= 1; --i) {
    const float d = 4.0f * i;
    fillRound({rect.left - d, rect.top - d + 14, rect.right + d, rect.bottom + d + 14}, radius + d,
              palette::black, 0.07f);
  }
  fillRound(rect, radius, palette::cardFill, 1.0f);
  strokeRound(rect, radius, palette::white, 0.08f, 1.0f);
}

void Canvas::drawGlow(const RectF& rect, float radius, std::uint32_t rgb, float alpha, float yOffset) {
  for (int i = 10; i >= 1; --i) {
    const float d = 1.8f * i;
    fillRound({rect.left - d + 3, rect.top - d + yOffset, rect.right + d - 3, rect.bottom + d + yOffset},
              radius + d, rgb, alpha / 10);
  }
}

void Canvas::fillAccentGradient(const RectF& rect, float radius) {
  const double inset = 0.2 * rect.height();
  fillAccentRound(rect, radius, {rect.left, static_cast<float>(rect.top + inset)},
                  {rect.right, static_cast<float>(rect.bottom - inset)});
}

void Canvas::fillAccentGradientSpan(const RectF& rect, float radius, float fromX, float toX) {
  fillAccentRound(rect, radius, {fromX, rect.top}, {toX, rect.top});
}

void Canvas::drawSpinner(float cx, float cy, float r) {
  constexpr double kTwoPi = 2 * std::numbers::pi;
  const double a0 = static_cast<double>(clock_ % 900) / 900.0 * kTwoPi;
  strokeCircle(cx, cy, r, palette::white, 0.10f, 2.5f);
  strokeAccentArc(cx, cy, r, a0, a0 + 4.3, 2.5f);
}

}  // namespace tarnwick
