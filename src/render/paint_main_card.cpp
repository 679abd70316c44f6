#include <cmath>

#include "pipeline/format_tables.h"
#include "render/painters.h"
#include "render/palette.h"

namespace tarnwick {
namespace {

bool losslessAudio(const FrameState& s) {
  return s.audioMode && s.audioFormat >= 0 && s.audioFormat < static_cast<int>(audioFormatCount) &&
         audioFormatTable[static_cast<std::size_t>(s.audioFormat)].lossless;
}

void paintLinkField(Canvas& canvas, const FrameState& s, const MainLayout& o) {
  const bool focused = s.linkBoxFocused && s.jobState != 2;
  if (focused) canvas.drawGlow(o.linkFieldRect, 12, palette::accent, 0.25f, 0);
  canvas.fillRound(o.linkFieldRect, 12, palette::fieldFill, 1);
  canvas.strokeRound(o.linkFieldRect, 12, focused ? palette::accent : palette::white, focused ? 0.9f : 0.10f,
                     1);
  canvas.drawIcon(s.searchMode ? Icon::search : Icon::link, TextFormat::icon16, o.linkIconRect,
                  s.linkBoxFocused ? palette::textPrimary : palette::textMuted, 1);
  drawGhostButton(canvas, o.pasteButtonRect, 10, Icon::paste, uiField(s, fieldPaste), TextFormat::small,
                  lookOf(s, ElementId::paste), false);
}

void paintActionButton(Canvas& canvas, const FrameState& s, const MainLayout& o) {
  const RectF& rect = o.actionButtonRect;
  const ElementLook look = lookOf(s, ElementId::download);
  if (s.jobState == 2 || s.pendingRequest) {
    drawGhostButton(canvas, rect, 14, Icon::cancel, uiField(s, fieldCancel), TextFormat::label, look, true);
    return;
  }
  if (s.searching) {
    canvas.fillAccentGradient(rect, 14);
    canvas.fillRound(rect, 14, palette::black, 0.2f);
    const std::wstring_view text = uiField(s, fieldSearching);
    const float w = canvas.text().measureText(text, TextFormat::label);
    const float x0 = std::floor((rect.left + rect.right - (w + 24)) / 2);
    canvas.drawSpinner(x0 + 8, (rect.top + rect.bottom) / 2, 7);
    canvas.drawText(text, TextFormat::label, {x0 + 24, rect.top, x0 + 26 + w, rect.bottom}, palette::white, 1,
                    TextAlign::leading);
    return;
  }
  canvas.drawGlow(rect, 14, palette::accent, look.hovered ? 0.6f : 0.42f, 8);
  canvas.fillAccentGradient(rect, 14);
  if (look.hovered) {
    canvas.fillRound(rect, 14, look.pressed ? palette::black : palette::white, look.pressed ? 0.08f : 0.10f);
  }
  if (s.searchMode) {
    canvas.drawIconLabel(rect, Icon::search, uiField(s, fieldSearch), TextFormat::label, palette::white, 1);
  } else {
    canvas.drawIconLabel(rect, Icon::download, uiField(s, fieldDownload), TextFormat::label, palette::white,
                         1);
  }
}

void paintPlaylistToggle(Canvas& canvas, const FrameState& s, const MainLayout& o) {
  const ElementLook look = lookOf(s, ElementId::playlist);
  canvas.drawText(uiField(s, fieldWholePlaylist), TextFormat::small, o.playlistLabelRect,
                  look.hovered || s.wholePlaylist ? palette::textPrimary : palette::textMuted, look.opacity,
                  TextAlign::trailing);
  const RectF& sw = o.playlistSwitchRect;
  if (s.wholePlaylist) {
    canvas.fillAccentGradient(sw, 10);
    if (!look.enabled) canvas.fillRound(sw, 10, palette::cardFill, 0.5f);
  } else {
    canvas.fillRound(sw, 10, palette::white, look.hovered ? 0.14f : 0.08f);
    canvas.strokeRound(sw, 10, palette::white, 0.14f, 1);
  }
  const float knobX = s.wholePlaylist ? sw.right - 10 : sw.left + 10;
  canvas.fillCircle(knobX, (sw.top + sw.bottom) / 2, 7, s.wholePlaylist ? palette::white : palette::textMuted,
                    look.opacity);
}

void paintChips(Canvas& canvas, const FrameState& s, const MainLayout& o) {
  for (int i = 0; i < o.formatChipCount; ++i) {
    const bool selected = i == (s.audioMode ? s.audioFormat : s.videoFormat);
    drawPill(canvas, o.formatChipRects[i], std::nullopt, formatChipLabel(s, i), lookOf(s, formatChipId(i)),
             selected);
  }
  std::wstring caption(uiField(s, fieldQualityCaption));
  if (losslessAudio(s)) {
    caption += L"  ·  ";
    caption += uiField(s, fieldLossless);
  }
  canvas.drawText(caption, TextFormat::section, o.qualityLabelRect, palette::textMuted, 0.85f,
                  TextAlign::leading);
  for (int i = 0; i < o.qualityChipCount; ++i) {
    const bool selected = i == (s.audioMode ? s.bitrate : s.quality);
    drawPill(canvas, o.qualityChipRects[i], std::nullopt, qualityChipLabel(s, i), lookOf(s, qualityChipId(i)),
             selected);
  }
}

void paintFolderRow(Canvas& canvas, const FrameState& s, const MainLayout& o) {
  canvas.drawText(uiField(s, fieldSaveToCaption), TextFormat::section, o.saveToLabelRect, palette::textMuted,
                  0.85f, TextAlign::leading);
  const RectF& box = o.folderPathRect;
  canvas.fillRound(box, 12, palette::fieldFill, 1);
  canvas.strokeRound(box, 12, palette::white, 0.10f, 1);
  canvas.drawIcon(Icon::folder, TextFormat::icon16, {box.left + 12, box.top, box.left + 38, box.bottom},
                  palette::textMuted, 1);
  canvas.drawText(s.folder, TextFormat::body, {box.left + 44, box.top, box.right - 14, box.bottom},
                  palette::textPrimary, s.jobState == 2 ? 0.6f : 1.0f, TextAlign::leading);
  drawGhostButton(canvas, o.changeFolderRect, 12, Icon::changeFolder, uiField(s, fieldChangeFolder),
                  TextFormat::label, lookOf(s, ElementId::changeFolder), false);
  drawGhostButton(canvas, o.openFolderRect, 12, Icon::openFolder, uiField(s, fieldOpenFolder),
                  TextFormat::label, lookOf(s, ElementId::openFolder), false);
}

}  // namespace

void paintMainCard(Canvas& canvas, const FrameState& s, const MainLayout& o) {
  paintLinkField(canvas, s, o);
  paintActionButton(canvas, s, o);
  drawPill(canvas, o.videoModeRect, Icon::video, uiField(s, fieldVideo), lookOf(s, ElementId::videoMode),
           !s.audioMode);
  drawPill(canvas, o.audioModeRect, Icon::audio, uiField(s, fieldAudio), lookOf(s, ElementId::audioMode),
           s.audioMode);
  paintPlaylistToggle(canvas, s, o);
  paintChips(canvas, s, o);
  paintFolderRow(canvas, s, o);
}

}  // namespace tarnwick
