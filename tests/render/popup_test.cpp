// The language and search results popups, rendered offscreen and checked at known pixels.
#include <gtest/gtest.h>

#include "fontconfig_leaks.h"

#include "frame_fixtures.h"
#include "pixels.h"
#include "render/offscreen.h"
#include "render/painters.h"

namespace tarnwick {
namespace {

using test::brightness;
using test::save;

// Language cell i's inner rectangle.
RectF languageCell(int i) {
  const float left = 6 + static_cast<float>(i / 9) * 176;
  const float top = 6 + static_cast<float>(i % 9) * 34;
  return {left + 2, top + 1, left + 174, top + 33};
}

TEST(LanguagePopup, ActiveRowIsTintedAndCheckedWhileAnotherIsHovered) {
  OffscreenRenderer renderer;
  FrameState state = test::englishState();
  state.language = 2;
  state.langPopupHover = 10;
  const Image image = renderer.renderLanguagePopup(state, 1);
  save(image, "language_popup");
  ASSERT_EQ(image.width, 364);
  ASSERT_EQ(image.height, 318);
  const auto at = [&](float x, float y) { return image.atDip(x, y, 1); };
  const std::uint32_t plain = at(languageCell(0).right - 4, languageCell(0).top + 4);
  const std::uint32_t active = at(languageCell(2).right - 4, languageCell(2).top + 16);
  const std::uint32_t hovered = at(languageCell(10).right - 4, languageCell(10).top + 16);
  EXPECT_EQ(plain & 0xFFFFFF, 0x141727u);
  EXPECT_GT((active & 0xFF), (plain & 0xFF) + 20);  // violet tint
  EXPECT_GT(brightness(hovered), brightness(plain) + 10);
  EXPECT_LT((hovered & 0xFF) - ((hovered >> 16) & 0xFF), (active & 0xFF) - ((active >> 16) & 0xFF));
  // The check mark sits at the right of the active row only.
  int checkInk = 0;
  int otherInk = 0;
  for (float y = languageCell(2).top; y < languageCell(2).bottom; ++y)
    for (float x = languageCell(2).right - 30; x < languageCell(2).right - 10; ++x) {
      checkInk += brightness(at(x, y)) > 400;
      otherInk += brightness(at(x, y + 34 * 2)) > 400;
    }
  EXPECT_GT(checkInk, 10);
  EXPECT_EQ(otherInk, 0);
  // Hovering the active row adds nothing.
  state.langPopupHover = 2;
  const Image same = renderer.renderLanguagePopup(state, 1);
  EXPECT_EQ(same.pixels, renderer
                             .renderLanguagePopup(
                                 [&] {
                                   FrameState s = state;
                                   s.langPopupHover = -1;
                                   return s;
                                 }(),
                                 1)
                             .pixels);
}

TEST(LanguagePopup, ArabicNameStartsAtTheLeftOfItsCell) {
  OffscreenRenderer renderer;
  const FrameState state = test::englishState();
  const Image image = renderer.renderLanguagePopup(state, 1);
  const RectF cell = languageCell(11);
  float first = -1;
  for (float x = cell.left; x < cell.right && first < 0; ++x)
    for (float y = cell.top; y < cell.bottom; ++y)
      if (brightness(image.atDip(x, y, 1)) > 300) {
        first = x;
        break;
      }
  EXPECT_GE(first, cell.left + 14);
  EXPECT_LT(first, cell.left + 20);
}

class ResultsPopup : public ::testing::Test {
 protected:
  void SetUp() override {
    state = test::englishState();
    for (int i = 0; i < 15; ++i) {
      MediaView hit;
      hit.title = titles[i % 3];
      hit.channel = L"Blender Foundation";
      hit.viewCount = 1050 * (i + 1);
      hit.durationSeconds = 59.6 + i * 60;
      if (i % 2 == 0) hit.thumb = thumb;
      state.results.push_back(hit);
    }
  }
  FrameState state;
  OffscreenRenderer renderer;
  ThumbView thumb = test::makeThumb();
  std::wstring_view titles[3] = {L"Big Buck Bunny",
                                 L"Sintel – the full open movie in one piece, longer than the row",
                                 L"Tears of Steel"};
};

TEST_F(ResultsPopup, ScrolledListClipsRowsAndShowsItsScrollBar) {
  constexpr float kWidth = 600;
  constexpr float kHeight = 6 * 80 + 12;
  const float largest = 15 * 80 - (kHeight - 12);
  state.resultsSelection = 4;
  state.resultsScroll = 200;  // row 2 is cut in half at the top
  const Image image = renderer.renderResultsPopup(state, kWidth, kHeight, 1);
  save(image, "results_popup");
  // Nothing is drawn in the 6-DIP margins, even by the half row.
  for (float x = 20; x < 120; x += 7) {
    EXPECT_EQ(image.atDip(x, 3, 1) & 0xFFFFFF, 0x141727u);
    EXPECT_EQ(image.atDip(x, kHeight - 3, 1) & 0xFFFFFF, 0x141727u);
  }
  // Row 2's thumbnail shows below the margin (its top is at 6 + 160 - 200 + 8 = -26).
  EXPECT_GT((image.atDip(30, 20, 1) >> 16) & 0xFF, 150u);
  // The selected row 4 is tinted: top = 4 * 80 + 6 - 200 = 126.
  const std::uint32_t selected = image.atDip(kWidth - 20, 126 + 40, 1);
  const std::uint32_t other = image.atDip(kWidth - 20, 126 + 80 + 40, 1);
  EXPECT_GT(brightness(selected), brightness(other) + 10);
  // The scroll thumb: 3 DIPs wide, 2 from the right edge, at 200 / largest of the track.
  const float view = kHeight - 12;
  const float length = std::max(24.0f, view * view / (15 * 80));
  const float top = 200 / largest * (view - length) + 6;
  EXPECT_GT(brightness(image.atDip(kWidth - 3.5f, top + length / 2, 1)), brightness(other) + 20);
  EXPECT_EQ(image.atDip(kWidth - 3.5f, top - 3, 1), image.atDip(kWidth - 1, top - 3, 1));
}

TEST_F(ResultsPopup, ScrollThumbTouchesTheEndsOfItsTrack) {
  constexpr float kWidth = 600;
  constexpr float kHeight = 6 * 80 + 12;
  const float view = kHeight - 12;
  const float largest = 15 * 80 - view;
  state.resultsScroll = largest;
  Image image = renderer.renderResultsPopup(state, kWidth, kHeight, 1);
  save(image, "results_popup_end");
  const std::uint32_t background = image.atDip(kWidth - 1, kHeight / 2, 1);
  EXPECT_NE(image.atDip(kWidth - 3.5f, kHeight - 7, 1), background);  // thumb reaches the bottom edge
  EXPECT_EQ(image.atDip(kWidth - 3.5f, kHeight - 5, 1) & 0xFFFFFF, 0x141727u);
  state.resultsScroll = 0;
  image = renderer.renderResultsPopup(state, kWidth, kHeight, 1);
  EXPECT_NE(image.atDip(kWidth - 3.5f, 7, 1), background);
  EXPECT_EQ(image.atDip(kWidth - 3.5f, 5, 1) & 0xFFFFFF, 0x141727u);
}

TEST_F(ResultsPopup, FewHitsNeedNoScrollBar) {
  state.results.resize(5);
  constexpr float kWidth = 600;
  constexpr float kHeight = 6 * 80 + 12;
  const Image image = renderer.renderResultsPopup(state, kWidth, kHeight, 1);
  for (float y = 6; y < kHeight - 6; y += 4)
    EXPECT_EQ(image.atDip(kWidth - 3.5f, y, 1) & 0xFFFFFF, 0x141727u);
}

TEST_F(ResultsPopup, MetaLineAndThumbnailsAreCached) {
  MediaView bare;
  EXPECT_EQ(buildMetaLine(state, bare, true), L"");
  bare.height = 2160;
  EXPECT_EQ(buildMetaLine(state, bare, true), L"\u20664K\u2069");
  EXPECT_EQ(buildMetaLine(state, state.results[0], true),
            L"\u2068Blender Foundation\u2069  ·  \u20661.1K views\u2069");
  EXPECT_EQ(buildMetaLine(state, state.results[0], false), L"\u20661.1K views\u2069");
  // One shared picture in several rows is scaled once, and again only when it is replaced.
  (void)renderer.renderResultsPopup(state, 600, 492, 1);
  (void)renderer.renderResultsPopup(state, 600, 492, 1);
  OffscreenRenderer fresh;
  (void)fresh.renderResultsPopup(state, 600, 492, 1);
  // (the popup's cache is private to the renderer; the main window's cache shows the same rule)
  FrameState preview = test::englishState();
  preview.preview.active = true;
  preview.preview.thumb = thumb;
  (void)fresh.renderMainWindow(preview, 900, 1000, 1);
  (void)fresh.renderMainWindow(preview, 900, 1000, 1);
  EXPECT_EQ(fresh.mainCache().thumbnailBuilds(), 1);
  preview.preview.thumb = test::makeThumb();
  (void)fresh.renderMainWindow(preview, 900, 1000, 1);
  EXPECT_EQ(fresh.mainCache().thumbnailBuilds(), 2);
}

}  // namespace
}  // namespace tarnwick
