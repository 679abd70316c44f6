// Every control is reachable at every size the window can have: at the default size, at its own
// minimum, and on a 1920 × 1080 screen at scale 2 (960 × 540 logical pixels), where the window is
// shorter than its content and the page scrolls.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <ostream>

#include "shell/gtk/window_geometry.h"
#include "test_paths.h"
#include "window_fixture.h"

namespace tarnwick::test {
namespace {

struct SizeCase {
  const char* name;
  int screenWidth, screenHeight;
  int scale;
  bool shrinkToMinimum;
  bool byKeyboard;  // reach the end with Shift+Tab (the footer link) instead of the wheel
};

void PrintTo(const SizeCase& size, std::ostream* out) {
  *out << size.name;
}

const SizeCase sizeCases[] = {
    {"default", 1280, 1024, 1, false, false},
    {"minimum", 1280, 1024, 1, true, false},
    {"scale2FullHd", 1920, 1080, 2, false, true},
};

class WindowSizeTest : public TarnwickWindowTest, public ::testing::WithParamInterface<SizeCase> {
 protected:
  std::pair<int, int> screenSize() const override {
    return {GetParam().screenWidth, GetParam().screenHeight};
  }

  // A rectangle of the content in DIPs, on the screen with the page scrolled down by `scrolled`.
  RectF onScreen(const RectF& r, float scrolled) const {
    const float s = static_cast<float>(scale);
    return {origin.x + r.left * s, origin.y + (r.top - scrolled) * s, origin.x + r.right * s,
            origin.y + (r.bottom - scrolled) * s};
  }

  // Waits until the screen shows the frame's rectangle (rendered at the window's scale).
  bool showsLikeFrame(const Image& frame, const RectF& rect, float scrolled) {
    const RectF screen = onScreen(rect, scrolled);
    const float s = static_cast<float>(scale);
    const RectF inFrame{rect.left * s, rect.top * s, rect.right * s, rect.bottom * s};
    double distance = 0;
    const bool alike = waitForPixels(
        static_cast<int>(screen.left), static_cast<int>(screen.top),
        static_cast<int>(inFrame.right) - static_cast<int>(inFrame.left),
        static_cast<int>(inFrame.bottom) - static_cast<int>(inFrame.top),
        [&](const std::vector<std::uint32_t>& pixels) {
          distance = regionDistance(pixels, frame, inFrame);
          return distance < 6;
        },
        std::chrono::seconds(30));
    if (!alike) ADD_FAILURE() << "mean difference " << distance;
    return alike;
  }

  int scale = 1;
};

TEST_P(WindowSizeTest, nothingOverlapsAndDownloadStatusAndLogAreInTheWindow) {
  const SizeCase& size = GetParam();
  scale = size.scale;
  if (scale != 1) ::setenv("GDK_SCALE", std::to_string(scale).c_str(), 1);
  for (const char* tool : {"yt-dlp", "ffmpeg", "ffprobe", "deno"}) (void)Sandbox::current().exposeTool(tool);
  auto opened = launch(app);
  ASSERT_TRUE(opened);
  box = *opened;
  auto found = contentOrigin(box, scale);
  ASSERT_TRUE(found);
  origin = *found;
  // The window fits the screen (96 % of it at most).
  EXPECT_LE(box.width, size.screenWidth);
  EXPECT_LE(box.height, size.screenHeight);

  if (size.shrinkToMinimum) {
    const int frameWidth = box.width - (box.x + box.width - 1 - origin.x);
    const int frameHeight = box.height - (box.y + box.height - 1 - origin.y);
    ASSERT_TRUE(session.xdotool({"windowsize", "--sync", std::to_string(box.id),
                                 std::to_string(minimumContentSize.width + frameWidth),
                                 std::to_string(minimumContentSize.height + frameHeight)}));
    auto resized = geometry(box.id);
    ASSERT_TRUE(resized);
    box = *resized;
  }
  const float width = static_cast<float>(box.x + box.width - scale - origin.x) / static_cast<float>(scale);
  const float height = static_cast<float>(box.y + box.height - scale - origin.y) / static_cast<float>(scale);
  if (size.shrinkToMinimum) {
    EXPECT_EQ(width, minimumContentSize.width);
    EXPECT_EQ(height, minimumContentSize.height);
  }

  // What the window should show: the layout for its width, at least as tall as its content needs.
  ASSERT_TRUE(session.xdotool({"mousemove", "--sync", std::to_string(origin.x + 4),
                               std::to_string(origin.y + static_cast<int>(height * scale / 2))}));
  FrameState frame = englishFrame();
  frame.linkBoxFocused = true;
  const float page = std::max(height, std::ceil(minimumMainHeight(frame, width, expected.text())));
  const Image image = expected.renderMainWindow(frame, width, page, scale, &layout);

  // Nothing overlaps: header, cards, log and footer follow each other inside the page.
  EXPECT_LE(layout.languageButtonRect.bottom, layout.mainCardRect.top);
  EXPECT_LT(layout.mainCardRect.bottom, layout.statusCardRect.top);
  EXPECT_LT(layout.statusCardRect.bottom, layout.logCardRect.top);
  EXPECT_LE(layout.logCardRect.bottom, layout.footerTextRect.top);
  EXPECT_LE(layout.footerTextRect.bottom, page);
  EXPECT_GE(layout.logEditRect.height(), 16);  // at least one line of the log

  // Download at the top of the page.
  EXPECT_TRUE(showsLikeFrame(image, layout.actionButtonRect, 0));
  // The page's end, where it is taller than the window scrolled to with the wheel or reached
  // from the link box with Shift+Tab: the status, the log's card and its text, the footer.
  const float scrolled = page - height;
  Image end = image;
  if (size.byKeyboard) {
    pressKeys("shift+Tab");
    frame.linkBoxFocused = false;
    frame.mainWindowHasFocus = true;
    frame.focusVisible = true;
    frame.focusId = ElementId::footerLink;
    end = expected.renderMainWindow(frame, width, page, scale);
  } else if (scrolled > 0) {
    ASSERT_TRUE(session.xdotool({"click", "--repeat", "40", "--delay", "30", "5"}));
  }
  const RectF& track = layout.progressTrackRect;
  EXPECT_TRUE(
      showsLikeFrame(end, {track.left - 4, track.top - 4, track.right + 4, track.bottom + 4}, scrolled));
  EXPECT_TRUE(showsLikeFrame(
      end, {layout.logCardRect.left, layout.logCardRect.top, layout.logCardRect.right, layout.logBoxRect.top},
      scrolled));
  const RectF footer{layout.footerTextRect.left, layout.footerTextRect.top - 4,
                     layout.footerLinkRect.right + 4, layout.footerTextRect.bottom + 4};
  EXPECT_TRUE(showsLikeFrame(end, footer, scrolled));
  const RectF log = onScreen(layout.logEditRect, scrolled);
  EXPECT_TRUE(waitForPixels(static_cast<int>(log.left), static_cast<int>(log.top),
                            static_cast<int>(log.width()), static_cast<int>(log.height()),
                            [](const std::vector<std::uint32_t>& pixels) {
                              return std::any_of(pixels.begin(), pixels.end(), [](std::uint32_t p) {
                                return std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF}) >= 0x80;
                              });
                            }));
  saveScreenshot(std::string("size-") + size.name);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WindowSizeTest, ::testing::ValuesIn(sizeCases),
                         [](const ::testing::TestParamInfo<SizeCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tarnwick::test
