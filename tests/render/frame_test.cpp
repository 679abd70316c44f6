// Offscreen frames of the main window checked at known pixels. With TARNWICK_WRITE_FRAMES set,
// each frame is also written as a PNG into the build folder for a person to look at.
#include <gtest/gtest.h>

#include "fontconfig_leaks.h"

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "frame_fixtures.h"
#include "pixels.h"
#include "render/offscreen.h"
#include "render/painters.h"

namespace tarnwick {
namespace {

using test::brightness;
using test::countPixels;
using test::englishState;
using test::inkSpan;
using test::isAccent;
using test::Rgb;
using test::rgbOf;
using test::save;

int maxBrightness(const Image& image, const RectF& rect) {
  int best = 0;
  countPixels(image, rect, 1, [&best](std::uint32_t c) {
    best = std::max(best, brightness(c));
    return false;
  });
  return best;
}
int brightPixels(const Image& image, const RectF& rect, double scale = 1) {
  return countPixels(image, rect, scale, [](std::uint32_t c) { return brightness(c) > 500; });
}

// Columns of `rect` that hold ink, as runs split by at least `gap` empty columns.
std::vector<std::pair<int, int>> inkRuns(const Image& image, const RectF& rect, int gap) {
  std::vector<std::pair<int, int>> runs;
  int empty = gap;
  for (int x = static_cast<int>(rect.left); x < static_cast<int>(rect.right); ++x) {
    bool ink = false;
    for (int y = static_cast<int>(rect.top); y < static_cast<int>(rect.bottom) && !ink; ++y)
      ink = brightness(image.at(x, y)) > 200;
    if (!ink) {
      ++empty;
      continue;
    }
    if (empty >= gap || runs.empty()) {
      runs.push_back({x, x});
    } else {
      runs.back().second = x;
    }
    empty = 0;
  }
  return runs;
}

class FrameTest : public ::testing::Test {
 protected:
  Image render(const FrameState& state, const std::string& name, float w = 900, float h = 860,
               double scale = 1) {
    Image image = renderer.renderMainWindow(state, w, h, scale, &layout);
    save(image, name);
    return image;
  }
  OffscreenRenderer renderer;
  MainLayout layout;
};

TEST_F(FrameTest, IdleInEnglish) {
  FrameState state = englishState();
  const Image image = render(state, "idle_en");
  // The Download button is filled with the accent gradient and carries white text.
  const RectF& action = layout.actionButtonRect;
  EXPECT_TRUE(isAccent(image.atDip(action.left + 6, (action.top + action.bottom) / 2, 1)));
  EXPECT_GT(brightPixels(image, action), 40);
  // Video and the selected chips are accent pills; an unselected chip is not.
  EXPECT_TRUE(isAccent(image.atDip(layout.videoModeRect.left + 8, layout.videoModeRect.top + 17, 1)));
  EXPECT_TRUE(
      isAccent(image.atDip(layout.formatChipRects[0].left + 6, layout.formatChipRects[0].top + 16, 1)));
  EXPECT_FALSE(
      isAccent(image.atDip(layout.formatChipRects[1].left + 6, layout.formatChipRects[1].top + 16, 1)));
  // Cards are the card colour; headline, subtitle and status text are drawn.
  const Rgb card = rgbOf(image.atDip(layout.logCardRect.left + 6, layout.logCardRect.top + 20, 1));
  EXPECT_NEAR(card.r, 0x14, 3);
  EXPECT_NEAR(card.b, 0x27, 3);
  EXPECT_GT(brightPixels(image, layout.headlineRect), 200);
  EXPECT_GT(countPixels(image, layout.headlineRect, 1, isAccent), 100);  // "any format" in the gradient
  EXPECT_GT(countPixels(image, layout.subtitleRect, 1, [](std::uint32_t c) { return brightness(c) > 300; }),
            50);
  EXPECT_GT(countPixels(image, layout.statusTextRect, 1, [](std::uint32_t c) { return brightness(c) > 300; }),
            50);
  // No progress fill while idle.
  EXPECT_EQ(countPixels(image, layout.progressTrackRect, 1, isAccent), 0);
  // Nothing disabled: the Paste label is drawn at full strength.
  EXPECT_GT(
      countPixels(image, layout.pasteButtonRect, 1, [](std::uint32_t c) { return brightness(c) > 300; }), 20);
}

TEST_F(FrameTest, DownloadAt42PercentFillsTheTrackTo42Percent) {
  FrameState state = englishState();
  state.jobState = 2;
  state.statusKind = 1;
  state.statusId = -1;
  state.statusDetail = L"Downloading  3.2 MiB/s  ·  00:12 left";
  state.progress = 42;
  state.clockMs = 0;  // the sheen sits left of the track
  test::applyEnabledRule(state);
  const Image image = render(state, "download_42");
  const RectF& track = layout.progressTrackRect;
  const float end = track.left + 0.42f * track.width();
  const float mid = (track.top + track.bottom) / 2;
  EXPECT_TRUE(isAccent(image.atDip(end - 3, mid, 1)));
  EXPECT_TRUE(isAccent(image.atDip(track.left + 10, mid, 1)));
  EXPECT_FALSE(isAccent(image.atDip(end + 3, mid, 1)));
  // Past the fill's glow the track is as dark as at its far end.
  EXPECT_NEAR(brightness(image.atDip(end + 20, mid, 1)), brightness(image.atDip(track.right - 10, mid, 1)),
              8);
  // The percentage at the right, the Cancel button in red, Paste dimmed.
  EXPECT_GT(brightPixels(image, layout.statusRightRect), 20);
  const RectF& action = layout.actionButtonRect;
  const auto red = [](std::uint32_t c) {
    const Rgb v = rgbOf(c);
    return v.r > 150 && v.g < 120 && v.b < 150;
  };
  EXPECT_GT(countPixels(image, action, 1, red), 30);
  EXPECT_EQ(
      countPixels(image, layout.pasteButtonRect, 1, [](std::uint32_t c) { return brightness(c) > 300; }), 0);
  // The selected chips keep their colour but their text is dimmed.
  FrameState idle = englishState();
  const Image idleImage = renderer.renderMainWindow(idle, 900, 860, 1);
  EXPECT_LT(maxBrightness(image, layout.formatChipRects[0]),
            maxBrightness(idleImage, layout.formatChipRects[0]) - 80);
}

TEST_F(FrameTest, IndeterminateProgressGlidesWithTheClock) {
  FrameState state = englishState();
  state.jobState = 2;
  state.statusKind = 1;
  state.statusId = statusText::starting;
  state.progress = -1;
  state.clockMs = 0;  // the segment rests at the left end
  test::applyEnabledRule(state);
  Image image = render(state, "indeterminate_left");
  const RectF& track = layout.progressTrackRect;
  const float mid = (track.top + track.bottom) / 2;
  const float segment = 0.28f * track.width();
  EXPECT_TRUE(isAccent(image.atDip(track.left + segment / 2, mid, 1)));
  EXPECT_FALSE(isAccent(image.atDip(track.right - segment / 2, mid, 1)));
  state.clockMs = 700;  // half a period: the right end
  image = render(state, "indeterminate_right");
  EXPECT_FALSE(isAccent(image.atDip(track.left + segment / 2, mid, 1)));
  EXPECT_TRUE(isAccent(image.atDip(track.right - segment / 2, mid, 1)));
  // No percentage while the amount is unknown.
  EXPECT_EQ(brightPixels(image, layout.statusRightRect), 0);
}

TEST_F(FrameTest, DoneShowsFullTrackAndShowInFolder) {
  FrameState state = englishState();
  state.statusKind = 2;
  state.statusId = statusText::done;
  state.statusDetail = L"Big Buck Bunny.mp4";
  test::applyEnabledRule(state, true);
  const Image image = render(state, "done");
  const RectF& track = layout.progressTrackRect;
  const float mid = (track.top + track.bottom) / 2;
  EXPECT_TRUE(isAccent(image.atDip(track.right - 6, mid, 1)));
  EXPECT_TRUE(isAccent(image.atDip(track.left + 6, mid, 1)));
  // "Show in folder" in the link colour at the right; the done icon in green.
  const auto linkColour = [](std::uint32_t c) {
    const Rgb v = rgbOf(c);
    return v.b > 200 && v.r > 130 && v.g < v.b - 40;
  };
  EXPECT_GT(countPixels(image, layout.statusRightRect, 1, linkColour), 30);
  const auto green = [](std::uint32_t c) {
    const Rgb v = rgbOf(c);
    return v.g > 150 && v.r < 100;
  };
  EXPECT_GT(countPixels(image, layout.statusIconRect, 1, green), 30);
}

TEST_F(FrameTest, ErrorIsRedWithPinkText) {
  FrameState state = englishState();
  state.statusKind = 3;
  state.statusId = statusText::failed;
  const Image image = render(state, "error");
  const auto red = [](std::uint32_t c) {
    const Rgb v = rgbOf(c);
    return v.r > 200 && v.g < 120;
  };
  EXPECT_GT(countPixels(image, layout.statusIconRect, 1, red), 30);
  const auto pink = [](std::uint32_t c) {
    const Rgb v = rgbOf(c);
    return v.r > 200 && v.g > 140 && v.b > 150 && v.r > v.g + 40;
  };
  EXPECT_GT(countPixels(image, layout.statusTextRect, 1, pink), 30);
  EXPECT_EQ(countPixels(image, layout.progressTrackRect, 1, isAccent), 0);
}

TEST_F(FrameTest, PreviewWithThumbnailAndBadge) {
  FrameState state = englishState();
  state.preview.active = true;
  state.preview.title = L"Big Buck Bunny – a short film about a large rabbit and three small rodents, in 4K";
  state.preview.channel = L"Blender Foundation";
  state.preview.durationSeconds = 3600;
  state.preview.viewCount = 12345678;
  state.preview.height = 2160;
  state.preview.thumb = test::makeThumb();
  test::applyEnabledRule(state);
  const Image image = render(state, "preview", 900, 1000);
  const RectF& t = layout.thumbnailRect;
  const Rgb left = rgbOf(image.atDip(t.left + 30, t.top + 30, 1));
  const Rgb right = rgbOf(image.atDip(t.right - 30, t.top + 30, 1));
  EXPECT_GT(left.r, 200);
  EXPECT_LT(left.b, 60);
  EXPECT_GT(right.b, 200);
  EXPECT_LT(right.r, 60);
  // Rounded corners: the very corner shows the card, not the picture.
  EXPECT_LT(rgbOf(image.atDip(t.left, t.top, 1)).r, 100);
  // The badge "1:00:00" is a dark box with white text in the lower right corner.
  const RectF badge{t.right - 60, t.bottom - 23, t.right - 5, t.bottom - 5};
  EXPECT_GT(brightPixels(image, badge), 15);
  const Rgb behind = rgbOf(image.atDip(t.right - 8, t.bottom - 12, 1));
  EXPECT_LT(behind.b, 80);  // the blue picture is darkened under the badge
  // Title on two lines, channel and the meta line.
  EXPECT_GT(brightPixels(image, {layout.previewTitleRect.left, layout.previewTitleRect.top + 24,
                                 layout.previewTitleRect.right, layout.previewTitleRect.bottom}),
            30);
  EXPECT_GT(
      countPixels(image, layout.previewMetaRect, 1, [](std::uint32_t c) { return brightness(c) > 300; }), 30);
  EXPECT_EQ(buildMetaLine(state, state.preview, false), L"\u206612.3M views\u2069  ·  \u20664K\u2069");
}

TEST_F(FrameTest, UnavailablePreviewShowsOnlyTheMessage) {
  FrameState state = englishState();
  state.preview.active = true;
  state.preview.unavailable = true;
  state.preview.durationSeconds = -1;
  const Image image = render(state, "preview_unavailable", 900, 1000);
  const auto pink = [](std::uint32_t c) {
    const Rgb v = rgbOf(c);
    return v.r > 200 && v.g > 140 && v.r > v.g + 40;
  };
  EXPECT_GT(countPixels(image, layout.previewTitleRect, 1, pink), 30);
  EXPECT_EQ(
      countPixels(image, layout.previewChannelRect, 1, [](std::uint32_t c) { return brightness(c) > 200; }),
      0);
}

TEST_F(FrameTest, SearchModeAndSearching) {
  FrameState state = englishState();
  state.searchMode = true;
  state.linkBoxFocused = true;
  Image image = render(state, "search_mode");
  const RectF& action = layout.actionButtonRect;
  EXPECT_TRUE(isAccent(image.atDip(action.left + 6, (action.top + action.bottom) / 2, 1)));
  // The focused link field has a violet border.
  const RectF& field = layout.linkFieldRect;
  EXPECT_TRUE(isAccent(image.atDip((field.left + field.right) / 2, field.top, 1)))
      << std::hex << image.atDip((field.left + field.right) / 2, field.top, 1);
  state.searching = true;
  state.clockMs = 200;
  test::applyEnabledRule(state);
  const Image searching = render(state, "searching");
  // The darkened gradient: the same spot is darker than the idle button.
  EXPECT_LT(brightness(searching.atDip(action.left + 6, (action.top + action.bottom) / 2, 1)),
            brightness(image.atDip(action.left + 6, (action.top + action.bottom) / 2, 1)));
  EXPECT_GT(brightPixels(searching, action), 40);
}

TEST_F(FrameTest, LosslessAudioDimsTheBitrates) {
  FrameState state = englishState();
  state.audioMode = true;
  state.audioFormat = 3;  // FLAC
  state.bitrate = 0;
  test::applyEnabledRule(state);
  const Image image = render(state, "audio_lossless");
  EXPECT_EQ(layout.qualityChipCount, 6);
  // The selected 320k chip and the others are dimmed.
  EXPECT_LT(maxBrightness(image, layout.qualityChipRects[0]), 650);
  EXPECT_EQ(
      countPixels(image, layout.qualityChipRects[2], 1, [](std::uint32_t c) { return brightness(c) > 250; }),
      0);
  // The caption grows by "  ·  lossless".
  FrameState lossy = state;
  lossy.audioFormat = 0;
  test::applyEnabledRule(lossy);
  const Image mp3 = render(lossy, "audio_mp3");
  const auto caption = [](const Image& img, const RectF& r) {
    return inkSpan(img, r, [](std::uint32_t c) { return brightness(c) > 250; }).second;
  };
  EXPECT_GT(caption(image, layout.qualityLabelRect), caption(mp3, layout.qualityLabelRect) + 40);
  EXPECT_GT(maxBrightness(mp3, layout.qualityChipRects[0]), 700);
  EXPECT_GT(
      countPixels(mp3, layout.qualityChipRects[2], 1, [](std::uint32_t c) { return brightness(c) > 250; }),
      10);
}

TEST_F(FrameTest, ArabicTextKeepsItsVisualSide) {
  FrameState state = englishState();
  viewLanguage(state, 11);  // Arabic
  const Image image = render(state, "arabic");
  // The language name, the folder path and the status text start at the left of their boxes.
  const RectF name{layout.languageButtonRect.left + 40, layout.languageButtonRect.top,
                   layout.languageButtonRect.right - 30, layout.languageButtonRect.bottom};
  const auto [nameLeft, nameRight] =
      inkSpan(image, name, [](std::uint32_t c) { return brightness(c) > 350; });
  ASSERT_GE(nameLeft, 0);
  EXPECT_LT(nameLeft, name.left + 6);
  const auto [statusLeft, statusRight] =
      inkSpan(image, layout.statusTextRect, [](std::uint32_t c) { return brightness(c) > 250; });
  ASSERT_GE(statusLeft, 0);
  EXPECT_LT(statusLeft, layout.statusTextRect.left + 6);
  // Centred texts stay centred.
  const auto [headLeft, headRight] =
      inkSpan(image, layout.headlineRect, [](std::uint32_t c) { return brightness(c) > 350; });
  EXPECT_NEAR((headLeft + headRight) / 2, (layout.headlineRect.left + layout.headlineRect.right) / 2, 12);
  EXPECT_GT(countPixels(image, layout.headlineRect, 1, isAccent), 100);
}

// In Arabic the preview's and the hits' meta lines read right to left, also when they begin with
// a number ("{0} مشاهدة"), and no part breaks apart: the resolution, the last part, is the
// leftmost run of ink and shows exactly what the resolution alone shows.
TEST_F(FrameTest, ArabicMetaLinesKeepEveryPartWhole) {
  for (int height : {2160, 1260}) {
    FrameState state = englishState();
    viewLanguage(state, 11);  // Arabic
    state.preview.active = true;
    state.preview.title = L"\u0641\u064a\u062f\u064a\u0648 \u062a\u062c\u0631\u064a\u0628\u064a";
    state.preview.durationSeconds = 212;
    state.preview.viewCount = 1234567;
    state.preview.height = height;
    state.preview.thumb = test::makeThumb();
    state.results.resize(1);
    MediaView& hit = state.results[0];
    hit.title = state.preview.title;
    hit.channel = L"\u0642\u0646\u0627\u0629 \u0627\u0644\u0639\u0631\u0628";
    hit.viewCount = state.preview.viewCount;
    hit.height = height;
    const std::string name = "arabic_preview_" + std::to_string(height);
    const Image preview = render(state, name, 900, 1000);
    const RectF meta = layout.previewMetaRect;
    const Image hits = renderer.renderResultsPopup(state, 600, 92, 1);
    save(hits, name + "_results");
    const RectF hitMeta{142, 44, 600 - 18, 66};

    state.preview.viewCount = -1;
    hit.viewCount = -1;
    hit.channel = {};
    const Image previewAlone = render(state, name + "_resolution", 900, 1000);
    const Image hitsAlone = renderer.renderResultsPopup(state, 600, 92, 1);

    for (auto [full, alone, rect] :
         {std::tuple{&preview, &previewAlone, meta}, std::tuple{&hits, &hitsAlone, hitMeta}}) {
      const auto runs = inkRuns(*full, rect, 5);
      const auto label = inkRuns(*alone, rect, 5);
      ASSERT_EQ(label.size(), 1u) << height;  // "4K" or "1260p", whole
      ASSERT_GE(runs.size(), 3u) << height;   // the resolution, a separator, the views (and channel)
      EXPECT_EQ(runs.front(), label.front()) << height;
      for (int x = label[0].first; x <= label[0].second; ++x)
        for (int y = static_cast<int>(rect.top); y < static_cast<int>(rect.bottom); ++y)
          ASSERT_EQ(full->at(x, y), alone->at(x, y)) << height << " at " << x << "," << y;
    }
  }
}

TEST_F(FrameTest, ChineseHeadlineStartsWithTheEmphasis) {
  FrameState state = englishState();
  viewLanguage(state, 16);  // Chinese
  const Image image = render(state, "chinese");
  const auto [left, right] =
      inkSpan(image, layout.headlineRect, [](std::uint32_t c) { return brightness(c) > 250; });
  ASSERT_GE(left, 0);
  // The first inked column belongs to the gradient part.
  bool accentAtStart = false;
  for (float y = layout.headlineRect.top; y < layout.headlineRect.bottom; ++y)
    for (float x = left; x < left + 6; ++x) accentAtStart = accentAtStart || isAccent(image.atDip(x, y, 1));
  EXPECT_TRUE(accentAtStart);
  const Headline headline = buildHeadline(state);
  EXPECT_EQ(headline.emphasisStart, 0u);
}

TEST_F(FrameTest, CompactLevelTwoDrawsNoHeadline) {
  FrameState state = englishState();
  const Image image = render(state, "compact2", 900, 560);
  ASSERT_EQ(layout.compactLevel, 2);
  EXPECT_EQ(countPixels(image, {layout.contentLeft, 56, layout.contentRight, 68}, 1,
                        [](std::uint32_t c) { return brightness(c) > 300; }),
            0);
  EXPECT_TRUE(isAccent(image.atDip(layout.actionButtonRect.left + 6, layout.actionButtonRect.top + 25, 1)));
}

TEST_F(FrameTest, ScaleTwoDrawsTheSameFrameAtDoubleSize) {
  FrameState state = englishState();
  const Image one = render(state, "idle_scale1");
  const Image two = renderer.renderMainWindow(state, 900, 860, 2, &layout);
  save(two, "idle_scale2");
  EXPECT_EQ(two.width, 1800);
  EXPECT_EQ(two.height, 1720);
  const RectF& action = layout.actionButtonRect;
  EXPECT_TRUE(isAccent(two.atDip(action.left + 6, (action.top + action.bottom) / 2, 2)));
  EXPECT_NEAR(brightPixels(two, layout.headlineRect, 2), 4 * brightPixels(one, layout.headlineRect),
              brightPixels(one, layout.headlineRect) * 1.0);
}

TEST_F(FrameTest, FocusRingSurroundsTheFocusedElement) {
  FrameState state = englishState();
  state.focusId = ElementId::openFolder;
  state.focusVisible = true;
  state.mainWindowHasFocus = true;
  const Image image = render(state, "focus_ring");
  const RectF ring = layout.openFolderRect.inflated(3);
  EXPECT_GT(brightness(image.atDip((ring.left + ring.right) / 2, ring.top + 1, 1)), 600);
  state.mainWindowHasFocus = false;  // the link entry has the focus: no ring
  const Image without = render(state, "focus_ring_off");
  EXPECT_LT(brightness(without.atDip((ring.left + ring.right) / 2, ring.top + 1, 1)), 300);
}

TEST_F(FrameTest, StaticLayerIsBuiltOncePerSize) {
  FrameState state = englishState();
  state.jobState = 2;
  state.statusKind = 1;
  test::applyEnabledRule(state);
  for (int i = 0; i < 3; ++i) {
    state.clockMs = 100 * i;
    (void)renderer.renderMainWindow(state, 900, 860, 1);
  }
  EXPECT_EQ(renderer.mainCache().staticLayerBuilds(), 1);
  (void)renderer.renderMainWindow(state, 901, 860, 1);
  EXPECT_EQ(renderer.mainCache().staticLayerBuilds(), 2);
}

}  // namespace
}  // namespace tarnwick
