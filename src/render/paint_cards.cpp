#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/text.h"
#include "render/painters.h"
#include "render/palette.h"

namespace tarnwick {
namespace {

void paintStatusIcon(Canvas& canvas, int kind, const RectF& r) {
  switch (kind) {
    case 1:
      canvas.drawSpinner((r.left + r.right) / 2, (r.top + r.bottom) / 2, 9);
      break;
    case 2:
      canvas.drawIcon(Icon::done, TextFormat::icon20, r, palette::success, 1);
      break;
    case 3:
      canvas.drawIcon(Icon::error, TextFormat::icon20, r, palette::accentWarm, 1);
      break;
    case 4:
      canvas.drawIcon(Icon::cancel, TextFormat::icon16, r, palette::textMuted, 1);
      break;
    default:
      canvas.drawIcon(Icon::download, TextFormat::icon20, r, palette::textMuted, 1);
      break;
  }
}

std::uint32_t statusTextColour(int kind) {
  switch (kind) {
    case 1:
    case 2:
      return palette::textPrimary;
    case 3:
      return palette::errorText;
    default:
      return palette::textMuted;
  }
}

void paintProgress(Canvas& canvas, const FrameState& s, const MainLayout& o) {
  const RectF& track = o.progressTrackRect;
  canvas.fillRound(track, 4, palette::white, 0.07f);
  const float T = track.width();
  if (s.statusKind == 1 && s.progress < 0) {
    const float S = 0.28f * T;
    const double t = static_cast<double>(canvas.clock() % 1400) / 1400.0;
    const float x = track.left + static_cast<float>(0.5 - std::cos(t * 2 * std::numbers::pi) * 0.5) * (T - S);
    canvas.fillAccentGradient({x, track.top, x + S, track.bottom}, 4);
    return;
  }
  float F = 0;
  if (s.statusKind == 1 && s.progress > 0) {
    F = std::max(8.0f, static_cast<float>(std::min(s.progress, 100.0)) / 100.0f * T);
  } else if (s.statusKind == 2) {
    F = T;
  }
  if (F <= 0) return;
  const RectF fill{track.left, track.top, track.left + F, track.bottom};
  canvas.drawGlow(fill, 4, palette::accent, 0.25f, 2);
  canvas.fillAccentGradientSpan(fill, 4, track.left, track.right);
  if (s.statusKind == 1) {
    const double t = static_cast<double>(canvas.clock() % 1600);
    const float c = static_cast<float>((F + 160) * t / 1600 + (track.left - 80));
    canvas.fillSheen(fill, 4, c);
  }
}

}  // namespace

void paintPreviewCard(Canvas& canvas, const FrameState& s, const MainLayout& o, RenderCache& cache) {
  const PreviewView& p = s.preview;
  if (!p.active) return;
  drawThumbnail(canvas, cache, p.thumb, o.thumbnailRect, 10, p.thumbnailPending);
  drawDurationBadge(canvas, o.thumbnailRect, p.durationSeconds);
  const RectF& title = o.previewTitleRect;
  if (p.unavailable) {
    canvas.drawIcon(Icon::error, TextFormat::icon20, {title.left, title.top, title.left + 24, title.top + 26},
                    palette::accentWarm, 1);
    canvas.drawText(uiField(s, fieldVideoUnavailable), TextFormat::body,
                    {title.left + 32, title.top, title.right, title.top + 26}, palette::errorText, 1,
                    TextAlign::leading);
    return;
  }
  if (p.title.empty()) {
    drawShimmer(canvas, {title.left, title.top + 4, title.left + 0.8f * title.width(), title.top + 20}, 5);
  } else {
    canvas.drawText(p.title, TextFormat::previewTitle, title, palette::textPrimary, 1, TextAlign::leading,
                    true);
  }
  const RectF& channel = o.previewChannelRect;
  if (p.channel.empty()) {
    if (p.titlePending) {
      drawShimmer(canvas,
                  {channel.left, channel.top + 5, channel.left + 0.35f * channel.width(), channel.bottom - 5},
                  5);
    }
  } else {
    canvas.drawIcon(Icon::person, TextFormat::icon14,
                    {channel.left, channel.top, channel.left + 16, channel.bottom}, palette::textMuted, 1);
    canvas.drawText(p.channel, TextFormat::small,
                    {channel.left + 24, channel.top, channel.right, channel.bottom}, palette::textMuted, 1,
                    TextAlign::leading);
  }
  const RectF& meta = o.previewMetaRect;
  const std::wstring line = buildMetaLine(s, p, false);
  if (line.empty()) {
    if (p.detailsPending) {
      drawShimmer(canvas, {meta.left, meta.top + 5, meta.left + 0.25f * meta.width(), meta.bottom - 5}, 5);
    }
  } else {
    canvas.drawText(line, TextFormat::small, meta, palette::textMuted, 0.9f, TextAlign::leading);
  }
}

void paintStatusCard(Canvas& canvas, const FrameState& s, const MainLayout& o) {
  paintStatusIcon(canvas, s.statusKind, o.statusIconRect);
  canvas.drawText(buildStatusText(s), TextFormat::body, o.statusTextRect, statusTextColour(s.statusKind), 1,
                  TextAlign::leading);
  if (s.statusKind == 1 && s.progress >= 0) {
    const std::wstring percent = formatFixed(s.progress, 0) + L" %";
    canvas.drawText(percent, TextFormat::statusTitle, o.statusRightRect, palette::textPrimary, 1,
                    TextAlign::trailing);
  } else if (s.enabled.contains(ElementId::showInFolder)) {  // a finished download with its file
    canvas.drawText(uiField(s, fieldShowInFolder), TextFormat::label, o.statusRightRect,
                    s.hoverId == ElementId::showInFolder ? palette::textPrimary : palette::accentText, 1,
                    TextAlign::trailing);
  }
  paintProgress(canvas, s, o);
}

void paintLogCard(Canvas& canvas, const FrameState& s, const MainLayout& o) {
  canvas.drawText(uiField(s, fieldLogCaption), TextFormat::section, o.logLabelRect, palette::textMuted, 0.85f,
                  TextAlign::leading);
  const bool hovered = s.hoverId == ElementId::clearLog;
  canvas.drawIconLabel(o.clearLogRect, Icon::clearLog, uiField(s, fieldClearLog), TextFormat::small,
                       hovered ? palette::textPrimary : palette::textMuted, hovered ? 1.0f : 0.8f);
}

}  // namespace tarnwick
