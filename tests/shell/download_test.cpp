// Whole downloads driven through the window with synthetic input: real yt-dlp and ffmpeg fetching
// media made with ffmpeg and served on 127.0.0.1.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/text.h"
#include "media_tools.h"
#include "test_paths.h"
#include "window_fixture.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class DownloadTest : public TarnwickWindowTest {
 protected:
  void SetUp() override {
    TarnwickWindowTest::SetUp();
    if (IsSkipped()) return;
    std::string bytes = makeMedia(Sandbox::current().root() / "clip.mp4", MediaKind::mp4H264Aac, 2.0);
    ASSERT_FALSE(bytes.empty()) << "ffmpeg could not make the test clip";
    media.add("/clip.mp4", std::move(bytes), "video/mp4");
    link = wideToUtf8(media.url("/clip.mp4"));
  }

  fs::path downloads() const { return Sandbox::current().home() / "Downloads"; }

  std::vector<std::string> downloadedFiles() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(downloads(), ec)) {
      if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    }
    return names;
  }

  void startDownload() {
    typeText(link);
    pressKeys("Return");
  }

  MediaServer media;
  std::string link;  // names this test's own server port: tools of tests running beside it never match
};

TEST_F(DownloadTest, aTypedLinkAndEnterSaveTheFileAndSayDone) {
  ASSERT_NO_FATAL_FAILURE(startProgram());
  startDownload();
  EXPECT_TRUE(waitForLog("\u2714 Done!"));
  // The log view is built after the first frame; what was logged before it is there too.
  EXPECT_NE(copyLog().find("Welcome to Tarnwick App!"), std::string::npos);
  auto files = downloadedFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(fs::path(files[0]).extension(), ".mp4");
  EXPECT_EQ(files[0].find(".ctmp"), std::string::npos);
  saveScreenshot("download-done");
}

TEST_F(DownloadTest, escapeDuringADownloadCancelsItAndLeavesNothingBehind) {
  media.holdAfter("/clip.mp4", 16 * 1024);
  ASSERT_NO_FATAL_FAILURE(startProgram());
  startDownload();
  ASSERT_TRUE(media.waitUntilHeld(120s));
  // Reading the log moves the focus into it; Esc must still cancel from there.
  (void)copyLog();
  pressKeys("Escape");
  EXPECT_TRUE(waitForLog("\u2716 Cancelled."));
  saveScreenshot("download-cancelled");
  EXPECT_TRUE(childrenOf(app.pid()).empty());
  EXPECT_TRUE(processesMentioning(link, 10s).empty());
  EXPECT_TRUE(downloadedFiles().empty());
  media.release();
}

TEST_F(DownloadTest, closingDuringADownloadAsksAndNoKeepsBoth) {
  media.holdAfter("/clip.mp4", 16 * 1024);
  ASSERT_NO_FATAL_FAILURE(startProgram());
  startDownload();
  ASSERT_TRUE(media.waitUntilHeld(120s));

  clickClose();
  ASSERT_TRUE(session.waitForWindow("Tarnwick", 20s)) << "no quit question";
  saveScreenshot("quit-question");
  pressKeys("Escape");  // not Yes: the window and the download stay
  EXPECT_EQ(app.wait(2s), std::nullopt);
  EXPECT_EQ(session.countWindows("Tarnwick App"), 1);
  EXPECT_FALSE(processesMentioning(link, 0ms).empty());

  clickClose();
  ASSERT_TRUE(session.waitForWindow("Tarnwick", 20s));
  pressKeys("alt+y");
  EXPECT_EQ(app.wait(60s), 0);
  media.release();
  EXPECT_TRUE(processesMentioning(link, 10s).empty());
  EXPECT_TRUE(downloadedFiles().empty());
  EXPECT_TRUE(fs::exists(Sandbox::current().root() / "config" / "Tarnwick" / "settings.ini"));
}

}  // namespace
}  // namespace tarnwick::test
