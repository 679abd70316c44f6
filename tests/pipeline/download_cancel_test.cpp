// Cancel at every stage of a download job: outcome 2, none of the job's temporary files and none
// of its processes left, results finished before the cancel kept.
#include "download_fixture.h"

namespace tarnwick {
namespace {

using test::MediaKind;
using test::Posted;
namespace fs = std::filesystem;

class CancelledDownload : public test::DownloadJobTest {
 protected:
  void start(DownloadRequest request) {
    job = std::thread([request = std::move(request)]() mutable { downloadJobMain(std::move(request)); });
  }
  int finish() {
    EXPECT_TRUE(recorder.waitForJobDone());
    job.join();
    return outcome();
  }
  void TearDown() override {
    if (job.joinable()) {
      cancelDownloadJob();
      job.join();
    }
  }
  // Waits for a determinate progress posted after a status equal to `status` (or any status
  // starting with "Downloading" when `status` is empty).
  bool waitForProgressAfter(const std::wstring& status) {
    return recorder.waitUntil([&](const std::vector<test::Recorded>& all) {
      bool seen = false;
      for (const test::Recorded& m : all) {
        if (m.id == WM_APP_STATUS)
          seen = status.empty() ? startsWith(m.text, L"Downloading") : m.text == status;
        if (seen && m.id == WM_APP_PROGRESS && m.lParam == 0) return true;
      }
      return false;
    });
  }
  void expectNothingLeft() {
    for (const std::string& file : savedFiles()) EXPECT_EQ(file.find(".ctmp"), std::string::npos) << file;
    EXPECT_EQ(leftoverProcesses(), std::vector<std::string>{});
  }

  std::thread job;
};

TEST_F(CancelledDownload, BeforeTheChildStartsNothingRuns) {
  serveClip("clip.mp4", MediaKind::mp4H264Aac);
  cancelRequested = true;
  EXPECT_EQ(runJob(videoRequest("/clip.mp4", 0)), 2);
  // yt-dlp never ran: none of its lines arrived.
  EXPECT_TRUE(texts(WM_APP_LOG).empty());
  EXPECT_TRUE(savedFiles().empty());
  expectNothingLeft();
}

TEST_F(CancelledDownload, DuringTheDownloadRemovesThePartialFile) {
  std::string bytes = serveClip("clip.mp4", MediaKind::mp4H264Aac);
  server.throttle(2048, std::chrono::milliseconds(5));
  server.holdAfter("/clip.mp4", bytes.size() / 2);
  start(videoRequest("/clip.mp4", 4));
  ASSERT_TRUE(waitForProgressAfter(L""));
  cancelDownloadJob();
  EXPECT_EQ(finish(), 2);
  EXPECT_EQ(savedFiles(), std::vector<std::string>{});
  expectNothingLeft();
}

TEST_F(CancelledDownload, DuringAFragmentedDownloadRemovesFragmentsAndResumeData) {
  serveDashManifest("/manifest.mpd");
  server.throttle(2048, std::chrono::milliseconds(5));
  server.holdAfter("/video.mp4", 8192);
  start(videoRequest("/manifest.mpd", 0));
  ASSERT_TRUE(waitForProgressAfter(L""));
  ASSERT_TRUE(server.waitUntilHeld());
  cancelDownloadJob();
  EXPECT_EQ(finish(), 2);
  EXPECT_EQ(savedFiles(), std::vector<std::string>{});
  expectNothingLeft();
}

TEST_F(CancelledDownload, DuringTheSecondOfThreeConversionsKeepsTheFirst) {
  // Paces only the job's own conversions (real time, "-re"), so the second is surely running.
  const std::string ffmpeg = test::Sandbox::realTool("ffmpeg").string();
  // bin/ffmpeg is a symlink to the real program: replace the link, never write through it.
  fs::remove(test::Sandbox::current().bin() / "ffmpeg");
  test::Sandbox::current().writeScript(
      "ffmpeg", "#!/bin/sh\ncase \"$*\" in\n  *\"-nostdin -y -progress pipe:1 -nostats\"*) exec " + ffmpeg +
                    " -re \"$@\" ;;\nesac\nexec " + ffmpeg + " \"$@\"\n");
  for (const char* clip : {"a.mp4", "b.mp4", "c.mp4"}) serveClip(clip, MediaKind::mp4H264Aac, 4.0);
  servePlaylistPage("/list.html", "Three Clips", {"a.mp4", "b.mp4", "c.mp4"});
  DownloadRequest request = videoRequest("/list.html", 8);
  request.wholePlaylist = true;
  start(request);
  ASSERT_TRUE(waitForProgressAfter(L"Converting to OGV \u2026  (2/3)"));
  cancelDownloadJob();
  EXPECT_EQ(finish(), 2);
  const std::string first = "Three Clips/001 - Three Clips (1) [list-1].ogv";
  EXPECT_EQ(savedFiles(), std::vector<std::string>{first});
  auto probe = test::probeMedia(folder / first);
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->videoCodecs, std::vector<std::string>{"theora"});
  expectNothingLeft();
  for (const std::wstring& line : texts(WM_APP_LOG)) EXPECT_FALSE(startsWith(line, L"Error:")) << line;
}

}  // namespace
}  // namespace tarnwick
