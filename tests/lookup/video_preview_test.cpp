#include "lookup/video_preview.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "base/channel.h"
#include "base/job_control.h"
#include "base/process_runner.h"
#include "channel_recorder.h"
#include "lookup/lookup_addresses.h"
#include "lookup/thumb.h"
#include "lookup/tool_locator.h"
#include "lookup_fixtures.h"

namespace tarnwick {
namespace {

using test::Recorded;

const std::wstring videoId = L"dQw4w9WgXcQ";
const std::string detailLine =
    "213.5|1234567|1080|\"Caf\\u00e9 \\\"Live\\\" \\ud83c\\udfb8\"|\"Zo\\u00eb \\u00c9quipe\"\n";

class Preview : public ::testing::Test {
 protected:
  void SetUp() override {
    server.server().Get("/oembed", [this](const httplib::Request& req, httplib::Response& res) {
      ++oembedRequests;
      oembedQuery = req.get_param_value("url");
      if (onOembed) onOembed();
      if (oembedStatus != 200) {
        res.status = oembedStatus;
        return;
      }
      // Raw UTF-8 and escapes mixed, as the site answers.
      res.set_content(
          "{\"title\":\"A \\\"quoted\\\" caf\xC3\xA9 "
          "\\u2713\",\"author_name\":\"Zo\xC3\xAB\",\"type\":\"video\"}",
          "application/json");
    });
    server.server().Get(R"(/vi/([^/]+)/mqdefault\.jpg)",
                        [this](const httplib::Request& req, httplib::Response& res) {
                          ++thumbnailRequests;
                          thumbnailPathId = req.matches[1];
                          if (thumbnailStatus != 200) {
                            res.status = thumbnailStatus;
                            return;
                          }
                          res.set_content(jpeg, "image/jpeg");
                        });
    server.start();
    hosts = std::make_unique<test::LoopbackHosts>(server);
    generation = ++previewGeneration;
  }
  void TearDown() override {
    server.stop();
    hosts.reset();
  }

  std::vector<Recorded>& run(bool fetchTitle, bool fetchDetails) {
    previewWorker(videoId, generation, fetchTitle, fetchDetails);
    return recorder.messages();
  }

  test::ChannelRecorder recorder;
  test::LoopbackServer server;
  std::unique_ptr<test::LoopbackHosts> hosts;
  std::uint32_t generation = 0;
  std::string jpeg = test::makePicture(320, 180, 0x336699FF);
  std::atomic<int> oembedRequests{0}, thumbnailRequests{0};
  int oembedStatus = 200;
  int thumbnailStatus = 200;
  std::function<void()> onOembed;
  std::string oembedQuery, thumbnailPathId;
};

const VideoInfo& infoOf(const Recorded& r) {
  static const VideoInfo none;
  const VideoInfo* info = r.payload.get<VideoInfo>();
  return info ? *info : none;
}

TEST_F(Preview, PostsTitleThenThumbnailThenDetails) {
  auto argsFile = test::writeYtDlpStandIn("[youtube] Extracting URL\n" + detailLine);
  auto& posted = run(true, true);
  ASSERT_EQ(posted.size(), 3u);
  ASSERT_EQ(posted[0].id, WM_APP_VIDEO_INFO);
  ASSERT_EQ(posted[1].id, WM_APP_THUMBNAIL);
  ASSERT_EQ(posted[2].id, WM_APP_VIDEO_INFO);

  const VideoInfo& title = infoOf(posted[0]);
  EXPECT_EQ(title.source, 1u);
  EXPECT_EQ(title.generation, generation);
  EXPECT_TRUE(title.ok);
  EXPECT_EQ(title.title, L"A \"quoted\" caf\u00e9 \u2713");
  EXPECT_EQ(title.channel, L"Zo\u00eb");
  EXPECT_EQ(title.durationSeconds, -1);
  EXPECT_EQ(oembedQuery, wideToUtf8(watchUrl(videoId)));

  const ThumbnailData* thumbnail = posted[1].payload.get<ThumbnailData>();
  ASSERT_NE(thumbnail, nullptr);
  EXPECT_EQ(thumbnail->videoId, videoId);
  EXPECT_EQ(thumbnailPathId, wideToUtf8(videoId));
  ASSERT_TRUE(thumbnail->thumb);  // decoded on the worker
  EXPECT_EQ(thumbnail->thumb->width, 320);
  EXPECT_EQ(thumbnail->thumb->height, 180);

  const VideoInfo& details = infoOf(posted[2]);
  EXPECT_EQ(details.source, 2u);
  EXPECT_EQ(details.generation, generation);
  EXPECT_TRUE(details.ok);
  EXPECT_EQ(details.title, L"Caf\u00e9 \"Live\" \U0001F3B8");
  EXPECT_EQ(details.channel, L"Zo\u00eb \u00c9quipe");
  EXPECT_EQ(details.durationSeconds, 213.5);
  EXPECT_EQ(details.viewCount, 1234567);
  EXPECT_EQ(details.height, 1080);

  std::vector<std::string> expected = {
      "--skip-download",
      "--no-playlist",
      "--no-warnings",
      "--no-colors",
      "--encoding",
      "utf-8",
      "--print",
      "%(duration)s|%(view_count)s|%(height)s|%(title)j|%(channel,uploader)j",
      "--",
      wideToUtf8(watchUrl(videoId))};
  EXPECT_EQ(test::recordedArguments(argsFile), expected);  // no deno: no --js-runtimes
}

TEST_F(Preview, HandsDenoToYtDlpWhenInstalled) {
  auto argsFile = test::writeYtDlpStandIn(detailLine);
  auto deno = test::Sandbox::current().writeScript("deno", "#!/bin/sh\nexit 0\n");
  run(false, true);
  std::filesystem::remove(deno);
  auto args = test::recordedArguments(argsFile);
  ASSERT_GE(args.size(), 7u);
  EXPECT_EQ(args[5], "utf-8");
  EXPECT_EQ(args[6], "--js-runtimes");
  EXPECT_EQ(args[7], "deno:" + deno.string());
  EXPECT_EQ(args[8], "--print");
}

TEST_F(Preview, ReplacedPreviewSkipsThumbnailAndDetails) {
  auto argsFile = test::writeYtDlpStandIn(detailLine);
  onOembed = [] { ++previewGeneration; };  // the user pastes another link meanwhile
  auto& posted = run(true, true);
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(infoOf(posted[0]).source, 1u);
  EXPECT_EQ(infoOf(posted[0]).generation, generation);
  EXPECT_EQ(thumbnailRequests, 0);
  EXPECT_TRUE(test::recordedArguments(argsFile).empty());
}

TEST_F(Preview, NoYtDlpRunsWhileSetupRuns) {
  auto argsFile = test::writeYtDlpStandIn(detailLine);
  auto& posted = run(true, false);
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].id, WM_APP_VIDEO_INFO);
  EXPECT_EQ(posted[1].id, WM_APP_THUMBNAIL);
  EXPECT_TRUE(test::recordedArguments(argsFile).empty());
}

TEST_F(Preview, DetailsAloneAfterSetupAskNeitherTitleNorThumbnail) {
  test::writeYtDlpStandIn(detailLine);
  auto& posted = run(false, true);
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(infoOf(posted[0]).source, 2u);
  EXPECT_TRUE(infoOf(posted[0]).ok);
  EXPECT_EQ(oembedRequests, 0);
  EXPECT_EQ(thumbnailRequests, 0);
}

TEST_F(Preview, FailedLookupsStillReplyAndLogNothing) {
  oembedStatus = 404;
  // A removed video: yt-dlp prints only its error and fails.
  test::writeYtDlpStandIn("ERROR: [youtube] dQw4w9WgXcQ: Video unavailable\n", 1);
  auto& posted = run(true, true);
  ASSERT_EQ(posted.size(), 3u);  // the thumbnail host still answers
  EXPECT_FALSE(infoOf(posted[0]).ok);
  EXPECT_EQ(infoOf(posted[0]).source, 1u);
  EXPECT_EQ(posted[1].id, WM_APP_THUMBNAIL);
  EXPECT_FALSE(infoOf(posted[2]).ok);
  EXPECT_EQ(infoOf(posted[2]).source, 2u);
  EXPECT_EQ(infoOf(posted[2]).durationSeconds, -1);
}

// The card stops waiting for a picture that will not come: a 404 from the image host, or bytes
// that are no picture, still give a thumbnail reply, without a picture.
TEST_F(Preview, FailedThumbnailStillRepliesWithoutAPicture) {
  test::writeYtDlpStandIn(detailLine);
  for (auto [status, bytes] : {std::pair{404, jpeg}, std::pair{200, std::string("<html>gone</html>")}}) {
    thumbnailStatus = status;
    jpeg = bytes;
    recorder.messages().clear();
    auto& posted = run(true, false);
    ASSERT_EQ(posted.size(), 2u) << status;
    ASSERT_EQ(posted[1].id, WM_APP_THUMBNAIL);
    const ThumbnailData* thumbnail = posted[1].payload.get<ThumbnailData>();
    ASSERT_NE(thumbnail, nullptr);
    EXPECT_EQ(thumbnail->videoId, videoId);
    EXPECT_EQ(thumbnail->thumb, nullptr) << status;
  }
}

TEST_F(Preview, MissingYtDlpGivesAFailedDetailReply) {
  std::filesystem::remove(test::Sandbox::current().bin() / "yt-dlp");
  auto& posted = run(false, true);
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].id, WM_APP_VIDEO_INFO);
  EXPECT_FALSE(infoOf(posted[0]).ok);
  EXPECT_EQ(infoOf(posted[0]).source, 2u);
}

TEST_F(Preview, UsesTheInstalledToolLocator) {
  auto elsewhere = test::Sandbox::current().makeFolder("tools");
  auto argsFile = test::writeYtDlpStandIn(detailLine, 0, elsewhere);
  std::vector<std::wstring> asked;
  setToolLocator([&](std::wstring_view name) -> std::wstring {
    asked.emplace_back(name);
    return name == ytDlpFileName ? fromPath(elsewhere / "yt-dlp") : std::wstring();
  });
  auto& posted = run(false, true);
  setToolLocator(nullptr);
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_TRUE(infoOf(posted[0]).ok);
  EXPECT_FALSE(test::recordedArguments(argsFile).empty());
  EXPECT_EQ(asked, (std::vector<std::wstring>{L"yt-dlp", L"deno"}));
}

TEST_F(Preview, ReplacingThePreviewKillsItsYtDlp) {
  auto fifo = test::Sandbox::current().root() / "started";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Opening the FIFO blocks until the test reads it, so the test knows the child is running.
  test::Sandbox::current().writeScript(
      "yt-dlp", "#!/bin/sh\necho started > '" + fifo.string() + "'\nexec /bin/sleep 600\n");
  std::thread worker([this] { previewWorker(videoId, generation, false, true); });
  std::ifstream started(fifo);
  std::string word;
  started >> word;
  EXPECT_EQ(word, "started");
  ++previewGeneration;
  terminateJobSlot(previewProcessJob);  // what the UI thread does when another link comes
  worker.join();
  auto& posted = recorder.messages();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_FALSE(infoOf(posted[0]).ok);
  EXPECT_EQ(infoOf(posted[0]).generation, generation);  // stale: the UI drops it
}

TEST(Addresses, WatchOembedAndThumbnail) {
  EXPECT_EQ(watchUrl(L"dQw4w9WgXcQ"), L"https://www.youtube.com/watch?v=dQw4w9WgXcQ");
  EXPECT_EQ(oembedUrl(L"dQw4w9WgXcQ"),
            L"https://www.youtube.com/oembed?format=json&url=https%3A%2F%2Fwww.youtube.com%2Fwatch%3Fv%3D"
            L"dQw4w9WgXcQ");
  EXPECT_EQ(thumbnailUrl(L"dQw4w9WgXcQ"), L"https://i.ytimg.com/vi/dQw4w9WgXcQ/mqdefault.jpg");
}

TEST(PreviewLine, AbsentNumbersArriveAsMinusOne) {
  VideoInfo info;
  handlePreviewLine(L"NA|NA|NA|\"Live now\"|NA", info);
  EXPECT_TRUE(info.ok);
  EXPECT_EQ(info.title, L"Live now");
  EXPECT_EQ(info.channel, L"");
  EXPECT_EQ(info.durationSeconds, -1);
  EXPECT_EQ(info.viewCount, -1);
  EXPECT_EQ(info.height, -1);
}

TEST(PreviewLine, ForeignLinesChangeNothing) {
  VideoInfo info;
  handlePreviewLine(L"[youtube] dQw4w9WgXcQ: Downloading webpage", info);
  EXPECT_FALSE(info.ok);
  handlePreviewLine(L"60|5|720|\"Good\"|\"Chan\"", info);
  // Splits as far as the title, then fails: the good values must survive.
  handlePreviewLine(L"1|2|3|\"Bad\"", info);
  EXPECT_TRUE(info.ok);
  EXPECT_EQ(info.title, L"Good");
  EXPECT_EQ(info.height, 720);
  handlePreviewLine(L"61.9|7.9|480.9|\"Later\"|\"C2\"", info);  // the last good line wins
  EXPECT_EQ(info.title, L"Later");
  EXPECT_EQ(info.viewCount, 7);
  EXPECT_EQ(info.height, 480);
}

}  // namespace
}  // namespace tarnwick
