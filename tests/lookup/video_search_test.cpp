#include "lookup/video_search.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "base/channel.h"
#include "base/job_control.h"
#include "channel_recorder.h"
#include "lookup/video_preview.h"
#include "lookup_fixtures.h"

namespace tarnwick {
namespace {

using test::Recorded;

std::string hitId(int i) {
  std::string id = "vid" + std::to_string(i);
  return id + std::string(11 - id.size(), '_');
}

// What yt-dlp prints for `count` hits: every third without channel, view count or duration.
std::string hitLines(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    bool sparse = i % 3 == 2;
    out += hitId(i) + "|" + (sparse ? "NA" : std::to_string(60 + i) + ".0") + "|" +
           (sparse ? "NA" : std::to_string(1000 * i)) + "|\"Hit " + std::to_string(i) + " \\u00e9\"|" +
           (sparse ? "NA" : "\"Channel " + std::to_string(i) + "\"") + "\n";
  }
  return out;
}

class Search : public ::testing::Test {
 protected:
  void SetUp() override {
    server.server().Get(R"(/vi/([^/]+)/mqdefault\.jpg)",
                        [this](const httplib::Request& req, httplib::Response& res) {
                          std::lock_guard guard(lock);
                          requested.push_back(req.matches[1]);
                          if (onThumbnail) onThumbnail(requested.size());
                          if (req.matches[1] == hitId(1)) {
                            res.status = 404;  // that hit keeps its placeholder
                            return;
                          }
                          res.set_content(picture, "image/jpeg");
                        });
    server.start();
    hosts = std::make_unique<test::LoopbackHosts>(server);
    generation = ++searchGeneration;
  }
  void TearDown() override {
    server.stop();
    hosts.reset();
  }

  std::vector<Recorded>& run(const std::wstring& query) {
    searchWorker(query, generation);
    return recorder.messages();
  }
  std::vector<std::string> requestedIds() {
    std::lock_guard guard(lock);
    return requested;
  }

  test::ChannelRecorder recorder;
  test::LoopbackServer server;
  std::unique_ptr<test::LoopbackHosts> hosts;
  std::uint32_t generation = 0;
  std::mutex lock;
  std::vector<std::string> requested;
  std::function<void(std::size_t)> onThumbnail;
  std::string picture = test::makePicture(64, 36, 0x336699FF);
};

const SearchReply* replyIn(const std::vector<Recorded>& posted) {
  for (const Recorded& r : posted)
    if (r.id == WM_APP_SEARCH_RESULTS) return r.payload.get<SearchReply>();
  return nullptr;
}

TEST_F(Search, PostsOneReplyThenThumbnailsInOrder) {
  test::writeYtDlpStandIn(hitLines(15));
  auto& posted = run(L"cats");
  ASSERT_FALSE(posted.empty());
  ASSERT_EQ(posted[0].id, WM_APP_SEARCH_RESULTS);
  const SearchReply* reply = posted[0].payload.get<SearchReply>();
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(reply->generation, generation);
  EXPECT_EQ(reply->exitCode, 0);
  ASSERT_EQ(reply->hits.size(), 15u);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(reply->hits[i].videoId, utf8ToWide(hitId(i)));

  const SearchResult& full = reply->hits[0];
  EXPECT_EQ(full.title, L"Hit 0 \u00e9");
  EXPECT_EQ(full.channel, L"Channel 0");
  EXPECT_EQ(full.durationSeconds, 60);
  EXPECT_EQ(full.viewCount, 0);
  EXPECT_EQ(full.height, 0);
  EXPECT_EQ(full.thumb, nullptr);
  const SearchResult& sparse = reply->hits[2];
  EXPECT_EQ(sparse.channel, L"");  // printed as NA
  EXPECT_EQ(sparse.durationSeconds, -1);
  EXPECT_EQ(sparse.viewCount, -1);
  EXPECT_EQ(reply->hits[4].viewCount, 4000);

  // Every hit's picture was asked for in order and answered, decoded; the one that failed
  // without a picture.
  std::vector<std::string> expectedRequests;
  std::vector<std::wstring> expectedPosts;
  for (int i = 0; i < 15; ++i) {
    expectedRequests.push_back(hitId(i));
    expectedPosts.push_back(utf8ToWide(hitId(i)));
  }
  EXPECT_EQ(requestedIds(), expectedRequests);
  std::vector<std::wstring> postedIds;
  for (std::size_t i = 1; i < posted.size(); ++i) {
    ASSERT_EQ(posted[i].id, WM_APP_THUMBNAIL);
    const ThumbnailData* data = posted[i].payload.get<ThumbnailData>();
    ASSERT_NE(data, nullptr);
    const bool failed = data->videoId == utf8ToWide(hitId(1));
    ASSERT_EQ(data->thumb == nullptr, failed) << wideToUtf8(data->videoId);
    if (!failed) {
      EXPECT_EQ(data->thumb->width, 64);
    }
    postedIds.push_back(data->videoId);
  }
  EXPECT_EQ(postedIds, expectedPosts);
}

TEST_F(Search, QueryReachesYtDlpAsOneArgument) {
  auto argsFile = test::writeYtDlpStandIn("");
  const std::wstring query = L"-\"quoted words\" \\\" caf\u00e9 --flat";
  auto& posted = run(query);
  std::vector<std::string> expected = {"--flat-playlist",
                                       "--no-warnings",
                                       "--no-colors",
                                       "--encoding",
                                       "utf-8",
                                       "--print",
                                       "%(id)s|%(duration)s|%(view_count)s|%(title)j|%(channel,uploader)j",
                                       "ytsearch15:" + wideToUtf8(query)};
  EXPECT_EQ(test::recordedArguments(argsFile), expected);  // never --js-runtimes
  ASSERT_EQ(posted.size(), 1u);
  const SearchReply* reply = replyIn(posted);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(reply->exitCode, 0);  // ran and found nothing: "No results found."
  EXPECT_TRUE(reply->hits.empty());
}

TEST_F(Search, LinesOfAnotherShapeGoToTheLog) {
  test::writeYtDlpStandIn("WARNING: [youtube] slow\n" + hitLines(2) + "short_id|1|2|\"Ten chars\"|\"C\"\n" +
                              "ERROR: Unable to download API page\n",
                          1);
  auto& posted = run(L"dogs");
  const SearchReply* reply = replyIn(posted);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(reply->exitCode, 1);
  EXPECT_EQ(reply->hits.size(), 2u);
  EXPECT_EQ(recorder.texts(WM_APP_LOG),
            (std::vector<std::wstring>{L"WARNING: [youtube] slow", L"short_id|1|2|\"Ten chars\"|\"C\"",
                                       L"ERROR: Unable to download API page"}));
  // The log lines come while yt-dlp runs, before the reply.
  EXPECT_EQ(posted.back().id, WM_APP_THUMBNAIL);
  EXPECT_EQ(posted[3].id, WM_APP_SEARCH_RESULTS);
}

TEST_F(Search, NewSearchStopsTheOldThumbnailFetches) {
  test::writeYtDlpStandIn(hitLines(6));
  onThumbnail = [](std::size_t count) {
    if (count == 3) ++searchGeneration;  // the user starts another search meanwhile
  };
  auto& posted = run(L"birds");
  EXPECT_EQ(requestedIds(), (std::vector<std::string>{hitId(0), hitId(1), hitId(2)}));
  ASSERT_NE(replyIn(posted), nullptr);
  EXPECT_EQ(replyIn(posted)->hits.size(), 6u);
}

TEST_F(Search, MissingYtDlpRepliesWithExitCodeMinusOne) {
  std::filesystem::remove(test::Sandbox::current().bin() / "yt-dlp");
  auto& posted = run(L"anything");
  ASSERT_EQ(posted.size(), 1u);
  const SearchReply* reply = replyIn(posted);
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(reply->exitCode, -1);
  EXPECT_TRUE(reply->hits.empty());
  EXPECT_EQ(reply->generation, generation);
}

TEST(SearchLine, NeedsAnElevenCharacterIdAndTheFullShape) {
  test::ChannelRecorder recorder;
  SearchReply reply;
  handleSearchLine(L"abcdefghijk|61|1500|\"T\"|null", reply);
  handleSearchLine(L"abcdefghij|61|1500|\"T\"|\"C\"", reply);    // 10
  handleSearchLine(L"abcdefghijkl|61|1500|\"T\"|\"C\"", reply);  // 12
  handleSearchLine(L"abcdefghijk|61|\"T\"|\"C\"", reply);        // a field short
  ASSERT_EQ(reply.hits.size(), 1u);
  EXPECT_EQ(reply.hits[0].channel, L"");
  EXPECT_EQ(reply.hits[0].durationSeconds, 61);
  EXPECT_EQ(reply.hits[0].viewCount, 1500);
  EXPECT_EQ(recorder.texts(WM_APP_LOG).size(), 3u);
}

}  // namespace
}  // namespace tarnwick
