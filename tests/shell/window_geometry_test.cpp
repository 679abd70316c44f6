// Window sizes: preferred content plus decoration, capped at 96 % of the work area.
#include "shell/gtk/window_geometry.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(WindowGeometry, addsTheDecorationToThePreferredContent) {
  PixelSize size = initialWindowSize({1920, 1040}, {2, 44});
  EXPECT_EQ(size.width, 902);
  EXPECT_EQ(size.height, 904);
}

TEST(WindowGeometry, capsEachSideAtNinetySixPercentTruncating) {
  // 1000 × 700: the width still fits, the height is cut to 672.
  PixelSize size = initialWindowSize({1000, 700}, {2, 44});
  EXPECT_EQ(size.width, 902);
  EXPECT_EQ(size.height, 672);
  // 96 % of 799 is 767.04, truncated.
  EXPECT_EQ(initialWindowSize({799, 599}, {0, 0}).width, 767);
  EXPECT_EQ(initialWindowSize({799, 599}, {0, 0}).height, 575);
}

TEST(WindowGeometry, anUnknownWorkAreaCapsNothing) {
  PixelSize size = initialWindowSize({0, 0}, {0, 40});
  EXPECT_EQ(size.width, 900);
  EXPECT_EQ(size.height, 900);
}

TEST(WindowGeometry, theMinimumNeverExceedsTheOpeningSize) {
  PixelSize roomy = minimumContentFor({902, 904}, {2, 44});
  EXPECT_EQ(roomy.width, 700);
  EXPECT_EQ(roomy.height, 630);
  PixelSize cramped = minimumContentFor({768, 576}, {2, 44});
  EXPECT_EQ(cramped.width, 700);
  EXPECT_EQ(cramped.height, 532);
}

}  // namespace
}  // namespace tarnwick
