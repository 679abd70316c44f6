// Layout and hit test of the main window, with a measure of fixed width per character so that the
// geometry is known exactly.
#include "render/main_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

#include "frame_fixtures.h"
#include "render/brand.h"

namespace tarnwick {
namespace {

using test::englishState;

class CharMeasure final : public TextMeasure {
 public:
  float measureText(std::wstring_view text, TextFormat) const override {
    auto special = widths.find(std::wstring(text));
    if (special != widths.end()) return special->second;
    return 7.0f * static_cast<float>(text.size());
  }
  std::map<std::wstring, float> widths;
};

TEST(MainLayout, ColumnIsCentredAndAtMost780Wide) {
  const CharMeasure measure;
  const FrameState state = englishState();
  MainLayout o = layoutMainWindow(state, 836, 860, measure);
  EXPECT_EQ(o.contentLeft, 28);
  EXPECT_EQ(o.contentRight - o.contentLeft, 780);
  o = layoutMainWindow(state, 500, 860, measure);
  EXPECT_EQ(o.contentLeft, 28);
  EXPECT_EQ(o.contentRight - o.contentLeft, 444);
  o = layoutMainWindow(state, 1200, 860, measure);
  EXPECT_EQ(o.contentLeft, 210);
  EXPECT_EQ(o.contentRight, 990);
  // Narrower than the margins: the column collapses, nothing else happens.
  o = layoutMainWindow(state, 40, 300, measure);
  EXPECT_LT(o.contentRight - o.contentLeft, 0);
}

TEST(MainLayout, CompactLevelsDropSubtitleThenHeadlineAsHeightShrinks) {
  const CharMeasure measure;
  const FrameState state = englishState();
  const MainLayout tall = layoutMainWindow(state, 900, 860, measure);
  EXPECT_EQ(tall.compactLevel, 0);
  EXPECT_EQ(tall.mainCardRect.top, 156);
  EXPECT_GE(tall.logCardRect.height(), 100);
  // The log card ends 44 DIPs above the bottom; find the heights where each level takes over.
  const float logTop0 = tall.logCardRect.top;
  const MainLayout level1 = layoutMainWindow(state, 900, logTop0 + 44 + 99, measure);
  EXPECT_EQ(level1.compactLevel, 1);
  EXPECT_EQ(level1.mainCardRect.top, 124);
  EXPECT_GE(level1.logCardRect.height(), 100);
  const MainLayout level2 = layoutMainWindow(state, 900, logTop0 - 32 + 44 + 99, measure);
  EXPECT_EQ(level2.compactLevel, 2);
  EXPECT_EQ(level2.mainCardRect.top, 70);
  // At the extreme the log card keeps 70 DIPs whatever the height and runs over the footer.
  const MainLayout tiny = layoutMainWindow(state, 900, 200, measure);
  EXPECT_EQ(tiny.compactLevel, 2);
  EXPECT_EQ(tiny.logCardRect.height(), 70);
  EXPECT_GT(tiny.logCardRect.bottom, tiny.footerTextRect.top);
}

// The shell scrolls the page below this height instead of squeezing the log under the footer.
TEST(MainLayout, MinimumHeightIsTheLeastWhereTheLogFitsAboveTheFooter) {
  const CharMeasure measure;
  for (bool preview : {false, true}) {
    for (float width : {700.0f, 900.0f}) {
      FrameState state = englishState();
      state.preview.active = preview;
      const float minimum = minimumMainHeight(state, width, measure);
      const MainLayout fits = layoutMainWindow(state, width, minimum, measure);
      EXPECT_GE(fits.logCardRect.height(), mainLogCardMinimum) << preview << " " << width;
      EXPECT_LE(fits.logCardRect.bottom, fits.footerTextRect.top) << preview << " " << width;
      const MainLayout shorter = layoutMainWindow(state, width, minimum - 1, measure);
      EXPECT_LT(shorter.logCardRect.height(), mainLogCardMinimum) << preview << " " << width;
    }
  }
}

TEST(MainLayout, PreviewCardPushesStatusAndLogDown) {
  const CharMeasure measure;
  FrameState state = englishState();
  const MainLayout without = layoutMainWindow(state, 900, 1000, measure);
  state.preview.active = true;
  const MainLayout with = layoutMainWindow(state, 900, 1000, measure);
  EXPECT_EQ(with.previewCardRect.top, with.mainCardRect.bottom + 14);
  EXPECT_EQ(with.previewCardRect.height(), 127);
  EXPECT_EQ(with.thumbnailRect.width(), 176);
  EXPECT_EQ(with.thumbnailRect.height(), 99);
  EXPECT_EQ(with.statusCardRect.top, with.previewCardRect.bottom + 14);
  EXPECT_EQ(with.statusCardRect.top - without.statusCardRect.top, 141);
  EXPECT_EQ(with.logCardRect.top, with.statusCardRect.top + 92);
}

TEST(MainLayout, ChipFlowWrapsAndNeverLoopsOnAWideChip) {
  CharMeasure measure;
  std::array<RectF, 10> rects{};
  auto label = [](int) { return std::wstring(L"abcdefghij"); };  // 70 + 30 = 100 wide
  float bottom = layoutChipFlow(3, label, 0, 320, 10, measure, rects.data());
  EXPECT_EQ(rects[0], (RectF{0, 10, 100, 42}));
  EXPECT_EQ(rects[1], (RectF{108, 10, 208, 42}));
  EXPECT_EQ(rects[2], (RectF{216, 10, 316, 42}));
  EXPECT_EQ(bottom, 42);
  bottom = layoutChipFlow(4, label, 0, 320, 10, measure, rects.data());
  EXPECT_EQ(rects[3], (RectF{0, 50, 100, 82}));
  EXPECT_EQ(bottom, 82);
  // Each chip wider than the row starts its own row and overflows to the right.
  auto wide = [](int) { return std::wstring(60, L'x'); };
  bottom = layoutChipFlow(2, wide, 0, 100, 0, measure, rects.data());
  EXPECT_EQ(rects[0], (RectF{0, 0, 450, 32}));
  EXPECT_EQ(rects[1], (RectF{0, 40, 450, 72}));
  EXPECT_EQ(bottom, 72);
  EXPECT_EQ(layoutChipFlow(0, label, 0, 100, 25, measure, rects.data()), 57);
}

TEST(MainLayout, AudioModeHasEightFormatsAndSixBitrates) {
  const CharMeasure measure;
  FrameState state = englishState();
  state.audioMode = true;
  MainLayout o = layoutMainWindow(state, 900, 860, measure);
  EXPECT_EQ(o.formatChipCount, 8);
  EXPECT_EQ(o.qualityChipCount, 6);
  EXPECT_EQ(formatChipLabel(state, 0), L"MP3");
  EXPECT_EQ(formatChipLabel(state, 7), L"WMA");
  EXPECT_EQ(qualityChipLabel(state, 0), L"320k");
  EXPECT_EQ(qualityChipLabel(state, 5), L"64k");
  EXPECT_EQ(qualityChipLabel(state, 6), L"");  // past the table: no chip, no "0k"
  EXPECT_EQ(formatChipLabel(state, 8), L"");
  state.audioMode = false;
  o = layoutMainWindow(state, 900, 860, measure);
  EXPECT_EQ(o.formatChipCount, 10);
  EXPECT_EQ(o.qualityChipCount, 10);
  EXPECT_EQ(qualityChipLabel(state, 0), L"Best");
  EXPECT_EQ(qualityChipLabel(state, 4), L"1080p");
  EXPECT_EQ(formatChipLabel(state, 9), L"WMV");
  EXPECT_EQ(formatChipLabel(state, -1), L"");
  EXPECT_EQ(qualityChipLabel(state, 10), L"");
}

TEST(MainLayout, NarrowColumnWrapsChipsAndGrowsTheCard) {
  const CharMeasure measure;
  const FrameState state = englishState();
  const MainLayout wide = layoutMainWindow(state, 900, 1200, measure);
  const MainLayout narrow = layoutMainWindow(state, 420, 1200, measure);
  EXPECT_EQ(wide.formatChipRects[9].top, wide.formatChipRects[0].top);
  EXPECT_GT(narrow.formatChipRects[9].top, narrow.formatChipRects[0].top);
  EXPECT_GT(narrow.mainCardRect.height(), wide.mainCardRect.height());
  for (int i = 0; i < narrow.formatChipCount; ++i)
    EXPECT_LE(narrow.formatChipRects[i].right, narrow.contentRight - 18);
}

TEST(MainLayout, LongestActionLabelSetsTheButtonWidthWhileIdle) {
  CharMeasure measure;
  FrameState state = englishState();
  MainLayout o = layoutMainWindow(state, 900, 860, measure);
  EXPECT_EQ(o.actionButtonRect.width(), 176);  // every label is short: the minimum
  measure.widths[L"Searching …"] = 150;
  o = layoutMainWindow(state, 900, 860, measure);
  EXPECT_EQ(o.actionButtonRect.width(), 218);
  state.searching = true;
  EXPECT_EQ(layoutMainWindow(state, 900, 860, measure).actionButtonRect, o.actionButtonRect);
  // Measuring failures give width 0: the button keeps its minimum.
  measure.widths.clear();
  EXPECT_EQ(layoutMainWindow(englishState(), 900, 860, measure).actionButtonRect.width(), 176);
}

TEST(MainLayout, HeaderAndFooterRectangles) {
  const CharMeasure measure;
  const FrameState state = englishState();
  const MainLayout o = layoutMainWindow(state, 900, 860, measure);
  const float L = o.contentLeft;
  const float R = o.contentRight;
  EXPECT_EQ(o.logoRect, (RectF{L, 18, L + 36, 54}));
  EXPECT_EQ(o.brandRect.right, L + 48 + 7 * 8);
  EXPECT_EQ(o.badgeRect, (RectF{o.brandRect.right + 10, 27, o.brandRect.right + 10 + 49 + 16, 45}));
  EXPECT_EQ(o.languageButtonRect, (RectF{R - (49 + 74), 19, R, 53}));
  EXPECT_EQ(o.footerTextRect.bottom, 860 - 12);
  EXPECT_EQ(o.footerLinkRect.left, o.footerTextRect.right);
  const float centre = (o.footerTextRect.left + o.footerLinkRect.right - 2) / 2;
  EXPECT_NEAR(centre, (L + R) / 2, 1.0);
}

// The footer names the release (from the project's version), so a screenshot tells which one it is.
TEST(MainLayout, FooterNoticeNamesTheVersion) {
  const std::wstring notice(brand::kFooterNotice);
  EXPECT_TRUE(std::regex_match(notice, std::wregex(LR"(© 2026 Tarnwick \d+\.\d+\.\d+  ·  )"))) << notice;
  EXPECT_NE(notice.find(TARNWICK_VERSION_WIDE), std::wstring::npos);
}

TEST(HitTest, RightAndBottomEdgesAreOutside) {
  const CharMeasure measure;
  const FrameState state = englishState();
  const MainLayout o = layoutMainWindow(state, 900, 860, measure);
  const RectF b = o.openFolderRect;
  EXPECT_EQ(hitTestMain(o, state, b.left, b.top), ElementId::openFolder);
  EXPECT_EQ(hitTestMain(o, state, b.right - 0.01f, b.bottom - 0.01f), ElementId::openFolder);
  EXPECT_NE(hitTestMain(o, state, b.right, b.top + 5), ElementId::openFolder);
  EXPECT_NE(hitTestMain(o, state, b.left + 5, b.bottom), ElementId::openFolder);
  EXPECT_EQ(hitTestMain(o, state, 2, 2), ElementId::none);
}

// The element under the centre of `r`.
ElementId hitAtCentre(const MainLayout& o, const FrameState& state, const RectF& r) {
  return hitTestMain(o, state, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

TEST(HitTest, EveryElementIsFoundWhileIdle) {
  const CharMeasure measure;
  FrameState state = englishState();
  state.statusKind = 2;
  test::applyEnabledRule(state, true);
  const MainLayout o = layoutMainWindow(state, 900, 860, measure);
  const auto centre = [&](const RectF& r) { return hitAtCentre(o, state, r); };
  EXPECT_EQ(centre(o.languageButtonRect), ElementId::language);
  EXPECT_EQ(centre(o.pasteButtonRect), ElementId::paste);
  EXPECT_EQ(centre(o.actionButtonRect), ElementId::download);
  EXPECT_EQ(centre(o.videoModeRect), ElementId::videoMode);
  EXPECT_EQ(centre(o.audioModeRect), ElementId::audioMode);
  EXPECT_EQ(centre(o.playlistLabelRect), ElementId::playlist);
  EXPECT_EQ(centre(o.playlistSwitchRect), ElementId::playlist);
  EXPECT_EQ(centre(o.formatChipRects[3]), formatChipId(3));
  EXPECT_EQ(centre(o.qualityChipRects[9]), qualityChipId(9));
  EXPECT_EQ(centre(o.changeFolderRect), ElementId::changeFolder);
  EXPECT_EQ(centre(o.statusRightRect), ElementId::showInFolder);
  EXPECT_EQ(centre(o.clearLogRect), ElementId::clearLog);
  EXPECT_EQ(centre(o.footerLinkRect), ElementId::footerLink);
  EXPECT_EQ(centre(o.footerTextRect), ElementId::none);  // only the address is a link
  EXPECT_EQ(centre(o.linkEditRect), ElementId::none);
}

TEST(HitTest, WhileDownloadingOnlyLanguageCancelOpenClearAndFooterAnswer) {
  const CharMeasure measure;
  FrameState state = englishState();
  state.jobState = 2;
  state.statusKind = 1;
  test::applyEnabledRule(state);
  const MainLayout o = layoutMainWindow(state, 900, 860, measure);
  const auto centre = [&](const RectF& r) { return hitAtCentre(o, state, r); };
  const std::pair<const char*, RectF> dead[] = {
      {"paste", o.pasteButtonRect},     {"video", o.videoModeRect},
      {"audio", o.audioModeRect},       {"playlist", o.playlistSwitchRect},
      {"format", o.formatChipRects[0]}, {"quality", o.qualityChipRects[0]},
      {"change", o.changeFolderRect},   {"showInFolder", o.statusRightRect}};
  for (const auto& [name, rect] : dead) EXPECT_EQ(centre(rect), ElementId::none) << name;
  EXPECT_EQ(centre(o.actionButtonRect), ElementId::download);
  EXPECT_EQ(centre(o.openFolderRect), ElementId::openFolder);
  EXPECT_EQ(centre(o.languageButtonRect), ElementId::language);
  EXPECT_EQ(centre(o.clearLogRect), ElementId::clearLog);
  EXPECT_EQ(centre(o.footerLinkRect), ElementId::footerLink);
  // A search running beside the download does not take the Cancel button away.
  state.searching = true;
  test::applyEnabledRule(state);
  EXPECT_EQ(centre(o.actionButtonRect), ElementId::download);
  state.jobState = 0;
  test::applyEnabledRule(state);
  EXPECT_EQ(centre(o.actionButtonRect), ElementId::none);
}

TEST(HitTest, DisabledChipsAreSkipped) {
  const CharMeasure measure;
  FrameState state = englishState();
  state.preview.active = true;
  state.preview.height = 720;
  test::applyEnabledRule(state);
  MainLayout o = layoutMainWindow(state, 900, 1000, measure);
  const auto centre = [&](const RectF& r) { return hitAtCentre(o, state, r); };
  for (int row = 1; row <= 4; ++row) EXPECT_EQ(centre(o.qualityChipRects[row]), ElementId::none) << row;
  EXPECT_EQ(centre(o.qualityChipRects[0]), qualityChipId(0));  // Best is never capped
  EXPECT_EQ(centre(o.qualityChipRects[5]), qualityChipId(5));  // 720p fits
  // Lossless audio disables every bitrate chip.
  state.audioMode = true;
  state.audioFormat = 3;  // FLAC
  test::applyEnabledRule(state);
  o = layoutMainWindow(state, 900, 1000, measure);
  for (int i = 0; i < o.qualityChipCount; ++i) EXPECT_EQ(centre(o.qualityChipRects[i]), ElementId::none);
  EXPECT_EQ(centre(o.formatChipRects[3]), formatChipId(3));
  state.audioFormat = 0;  // MP3
  test::applyEnabledRule(state);
  EXPECT_EQ(centre(o.qualityChipRects[2]), qualityChipId(2));
}

TEST(HitTest, ShowInFolderOnlyAfterADownloadWithAFile) {
  const CharMeasure measure;
  FrameState state = englishState();
  const MainLayout o = layoutMainWindow(state, 900, 860, measure);
  const RectF r = o.statusRightRect;
  state.statusKind = 2;
  test::applyEnabledRule(state);
  EXPECT_EQ(hitAtCentre(o, state, r), ElementId::none);
  test::applyEnabledRule(state, true);
  EXPECT_EQ(hitAtCentre(o, state, r), ElementId::showInFolder);
  state.statusKind = 3;
  test::applyEnabledRule(state, true);
  EXPECT_EQ(hitAtCentre(o, state, r), ElementId::none);
}

TEST(HitTest, OnlyTheEnabledSetDecides) {
  // The hit test reads nothing but the flags: an element the frame marks disabled is passed over
  // even in a state where the app would enable it, and the scan goes on to what lies behind it.
  const CharMeasure measure;
  FrameState state = englishState();
  const MainLayout o = layoutMainWindow(state, 900, 860, measure);
  state.enabled.set(ElementId::openFolder, false);
  EXPECT_EQ(hitAtCentre(o, state, o.openFolderRect), ElementId::none);
  EXPECT_EQ(hitAtCentre(o, state, o.changeFolderRect), ElementId::changeFolder);
  state.enabled = EnabledElements{};
  EXPECT_EQ(hitAtCentre(o, state, o.languageButtonRect), ElementId::none);
  state.enabled.set(ElementId::showInFolder, true);
  EXPECT_EQ(hitAtCentre(o, state, o.statusRightRect), ElementId::showInFolder);
}

TEST(FocusRing, PlaylistRingSpansLabelAndSwitch) {
  const CharMeasure measure;
  const FrameState state = englishState();
  const MainLayout o = layoutMainWindow(state, 900, 860, measure);
  const auto ring = focusRingRect(o, ElementId::playlist);
  ASSERT_TRUE(ring);
  EXPECT_EQ(*ring, (RectF{o.playlistLabelRect.left - 4, o.playlistSwitchRect.top - 4,
                          o.playlistSwitchRect.right + 2, o.playlistSwitchRect.bottom + 4}));
  EXPECT_EQ(focusRingRect(o, formatChipId(2)), o.formatChipRects[2]);
  EXPECT_EQ(focusRingRect(o, ElementId::openFolder), o.openFolderRect);
  EXPECT_FALSE(focusRingRect(o, ElementId::none));
  EXPECT_FALSE(focusRingRect(o, formatChipId(10)));
}

TEST(Geometry, DipRectsBecomeEdgeRoundedPixels) {
  EXPECT_EQ(dipRectToPx({10, 10, 20, 20}, 1.5), (PxRect{15, 15, 15, 15}));
  // Neighbours share an edge in pixels too.
  const PxRect a = dipRectToPx({0, 0, 10.3f, 5}, 1.5);
  const PxRect b = dipRectToPx({10.3f, 0, 20, 5}, 1.5);
  EXPECT_EQ(a.x + a.width, b.x);
  EXPECT_EQ(dipToPx(10.5f, 1), 11);
  EXPECT_FLOAT_EQ(pxToDip(15, 1.5), 10);
}

}  // namespace
}  // namespace tarnwick
