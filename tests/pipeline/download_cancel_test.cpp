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
  void paceConversions() { paceFfmpegRunsMatching(jobConversionArguments); }
  void expectNothingLeft() {
    for (const std::string& file : savedFiles()) EXPECT_EQ(file.find(".ctmp"), std::string::npos) << file;
    EXPECT_EQ(leftoverProcesses(), std::vector<std::string>{});
    EXPECT_EQ(test::jobRecordsLeft(), std::vector<std::string>{});
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
  paceConversions();
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

// A conversion writes beside the final name and takes its place only once complete: a file the
// user already had there is neither emptied while ffmpeg runs nor lost when the run dies.
TEST_F(CancelledDownload, ConversionStoppedMidwayLeavesAnExistingFileWhole) {
  struct Stop {
    const char* how;
    void (*act)();
    int outcome;
  };
  const Stop stops[] = {
      {"ffmpeg's group killed, as by a crash", [] { terminateJobSlot(downloadProcessJob); }, 1},
      {"Cancel", [] { cancelDownloadJob(); }, 2},
  };
  paceConversions();
  serveClip("clip.mp4", MediaKind::mp4H264Aac, 6.0);
  const fs::path final = folder / "clip [clip].avi";
  for (const Stop& stop : stops) {
    SCOPED_TRACE(stop.how);
    recorder.clear();
    cancelRequested = false;
    test::writeFile(final, "an older download");
    start(videoRequest("/clip.mp4", 4));
    ASSERT_TRUE(waitForProgressAfter(L"Converting to AVI \u2026"));
    // ffmpeg is writing, and not into the final name.
    std::vector<std::string> files = savedFiles();
    EXPECT_TRUE(std::any_of(files.begin(), files.end(), [](const std::string& file) {
      return file.starts_with("clip [clip].ctmp-") && file.ends_with(".conv.avi");
    })) << files.size();
    EXPECT_EQ(test::readFile(final), "an older download");
    stop.act();
    EXPECT_EQ(finish(), stop.outcome);
    EXPECT_EQ(savedFiles(), std::vector<std::string>{"clip [clip].avi"});
    EXPECT_EQ(test::readFile(final), "an older download");
    expectNothingLeft();
  }
}

// A cancelled playlist takes back the subfolder it made; a folder the user had stays, empty or not.
TEST_F(CancelledDownload, PlaylistLeavesNoSubfolderOfItsOwn) {
  std::string bytes = serveClip("a.mp4", MediaKind::mp4H264Aac);
  serveClip("b.mp4", MediaKind::mp4H264Aac);
  servePlaylistPage("/list.html", "Two Clips", {"a.mp4", "b.mp4"});
  fs::create_directory(folder / "Mine");
  server.throttle(2048, std::chrono::milliseconds(5));
  server.holdAfter("/a.mp4", bytes.size() / 2);
  DownloadRequest request = videoRequest("/list.html", 0);
  request.wholePlaylist = true;
  start(request);
  ASSERT_TRUE(server.waitUntilHeld());
  ASSERT_TRUE(fs::is_directory(folder / "Two Clips"));
  cancelDownloadJob();
  EXPECT_EQ(finish(), 2);
  std::vector<std::string> entries;
  for (const auto& entry : fs::directory_iterator(folder))
    entries.push_back(entry.path().filename().string());
  EXPECT_EQ(entries, std::vector<std::string>{"Mine"});
  expectNothingLeft();
}

}  // namespace
}  // namespace tarnwick
