#include "pipeline/download_job.h"

#include "download_fixture.h"
#include "setup/setup_overrides.h"

namespace tarnwick {
namespace {

using test::DownloadJobTest;
using test::MediaKind;
using test::Posted;
namespace fs = std::filesystem;

TEST(FinalPathFor, DropsTheMarkerAndKeepsTheFolder) {
  EXPECT_EQ(finalPathFor(L"/v/Title [abc].ctmp.webm", L"mp4"), L"/v/Title [abc].mp4");
  EXPECT_EQ(finalPathFor(L"D:\\Videos\\Title [abc].ctmp.webm", L"mp4"), L"D:\\Videos/Title [abc].mp4");
  EXPECT_EQ(finalPathFor(L"/v/List/001 - a [x].ctmp.mp3", L"mp3"), L"/v/List/001 - a [x].mp3");
  EXPECT_EQ(finalPathFor(L"/v//a.CTMP.mkv", L"avi"), L"/v/a.avi");
  EXPECT_EQ(finalPathFor(L"/v/.ctmp.mp4", L"mkv"), L"/v/.ctmp.mkv");  // a stem of exactly ".ctmp" stays
  EXPECT_EQ(finalPathFor(L"/v/x.ctmp", L"mp4"), L"/v/x.mp4");
  EXPECT_EQ(finalPathFor(L"/v/name.", L"mp4"), L"/v/name.mp4");
  EXPECT_EQ(finalPathFor(L"/v/.hidden", L"mp4"), L"/v/.hidden.mp4");
  EXPECT_EQ(finalPathFor(L"/a: b.ctmp.mp4", L"ogv"), L"/a: b.ogv");  // ":" is an ordinary character here
  EXPECT_EQ(finalPathFor(L"C:\\a.ctmp.mp4", L"wmv"), L"C:\\a.wmv");
  // A job drops its own marker only.
  const std::wstring marker = newJobMarker();
  EXPECT_TRUE(isJobMarker(marker));
  EXPECT_NE(marker, newJobMarker());
  EXPECT_EQ(finalPathFor(L"/v/a [x]" + marker + L".webm", L"mp4", marker), L"/v/a [x].mp4");
  EXPECT_EQ(finalPathFor(L"/v/a [x].ctmp.webm", L"mp4", marker), L"/v/a [x].ctmp.mp4");
  EXPECT_EQ(finalPathFor(L"/v/a [x]" + marker + L".webm", L"mp4"), L"/v/a [x]" + marker + L".mp4");
}

TEST(RemovePartialFiles, RemovesWhatBelongsToEachAnnouncedDestination) {
  fs::path dir = test::Sandbox::current().makeFolder("partial");
  for (const char* name :
       {"a [1].ctmp.f1.mp4.part", "a [1].ctmp.f1.mp4.part-Frag3", "a [1].ctmp.f1.mp4.ytdl",
        "a [1].ctmp.temp.mp4", "a [1].ctmp.f2.m4a", "a [1].mp4", "b [2].ctmp.mp4.part", "other.txt"})
    test::writeFile(dir / name, "x");
  fs::create_directory(dir / "a [1].ctmp.folder");
  removePartialFiles({fromPath(dir / "a [1].ctmp.f1.mp4"), fromPath(dir / "no-marker.mp4"),
                      fromPath(dir / "missing") + L"/z.ctmp.mp4", fromPath(dir) + L"/"});
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir)) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left,
            (std::vector<std::string>{"a [1].ctmp.folder", "a [1].mp4", "b [2].ctmp.mp4.part", "other.txt"}));
}

TEST_F(DownloadJobTest, ComponentsMissingWhenDenoAloneIsAbsent) {
  EXPECT_FALSE(componentsMissing());
  fs::remove(test::Sandbox::current().bin() / "deno");
  EXPECT_TRUE(componentsMissing());
}

TEST_F(DownloadJobTest, SetupOnlyJobUpdatesYtDlpAndReportsKindZero) {
  DownloadRequest setupOnly;  // kind 0, everything else empty
  downloadJobMain(setupOnly);
  std::vector<Posted> all = test::snapshot(recorder);
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all.back().id, WM_APP_JOB_DONE);
  EXPECT_EQ(all.back().wParam, 0u);
  EXPECT_EQ(all.back().lParam, 0);
  std::vector<std::wstring> log = texts(WM_APP_LOG);
  EXPECT_NE(std::find(log.begin(), log.end(), L"Updating yt-dlp \u2026"), log.end());

  recorder.clear();
  cancelRequested = true;  // a cancelled setup-only job reports 2
  downloadJobMain(setupOnly);
  EXPECT_EQ(test::snapshot(recorder).back().wParam, 2u);
}

TEST_F(DownloadJobTest, MissingDenoRunsTheSetupFirstAndItsFailureEndsTheJob) {
  serveClip("clip.mp4", MediaKind::mp4H264Aac);
  fs::remove(test::Sandbox::current().bin() / "deno");
  setup::setComponentSourcesForTesting(
      {server.url("/no-yt-dlp"), server.url("/no-deno.zip"), server.url("/no-ffmpeg.tar.xz")});
  EXPECT_EQ(runJob(videoRequest("/clip.mp4", 0)), 1);
  std::vector<std::wstring> statuses = texts(WM_APP_STATUS);
  ASSERT_FALSE(statuses.empty());
  EXPECT_EQ(statuses.front(), L"Preparing components \u2026");
  // No "Updating yt-dlp …" in a download job, and yt-dlp never ran.
  EXPECT_EQ(std::find(statuses.begin(), statuses.end(), L"Updating yt-dlp \u2026"), statuses.end());
  EXPECT_EQ(std::find(statuses.begin(), statuses.end(), L"Analyzing video \u2026"), statuses.end());
  EXPECT_TRUE(savedFiles().empty());
}

TEST_F(DownloadJobTest, SingleMergedMp4FollowsTheTypicalSequence) {
  serveDashManifest("/manifest.mpd");
  server.throttle(4096, std::chrono::milliseconds(2));
  ASSERT_EQ(runJob(videoRequest("/manifest.mpd", 0, 4)), 0) << logText();

  std::vector<Posted> all = test::snapshot(recorder);
  ASSERT_GE(all.size(), 6u);
  EXPECT_EQ(all[0].id, WM_APP_PROGRESS);
  EXPECT_EQ(all[0].lParam, 1);
  EXPECT_EQ(all[1].id, WM_APP_STATUS);
  EXPECT_EQ(all[1].text, L"Analyzing video \u2026");
  const std::wstring temporary = fromPath(folder / "manifest [manifest].ctmp.mp4");
  const std::wstring final = fromPath(folder / "manifest [manifest].mp4");
  // Downloading statuses with progress, then the merge, then the temporary and the final path.
  std::size_t downloading = 0, determinate = 0, merging = 0, paths = 0;
  for (std::size_t i = 2; i + 1 < all.size(); ++i) {
    const Posted& m = all[i];
    if (m.id == WM_APP_STATUS && startsWith(m.text, L"Downloading")) {
      EXPECT_EQ(merging, 0u) << "download status after the merge";
      ++downloading;
    }
    if (m.id == WM_APP_PROGRESS && m.lParam == 0) ++determinate;
    if (m.id == WM_APP_STATUS && m.text == L"Merging video and audio \u2026") ++merging;
    if (m.id == WM_APP_LOG) {
      EXPECT_FALSE(startsWith(m.text, L"[P]") || startsWith(m.text, L"[F]")) << m.text;
    }
    if (m.id == WM_APP_OUTPUT_PATH) {
      EXPECT_EQ(merging, 1u);
      EXPECT_EQ(test::withPlainMarker(m.text), paths == 0 ? temporary : final);
      ++paths;
    }
  }
  EXPECT_GE(downloading, 7u);
  EXPECT_GE(determinate, 7u);
  EXPECT_EQ(paths, 2u);
  EXPECT_EQ(all[all.size() - 2].id, WM_APP_OUTPUT_PATH);
  EXPECT_EQ(all.back().wParam, 0u);

  EXPECT_EQ(savedFiles(), std::vector<std::string>{"manifest [manifest].mp4"});
  EXPECT_EQ(test::jobRecordsLeft(), std::vector<std::string>{});
  auto probe = test::probeMedia(folder / "manifest [manifest].mp4");
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->videoCodecs, std::vector<std::string>{"h264"});
  EXPECT_EQ(probe->audioCodecs, std::vector<std::string>{"aac"});
}

TEST_F(DownloadJobTest, MissingLinkFailsWithYtDlpErrorsInTheLog) {
  EXPECT_EQ(runJob(videoRequest("/gone.mp4", 0)), 1);
  std::string log = logText();
  EXPECT_NE(log.find("ERROR:"), std::string::npos) << log;
  EXPECT_NE(log.find("404"), std::string::npos) << log;
  EXPECT_TRUE(texts(WM_APP_OUTPUT_PATH).empty());
  EXPECT_TRUE(savedFiles().empty());
}

TEST_F(DownloadJobTest, ExistingFileUnderTheFinalNameIsReplaced) {
  serveClip("clip.mp4", MediaKind::mp4H264Aac);
  test::writeFile(folder / "clip [clip].mp4", "an older download");
  ASSERT_EQ(runJob(videoRequest("/clip.mp4", 0)), 0) << logText();
  EXPECT_EQ(savedFiles(), std::vector<std::string>{"clip [clip].mp4"});
  EXPECT_TRUE(test::probeMedia(folder / "clip [clip].mp4"));
}

TEST_F(DownloadJobTest, FinalNameThatCannotBeWrittenFailsAndLeavesOnlyWhatWasThere) {
  serveClip("clip.mp4", MediaKind::mp4H264Aac);
  // A folder holds the final name: neither a move nor a conversion can put a file there.
  fs::create_directories(folder / "clip [clip].mp4");
  test::writeFile(folder / "clip [clip].mp4" / "keep.txt", "mine");
  EXPECT_EQ(runJob(videoRequest("/clip.mp4", 0)), 1);
  const std::wstring source = fromPath(folder / "clip [clip].ctmp.mp4");
  std::vector<std::wstring> log = texts(WM_APP_LOG);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(test::withPlainMarker(log.back()), L"Error: could not rename " + source);
  EXPECT_EQ(savedFiles(), (std::vector<std::string>{"clip [clip].mp4/keep.txt"}));

  recorder.clear();
  fs::create_directories(folder / "clip [clip].avi");
  test::writeFile(folder / "clip [clip].avi" / "keep.txt", "mine");
  EXPECT_EQ(runJob(videoRequest("/clip.mp4", 4)), 1);
  log = texts(WM_APP_LOG);
  EXPECT_EQ(test::withPlainMarker(log.back()), L"Error: conversion to AVI failed: " + source);
  EXPECT_EQ(savedFiles(), (std::vector<std::string>{"clip [clip].avi/keep.txt", "clip [clip].mp4/keep.txt"}));
  EXPECT_EQ(test::jobRecordsLeft(), std::vector<std::string>{});
}

}  // namespace
}  // namespace tarnwick
