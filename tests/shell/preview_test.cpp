// A pasted link's preview card in the real window: yt-dlp answers the details, and every web
// request (the title lookup, the thumbnail) is refused at a proxy port on loopback, as on a
// machine without network.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include "test_paths.h"
#include "window_fixture.h"

namespace tarnwick::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* previewYtDlp = R"sh(#!/bin/sh
for a in "$@"; do
  case "$a" in
    --version) echo 2026.11.23; exit 0 ;;
    *'%(duration)s'*) echo '212|1234567|2160|"Preview title"|"Preview channel"'; exit 0 ;;
  esac
done
exit 0
)sh";

// User plus system CPU time of a process, in seconds.
double cpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(in, line);
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream rest(line.substr(close + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::stod(field);
  }
  return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Pixels of the log view's light text on its dark field.
int textPixels(const std::vector<std::uint32_t>& pixels) {
  return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), [](std::uint32_t p) {
    return std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF}) >= 0x80;
  }));
}

class PreviewTest : public TarnwickWindowTest {
 protected:
  void SetUp() override {
    TarnwickWindowTest::SetUp();
    if (IsSkipped()) return;
    ::setenv("https_proxy", "http://127.0.0.1:9", 1);
    ::unsetenv("HTTPS_PROXY");
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
    Sandbox::current().writeScript("yt-dlp", previewYtDlp);
  }

  // The card once every reply is in: details from yt-dlp, no title from the site, no picture.
  static FrameState finishedPreview() {
    FrameState frame = englishFrame();
    frame.linkBoxFocused = true;
    frame.preview.active = true;
    frame.preview.title = L"Preview title";
    frame.preview.channel = L"Preview channel";
    frame.preview.durationSeconds = 212;
    frame.preview.viewCount = 1234567;
    frame.preview.height = 2160;
    return frame;
  }

  // Starts the program, pastes a link and waits until the card has every reply.
  void showFinishedPreview() {
    ASSERT_NO_FATAL_FAILURE(startProgram(false));
    FrameState frame = finishedPreview();
    Image finished = expected.renderMainWindow(frame, 900, 860, 1.0, &previewLayout);
    frame.preview = {};
    frame.preview.active = true;
    frame.preview.titlePending = frame.preview.detailsPending = frame.preview.thumbnailPending = true;
    Image waiting = expected.renderMainWindow(frame, 900, 860, 1.0);
    typeText("https://www.youtube.com/watch?v=aaaaaaaaaaa");
    ASSERT_TRUE(waitUntilLooksLike(previewLayout.previewCardRect, finished, waiting, 60s));
  }

  MainLayout previewLayout;
};

TEST_F(PreviewTest, theLogShowsItsNewestLinesBesideAPreview) {
  ASSERT_NO_FATAL_FAILURE(showFinishedPreview());
  // The preview pushes the layout to its first compact level: the log keeps about two lines.
  ASSERT_EQ(previewLayout.compactLevel, 1);
  const RectF log = previewLayout.logEditRect;
  ASSERT_GE(log.height(), 16);
  // The newest line sits at the bottom of the view, scrolled into sight.
  const RectF newest{log.left, log.bottom - 16, log.right, log.bottom};
  EXPECT_TRUE(
      waitForPixels(origin.x + static_cast<int>(newest.left), origin.y + static_cast<int>(newest.top),
                    static_cast<int>(newest.width()), static_cast<int>(newest.height()),
                    [](const std::vector<std::uint32_t>& pixels) { return textPixels(pixels) > 40; }));
  saveScreenshot("preview-default");
}

TEST_F(PreviewTest, aPreviewWhoseThumbnailNeverComesLetsTheWindowIdle) {
  ASSERT_NO_FATAL_FAILURE(showFinishedPreview());
  // Idle means no CPU time over a whole observed interval. The entry's caret blinks for GTK's
  // first 10 s after typing, so quiet intervals are looked for, not assumed.
  constexpr auto interval = 2s;
  const double allowed = 2.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));  // two clock ticks
  double used = 0;
  auto deadline = std::chrono::steady_clock::now() + 40s;
  do {
    const double before = cpuSeconds(app.pid());
    std::this_thread::sleep_for(interval);
    used = cpuSeconds(app.pid()) - before;
  } while (used > allowed && std::chrono::steady_clock::now() < deadline);
  EXPECT_LE(used, allowed) << "CPU seconds over the last " << interval.count() << " s while idle";
  saveScreenshot("preview-without-thumbnail");
}

}  // namespace
}  // namespace tarnwick::test
