// Whole playlists: one subfolder, numbered files, one final path per entry.
#include "download_fixture.h"

namespace tarnwick {
namespace {

using test::MediaKind;
namespace fs = std::filesystem;

class PlaylistDownload : public test::DownloadJobTest {
 protected:
  void SetUp() override {
    test::DownloadJobTest::SetUp();
    for (const char* clip : {"a.mp4", "b.mp4", "c.mp4"}) serveClip(clip, MediaKind::mp4H264Aac);
    servePlaylistPage("/list.html", "Three Clips", {"a.mp4", "b.mp4", "c.mp4"});
  }

  // The final paths posted after the temporary ones of the "[F]" lines.
  std::vector<std::wstring> finalPaths() {
    std::vector<std::wstring> out;
    for (const std::wstring& path : texts(WM_APP_OUTPUT_PATH))
      if (path.find(L".ctmp") == std::wstring::npos) out.push_back(path);
    return out;
  }

  std::vector<std::string> expectedFiles(const std::string& extension) {
    std::vector<std::string> files;
    for (int i = 1; i <= 3; ++i)
      files.push_back("Three Clips/00" + std::to_string(i) + " - Three Clips (" + std::to_string(i) +
                      ") [list-" + std::to_string(i) + "]." + extension);
    return files;
  }
};

TEST_F(PlaylistDownload, WholePlaylistLandsNumberedInItsSubfolder) {
  DownloadRequest request = videoRequest("/list.html", 1);
  request.wholePlaylist = true;
  ASSERT_EQ(runJob(request), 0) << logText();
  std::vector<std::string> files = expectedFiles("mkv");
  EXPECT_EQ(savedFiles(), files);
  std::vector<std::wstring> paths = finalPaths();
  ASSERT_EQ(paths.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(paths[i], fromPath(folder / files[i]));
    auto probe = test::probeMedia(folder / files[i]);
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->formatName, "matroska,webm");
  }
}

TEST_F(PlaylistDownload, WholePlaylistAsMp3IsThreeMoves) {
  DownloadRequest request = audioRequest("/list.html", 0);
  request.wholePlaylist = true;
  ASSERT_EQ(runJob(request), 0) << logText();
  EXPECT_EQ(savedFiles(), expectedFiles("mp3"));
  EXPECT_EQ(finalPaths().size(), 3u);
  for (const std::wstring& line : texts(WM_APP_LOG)) EXPECT_FALSE(startsWith(line, L"[ffmpeg]")) << line;
}

TEST_F(PlaylistDownload, WithoutWholePlaylistAPageIsStillDownloadedWhole) {
  // The generic extractor has no single item to pick on such a page; a direct link is one item.
  ASSERT_EQ(runJob(videoRequest("/list.html", 0)), 0) << logText();
  EXPECT_EQ(finalPaths().size(), 3u);
}

}  // namespace
}  // namespace tarnwick
