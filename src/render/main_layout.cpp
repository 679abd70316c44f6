#include "render/main_layout.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "pipeline/format_tables.h"
#include "render/brand.h"

namespace tarnwick {
namespace {

// Tops of the main card at the three compact levels.
constexpr float kCardTops[] = {156, 124, 70};
// The log card ends this far above the client's bottom; the footer lives there.
constexpr float kFooterSpace = 44;

struct Pass {
  const FrameState& state;
  const TextMeasure& measure;
  MainLayout& out;

  float w(int field, TextFormat format) const { return measure.measureText(uiField(state, field), format); }
  float w(std::wstring_view text, TextFormat format) const { return measure.measureText(text, format); }
};

void layoutHeader(const Pass& p) {
  MainLayout& o = p.out;
  const float L = o.contentLeft;
  const float R = o.contentRight;
  o.logoRect = {L, 18, L + 36, 54};
  o.brandRect = {L + 48, 18, L + 48 + p.w(brand::kProductName, TextFormat::brand), 54};
  const float badgeLeft = o.brandRect.right + 10;
  o.badgeRect = {badgeLeft, 27, badgeLeft + p.w(brand::kBadge, TextFormat::badge) + 16, 45};
  o.languageButtonRect = {R - (p.w(fieldNativeName, TextFormat::label) + 74), 19, R, 53};
  o.headlineRect = {L, 64, R, 112};
  o.subtitleRect = {L, 112, R, 136};
}

// Everything from the main card down, with the card's top at y0.
void layoutControls(const Pass& p, float y0) {
  MainLayout& o = p.out;
  const FrameState& s = p.state;
  const float L = o.contentLeft;
  const float R = o.contentRight;
  const float IL = L + 18;
  const float IR = R - 18;
  const float y1 = y0 + 84;

  const float action =
      std::max({176.0f, p.w(fieldDownload, TextFormat::label) + 68, p.w(fieldCancel, TextFormat::label) + 68,
                p.w(fieldSearch, TextFormat::label) + 68, p.w(fieldSearching, TextFormat::label) + 68});
  o.actionButtonRect = {IR - action, y0 + 18, IR, y0 + 68};
  o.linkFieldRect = {IL, y0 + 18, o.actionButtonRect.left - 10, y0 + 68};
  o.linkIconRect = {IL + 12, y0 + 18, IL + 38, y0 + 68};
  const float pasteRight = o.linkFieldRect.right - 8;
  o.pasteButtonRect = {pasteRight - (p.w(fieldPaste, TextFormat::small) + 48), y0 + 27, pasteRight, y0 + 59};
  o.linkEditRect = {IL + 44, y0 + 32, o.pasteButtonRect.left - 10, y0 + 54};

  o.videoModeRect = {IL, y1, IL + p.w(fieldVideo, TextFormat::label) + 60, y1 + 34};
  const float audioLeft = o.videoModeRect.right + 8;
  o.audioModeRect = {audioLeft, y1, audioLeft + p.w(fieldAudio, TextFormat::label) + 60, y1 + 34};
  o.playlistSwitchRect = {IR - 38, y1 + 7, IR, y1 + 27};
  o.playlistLabelRect = {o.playlistSwitchRect.left - 10 - p.w(fieldWholePlaylist, TextFormat::small), y1,
                         o.playlistSwitchRect.left - 8, y1 + 34};
  o.playlistHitRect = {o.playlistLabelRect.left - 6, y1, IR + 4, y1 + 34};

  o.formatChipCount = static_cast<int>(s.audioMode ? audioFormatCount : videoFormatCount);
  const float fb = layoutChipFlow(
      o.formatChipCount, [&](int i) { return formatChipLabel(s, i); }, IL, IR, y1 + 48, p.measure,
      o.formatChipRects.data());
  o.qualityLabelRect = {IL, fb + 16, IR, fb + 36};
  o.qualityChipCount = static_cast<int>(s.audioMode ? bitrateCount : qualityCount);
  const float qb = layoutChipFlow(
      o.qualityChipCount, [&](int i) { return qualityChipLabel(s, i); }, IL, IR, fb + 44, p.measure,
      o.qualityChipRects.data());

  o.saveToLabelRect = {IL, qb + 16, IR, qb + 36};
  o.openFolderRect = {IR - (p.w(fieldOpenFolder, TextFormat::label) + 56), qb + 44, IR, qb + 84};
  const float changeRight = o.openFolderRect.left - 8;
  o.changeFolderRect = {changeRight - (p.w(fieldChangeFolder, TextFormat::label) + 56), qb + 44, changeRight,
                        qb + 84};
  o.folderPathRect = {IL, qb + 44, o.changeFolderRect.left - 10, qb + 84};
  o.mainCardRect = {L, y0, R, qb + 102};

  if (s.preview.active) {
    const float pt = o.mainCardRect.bottom + 14;
    o.previewCardRect = {L, pt, R, pt + 127};
    o.thumbnailRect = {L + 14, pt + 14, L + 190, pt + 113};
    o.previewTitleRect = {L + 208, pt + 14, IR, pt + 60};
    o.previewChannelRect = {L + 208, pt + 62, IR, pt + 84};
    o.previewMetaRect = {L + 208, pt + 86, IR, pt + 108};
  }

  const float st = (s.preview.active ? o.previewCardRect.bottom : o.mainCardRect.bottom) + 14;
  o.statusCardRect = {L, st, R, st + 78};
  o.statusIconRect = {IL, st + 14, L + 42, st + 38};
  o.statusRightRect = {IR - (p.w(fieldShowInFolder, TextFormat::label) + 24), st + 14, IR, st + 38};
  o.statusTextRect = {L + 52, st + 14, o.statusRightRect.left - 12, st + 38};
  o.progressTrackRect = {IL, st + 52, IR, st + 60};

  const float g = st + 92;
  o.logCardRect = {L, g, R, std::max(o.clientHeightDip - kFooterSpace, g + 70)};
  o.logLabelRect = {IL, g + 10, L + 240, g + 32};
  o.clearLogRect = {R - 12 - (p.w(fieldClearLog, TextFormat::small) + 44), g + 8, R - 12, g + 34};
  o.logBoxRect = {L + 12, g + 40, R - 12, o.logCardRect.bottom - 12};
  o.logEditRect = {L + 24, g + 48, R - 18, o.logCardRect.bottom - 20};
}

void layoutFooter(const Pass& p) {
  MainLayout& o = p.out;
  const float H = o.clientHeightDip;
  const float notice = p.w(brand::kFooterNotice, TextFormat::small);
  const float link = p.w(brand::kWebAddress, TextFormat::small);
  const float x = std::floor((o.contentLeft + o.contentRight - notice - link) / 2);
  o.footerTextRect = {x, H - 34, x + notice, H - 12};
  o.footerLinkRect = {x + notice, H - 34, x + notice + link + 2, H - 12};
}

}  // namespace

std::wstring formatChipLabel(const FrameState& state, int i) {
  const auto row = static_cast<std::size_t>(i);
  if (i < 0 || row >= (state.audioMode ? audioFormatCount : videoFormatCount)) return {};
  return state.audioMode ? audioFormatTable[row].label : videoFormatTable[row].label;
}

std::wstring qualityChipLabel(const FrameState& state, int i) {
  const auto row = static_cast<std::size_t>(i);
  if (i < 0 || row >= (state.audioMode ? bitrateCount : qualityCount)) return {};
  if (state.audioMode) return std::to_wstring(bitrateTable[row]) + L"k";
  const std::optional<std::wstring>& label = qualityTable[row].label;
  return label ? *label : std::wstring(uiField(state, fieldBest));  // row 0, best available
}

MainLayout layoutMainWindow(const FrameState& state, float width, float height, const TextMeasure& measure) {
  MainLayout layout;
  layout.clientWidthDip = width;
  layout.clientHeightDip = height;
  const float columnWidth = std::min(780.0f, width - 56);
  layout.contentLeft = std::floor((width - columnWidth) / 2);
  layout.contentRight = layout.contentLeft + columnWidth;
  const Pass pass{state, measure, layout};
  layoutHeader(pass);
  for (int level = 0; level < 3; ++level) {
    layoutControls(pass, kCardTops[level]);
    layout.compactLevel = level;
    if (layout.logCardRect.height() >= mainLogCardMinimum) break;
  }
  layoutFooter(pass);
  return layout;
}

float minimumMainHeight(const FrameState& state, float width, const TextMeasure& measure) {
  const MainLayout compact = layoutMainWindow(state, width, 0, measure);
  return compact.logCardRect.top + mainLogCardMinimum + kFooterSpace;
}

ElementId hitTestMain(const MainLayout& o, const FrameState& s, float x, float y) {
  // The first enabled element under the point wins; a disabled one does not stop the scan.
  const auto hit = [&](const RectF& rect, ElementId id) {
    return rect.contains(x, y) && s.enabled.contains(id);
  };
  const std::pair<const RectF&, ElementId> before[] = {
      {o.languageButtonRect, ElementId::language}, {o.pasteButtonRect, ElementId::paste},
      {o.actionButtonRect, ElementId::download},   {o.videoModeRect, ElementId::videoMode},
      {o.audioModeRect, ElementId::audioMode},     {o.playlistHitRect, ElementId::playlist}};
  for (const auto& [rect, id] : before)
    if (hit(rect, id)) return id;
  for (int i = 0; i < o.formatChipCount; ++i)
    if (hit(o.formatChipRects[i], formatChipId(i))) return formatChipId(i);
  for (int i = 0; i < o.qualityChipCount; ++i)
    if (hit(o.qualityChipRects[i], qualityChipId(i))) return qualityChipId(i);
  const std::pair<const RectF&, ElementId> after[] = {{o.changeFolderRect, ElementId::changeFolder},
                                                      {o.openFolderRect, ElementId::openFolder},
                                                      {o.statusRightRect, ElementId::showInFolder},
                                                      {o.clearLogRect, ElementId::clearLog},
                                                      {o.footerLinkRect, ElementId::footerLink}};
  for (const auto& [rect, id] : after)
    if (hit(rect, id)) return id;
  return ElementId::none;
}

std::optional<RectF> focusRingRect(const MainLayout& o, ElementId id) {
  switch (id) {
    case ElementId::language:
      return o.languageButtonRect;
    case ElementId::paste:
      return o.pasteButtonRect;
    case ElementId::download:
      return o.actionButtonRect;
    case ElementId::videoMode:
      return o.videoModeRect;
    case ElementId::audioMode:
      return o.audioModeRect;
    case ElementId::playlist:
      return RectF{o.playlistLabelRect.left - 4, o.playlistSwitchRect.top - 4, o.playlistSwitchRect.right + 2,
                   o.playlistSwitchRect.bottom + 4};
    case ElementId::changeFolder:
      return o.changeFolderRect;
    case ElementId::openFolder:
      return o.openFolderRect;
    case ElementId::showInFolder:
      return o.statusRightRect;
    case ElementId::clearLog:
      return o.clearLogRect;
    case ElementId::footerLink:
      return o.footerLinkRect;
    default:
      break;
  }
  const int row = chipIndex(id);
  if (isFormatChip(id) && row < o.formatChipCount) return o.formatChipRects[row];
  if (isQualityChip(id) && row < o.qualityChipCount) return o.qualityChipRects[row];
  return std::nullopt;
}

}  // namespace tarnwick
