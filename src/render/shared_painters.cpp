#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/text.h"
#include "lookup/number_format.h"
#include "render/painters.h"
#include "render/palette.h"

namespace tarnwick {
namespace {

// The shimmer pulses between this alpha and twice it; a placeholder that waits for nothing stays
// at this.
constexpr float shimmerBaseAlpha = 0.05f;

constexpr std::wstring_view kSeparator = L"  ·  ";
constexpr wchar_t kLeftToRightIsolate = 0x2066;
constexpr wchar_t kRightToLeftIsolate = 0x2067;
constexpr wchar_t kFirstStrongIsolate = 0x2068;
constexpr wchar_t kPopIsolate = 0x2069;
constexpr wchar_t kRightToLeftMark = 0x200F;

std::wstring resolutionLabel(int height) {
  if (height >= 4320) return L"8K";
  if (height >= 2160) return L"4K";
  if (height >= 1440) return L"2K";
  return std::to_wstring(height) + L"p";
}

}  // namespace

ElementLook lookOf(const FrameState& state, ElementId id) {
  ElementLook look;
  look.enabled = state.enabled.contains(id);
  look.hovered = look.enabled && state.hoverId == id;
  look.pressed = look.hovered && state.pressedId == id;
  look.opacity = look.enabled ? 1.0f : 0.4f;
  return look;
}

void drawGhostButton(Canvas& canvas, const RectF& rect, float radius, std::optional<Icon> icon,
                     std::wstring_view text, TextFormat format, const ElementLook& look, bool danger) {
  const float fill = (danger ? 0.08f : 0.05f) + (look.hovered ? 0.05f : 0) + (look.pressed ? 0.04f : 0);
  canvas.fillRound(rect, radius, danger ? palette::accentWarm : palette::white, fill);
  if (danger) {
    canvas.strokeRound(rect, radius, palette::accentWarm, 0.55f, 1);
  } else {
    canvas.strokeRound(rect, radius, palette::white, (look.hovered ? 0.20f : 0.10f) * look.opacity, 1);
  }
  const std::uint32_t content = danger         ? palette::accentWarm
                                : look.hovered ? palette::textPrimary
                                               : palette::textMuted;
  canvas.drawIconLabel(rect, icon, text, format, content, look.opacity);
}

void drawPill(Canvas& canvas, const RectF& rect, std::optional<Icon> icon, std::wstring_view text,
              const ElementLook& look, bool selected) {
  const float radius = rect.height() / 2;
  if (selected && look.enabled) {
    canvas.drawGlow(rect, radius, palette::accent, 0.32f, 5);
    canvas.fillAccentGradient(rect, radius);
    canvas.drawIconLabel(rect, icon, text, TextFormat::label, palette::white, 1);
  } else if (selected) {
    canvas.fillAccentGradient(rect, radius);
    canvas.fillRound(rect, radius, palette::cardFill, 0.55f);
    canvas.drawIconLabel(rect, icon, text, TextFormat::label, palette::white, 0.6f);
  } else {
    canvas.fillRound(rect, radius, palette::white, look.hovered ? 0.10f : 0.05f);
    canvas.strokeRound(rect, radius, palette::white, look.hovered ? 0.20f : 0.10f, 1);
    canvas.drawIconLabel(rect, icon, text, TextFormat::label,
                         look.hovered ? palette::textPrimary : palette::textMuted,
                         look.enabled ? 1.0f : 0.35f);
  }
}

void drawShimmer(Canvas& canvas, const RectF& rect, float radius) {
  const double t = static_cast<double>(canvas.clock() % 1200) / 1200.0;
  const float alpha =
      static_cast<float>((std::sin(t * 2 * std::numbers::pi) * 0.5 + 0.5) * 0.05) + shimmerBaseAlpha;
  canvas.fillRound(rect, radius, palette::white, alpha);
}

void drawThumbnail(Canvas& canvas, RenderCache& cache, const ThumbView& thumb, const RectF& rect,
                   float radius, bool pictureMayCome) {
  const CanvasImage* picture = cache.thumbnail(canvas, thumb, rect, radius);
  if (!picture) {
    if (pictureMayCome) {
      drawShimmer(canvas, rect, radius);
    } else {
      canvas.fillRound(rect, radius, palette::white, shimmerBaseAlpha);
    }
    return;
  }
  canvas.drawImage(*picture, rect.left, rect.top);
}

void drawDurationBadge(Canvas& canvas, const RectF& rect, double seconds) {
  if (!(seconds > 0)) return;
  const std::wstring text = formatDuration(seconds);
  const float w = canvas.text().measureText(text, TextFormat::badgeSmall);
  const RectF badge{rect.right - 5 - (w + 10), rect.bottom - 5 - 18, rect.right - 5, rect.bottom - 5};
  canvas.fillRound(badge, 5, palette::black, 0.78f);
  canvas.drawText(text, TextFormat::badgeSmall, badge, palette::white, 1, TextAlign::center);
}

void drawLogo(Canvas& canvas, const RectF& rect) {
  const float u = rect.width() / 100;
  canvas.fillAccentRound(rect, 24 * u, {rect.left, rect.top}, {rect.right, rect.bottom});
  canvas.fillTriangle({rect.left + 42 * u, rect.top + 31 * u}, {rect.left + 42 * u, rect.top + 69 * u},
                      {rect.left + 71 * u, rect.top + 50 * u}, palette::white, 1);
}

std::wstring buildMetaLine(const FrameState& state, const MediaView& info, bool withChannel) {
  // Each part is isolated so that its neighbours cannot reorder it: next to an Arabic channel
  // name a bare "4K" would otherwise break into "4" and "K" on either side of the separator.
  const bool rightToLeft = isRightToLeftText(uiField(state, fieldNativeName));
  std::wstring line;
  auto add = [&line](std::wstring_view part, wchar_t isolate) {
    if (!line.empty()) line += kSeparator;
    line.append(1, isolate).append(part).append(1, kPopIsolate);
  };
  if (withChannel && !info.channel.empty()) add(info.channel, kFirstStrongIsolate);
  if (info.viewCount >= 0) {
    add(replacePlaceholder(uiField(state, fieldViews), formatCount(info.viewCount)),
        rightToLeft ? kRightToLeftIsolate : kLeftToRightIsolate);
  }
  if (info.height > 0) add(resolutionLabel(info.height), kLeftToRightIsolate);
  // The line reads in the language's direction even when it starts with a Latin channel name or
  // a number ("{0} مشاهدة").
  if (rightToLeft && !line.empty()) line.insert(line.begin(), kRightToLeftMark);
  return line;
}

std::wstring buildStatusText(const FrameState& state) {
  return statusLineIn(state.language, state.statusId, state.statusDetail);
}

Headline buildHeadline(const FrameState& state) {
  const std::wstring_view first = uiField(state, fieldHeadlineStart);
  const std::wstring_view emphasis = uiField(state, fieldHeadlineEmphasis);
  const std::wstring_view last =
      state.text[fieldHeadlineEnd].data() ? uiField(state, fieldHeadlineEnd) : std::wstring_view(L".");
  Headline headline;
  headline.text.append(first).append(emphasis).append(last);
  headline.emphasisStart = first.size();
  headline.emphasisLength = emphasis.size();
  return headline;
}

}  // namespace tarnwick
