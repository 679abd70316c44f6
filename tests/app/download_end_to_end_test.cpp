// Download and Cancel driven through the real channel, the real job thread, real yt-dlp and
// ffmpeg, on media served from 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "app/actions.h"
#include "app/app_state.h"
#include "app/messages.h"
#include "app/status_texts.h"
#include "app/window_input.h"
#include "base/channel.h"
#include "base/process_runner.h"
#include "base/text.h"
#include "fake_host.h"
#include "media_tools.h"
#include "sandbox.h"
#include "ui_thread_pump.h"

namespace tarnwick::test {
namespace {

class DownloadEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    Sandbox& sandbox = Sandbox::current();
    for (const char* tool : {"yt-dlp", "ffmpeg", "deno"}) {
      if (sandbox.exposeTool(tool).empty()) GTEST_SKIP() << tool << " is not installed";
    }
    saves = sandbox.makeFolder("saves");
    state.folder = fromPath(saves);
    state.now = [this] { return clock; };
  }
  void TearDown() override { stopAllWorkAndJoin(); }
  void stopAllWorkAndJoin() {
    if (state.jobThread.joinable()) {
      cancelDownloadJob();
      state.jobThread.join();
    }
  }

  bool pumpUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(120)) {
    return pump.until(state, host, done, limit);
  }

  std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
      files.push_back(entry.path());
    return files;
  }

  UiThreadPump pump;  // first, so that the channel closes after everything else is gone
  std::filesystem::path saves;
  FakeHost host;
  AppState state;
  MediaServer media;
  std::uint64_t clock = 1'000'000;
};

TEST_F(DownloadEndToEnd, DownloadRunsFromStartingToDone) {
  std::string clip = makeMedia(Sandbox::current().makeFolder("src") / "clip.mp4", MediaKind::mp4H264Aac);
  ASSERT_FALSE(clip.empty());
  media.add("/media/clip.mp4", clip, "video/mp4");
  host.text = media.url("/media/clip.mp4");

  activateElement(state, host, ElementId::download);
  ASSERT_EQ(state.jobState, downloadJobRunning);
  EXPECT_EQ(statusLine(state), L"Starting \u2026");
  EXPECT_TRUE(host.readOnly);
  EXPECT_TRUE(host.animationTimer);

  ASSERT_TRUE(pumpUntil([&] { return state.jobState == noJob; }));
  EXPECT_EQ(state.statusKind, statusDone) << wideToUtf8(state.log.text());
  ASSERT_FALSE(state.outputPath.empty());
  const std::filesystem::path output = toPath(state.outputPath);
  EXPECT_TRUE(std::filesystem::is_regular_file(output));
  EXPECT_EQ(output.parent_path(), saves);
  EXPECT_EQ(output.extension(), ".mp4");
  EXPECT_EQ(statusLine(state), L"Done!  " + fileNameOf(state.outputPath));
  EXPECT_TRUE(endsWith(state.log.text(), L"\u2714 Done!  " + state.outputPath));
  EXPECT_EQ(filesIn(saves), std::vector<std::filesystem::path>{output});  // no ".ctmp" left
  EXPECT_FALSE(host.readOnly);
  EXPECT_FALSE(host.animationTimer);
  EXPECT_EQ(host.beeps, std::vector<Beep>{Beep::success});
  EXPECT_TRUE(isElementEnabled(state, ElementId::showInFolder));
}

TEST_F(DownloadEndToEnd, CancelShowsCancellingThenCancelledAndLeavesNothing) {
  std::string clip = makeMedia(Sandbox::current().makeFolder("src") / "long.mp4", MediaKind::mp4H264Aac, 8.0);
  ASSERT_FALSE(clip.empty());
  media.add("/media/long.mp4", clip, "video/mp4");
  media.throttle(2048, std::chrono::milliseconds(5));
  media.holdAfter("/media/long.mp4", clip.size() / 2);
  host.text = media.url("/media/long.mp4");

  activateElement(state, host, ElementId::download);
  ASSERT_EQ(state.jobState, downloadJobRunning);
  // Wait until the transfer itself shows progress and its partial file exists.
  ASSERT_TRUE(
      pumpUntil([&] { return startsWith(state.statusDetail, L"Downloading") && state.progress >= 0; }));
  ASSERT_TRUE(media.waitUntilHeld());
  EXPECT_FALSE(filesIn(saves).empty());

  // Whatever the job posted since the last drain arrives after the Cancel.
  clock += downloadClickGuardMs;
  activateElement(state, host, ElementId::download);  // the button is Cancel now
  EXPECT_EQ(statusLine(state), L"Cancelling \u2026");
  EXPECT_EQ(state.statusKind, statusBusy);

  bool overwritten = false;
  ASSERT_TRUE(pumpUntil([&] {
    if (state.jobState != noJob && statusLine(state) != L"Cancelling \u2026") overwritten = true;
    return state.jobState == noJob;
  }));
  EXPECT_FALSE(overwritten);
  media.release();
  EXPECT_EQ(statusLine(state), L"Cancelled.");
  EXPECT_EQ(state.statusKind, statusCancelled);
  EXPECT_TRUE(filesIn(saves).empty());
  EXPECT_TRUE(host.beeps.empty());
}

}  // namespace
}  // namespace tarnwick::test
