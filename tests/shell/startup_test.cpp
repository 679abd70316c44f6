// The program's start: one window per user session, at a size that fits the screen.
#include <gtest/gtest.h>

#include "test_paths.h"
#include "window_test.h"

namespace tarnwick::test {
namespace {

using namespace std::chrono_literals;

class StartupTest : public WindowTest {};

TEST_F(StartupTest, secondStartPresentsTheFirstWindowAndExitsZero) {
  ChildProcess first;
  auto box = launch(first);
  ASSERT_TRUE(box);
  saveScreenshot("startup");
  // Hidden behind the user's back: the second start must bring it back, not open another.
  ASSERT_TRUE(session.xdotool({"windowunmap", "--sync", std::to_string(box->id)}));
  ASSERT_EQ(session.countWindows("Tarnwick App"), 0);

  ChildProcess second;
  ASSERT_TRUE(second.start({tarnwickBinary().string()}, output));
  EXPECT_EQ(second.wait(30s), 0);
  auto again = session.waitForWindow("Tarnwick App", 10s);
  ASSERT_TRUE(again);
  EXPECT_EQ(*again, box->id);
  EXPECT_EQ(session.countWindows("Tarnwick App"), 1);
  EXPECT_TRUE(first.running());
}

TEST_F(StartupTest, opensAtThePreferredSizeOnALargeScreen) {
  ChildProcess app;
  auto box = launch(app);
  ASSERT_TRUE(box);
  // The content below the header bar, inside the hairline frame, is 900 × 860.
  auto origin = contentOrigin(*box);
  ASSERT_TRUE(origin);
  EXPECT_EQ(box->x + box->width - 1 - origin->x, 900);
  EXPECT_EQ(box->y + box->height - 1 - origin->y, 860);
}

class SmallScreenTest : public WindowTest {
 protected:
  std::pair<int, int> screenSize() const override { return {800, 600}; }
};

TEST_F(SmallScreenTest, neverExceedsNinetySixPercentOfTheWorkArea) {
  ChildProcess app;
  auto box = launch(app);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->width, 768);
  EXPECT_EQ(box->height, 576);
}

}  // namespace
}  // namespace tarnwick::test
