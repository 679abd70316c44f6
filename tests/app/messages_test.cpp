// The UI thread's handling of the eight worker messages.
#include <gtest/gtest.h>

#include "app/actions.h"
#include "app/app_state.h"
#include "app/messages.h"
#include "app/status_texts.h"
#include "app_fixture.h"
#include "lookup/video_preview.h"
#include "lookup/video_search.h"
#include "media_tools.h"
#include "pipeline/format_tables.h"

namespace tarnwick::test {
namespace {

class Messages : public AppFixture {
 protected:
  void startDownloadJob() {
    DownloadRequest request;
    request.kind = 1;
    startJob(state, host, request);
    ASSERT_TRUE(calls->waitFor(1, 0, 0));
  }
  void startSetupJob() {
    startJob(state, host, DownloadRequest{});
    ASSERT_TRUE(calls->waitFor(1, 0, 0));
  }
  Payload searchReply(std::uint32_t generation, std::vector<SearchResult> hits, int exitCode = 0) {
    auto reply = std::make_unique<SearchReply>();
    reply->generation = generation;
    reply->exitCode = exitCode;
    reply->hits = std::move(hits);
    return Payload::of(std::move(reply));
  }
  Payload videoInfo(std::uint32_t source, bool ok, std::wstring title = {}, std::wstring channel = {}) {
    auto info = std::make_unique<VideoInfo>();
    info->generation = state.previewGeneration.load();
    info->source = source;
    info->ok = ok;
    info->title = std::move(title);
    info->channel = std::move(channel);
    return Payload::of(std::move(info));
  }
  static SearchResult hit(const std::wstring& id, const std::wstring& title = L"t") {
    SearchResult r;
    r.videoId = id;
    r.title = title;
    return r;
  }
  void showPreview(const std::wstring& id, bool fetchTitle = true) {
    PreviewState p;
    p.videoId = id;
    startPreview(state, host, p, fetchTitle);
  }
};

TEST_F(Messages, StatusTextReplacesTheStatusWhileAJobRuns) {
  startDownloadJob();
  EXPECT_EQ(state.statusId, statusText::starting);
  deliverText(WM_APP_STATUS, L"Downloading  42.0%");
  EXPECT_EQ(state.statusId, -1);
  EXPECT_EQ(state.statusDetail, L"Downloading  42.0%");
  EXPECT_EQ(state.statusKind, statusBusy);
  EXPECT_EQ(statusLine(state), L"Downloading  42.0%");
}

TEST_F(Messages, StatusAfterCancelOrAfterTheJobChangesNothing) {
  startDownloadJob();
  cancelOrDropPending(state, host);
  EXPECT_TRUE(state.cancelRequested.load());
  EXPECT_EQ(statusLine(state), L"Cancelling \u2026");

  deliverText(WM_APP_STATUS, L"Merging video and audio \u2026");
  EXPECT_EQ(statusLine(state), L"Cancelling \u2026");

  jobDone(2, 1);
  EXPECT_EQ(state.statusKind, statusCancelled);
  EXPECT_EQ(statusLine(state), L"Cancelled.");
  deliverText(WM_APP_STATUS, L"late");
  EXPECT_EQ(statusLine(state), L"Cancelled.");
}

// A validation error while setup runs does not colour the setup's next status as an error.
TEST_F(Messages, EveryWorkerStatusIsWorkInProgress) {
  startSetupJob();
  host.text = L"";
  startDownload(state, host);
  ASSERT_EQ(state.statusKind, statusError);  // "Please paste a YouTube link first."
  deliverText(WM_APP_STATUS, L"Setting up: downloading ffmpeg");
  EXPECT_EQ(state.statusKind, statusBusy);
  EXPECT_EQ(statusLine(state), L"Setting up: downloading ffmpeg");
}

// Without a total size yt-dlp reports no percentage, which arrives as 0: the bar stays
// indeterminate until a real percentage is known, and again for the next file. Only a change
// repaints, and only the status card; a repeated status line repaints nothing either.
TEST_F(Messages, UnknownSizeKeepsTheBarMovingUntilAPercentageIsKnown) {
  startDownloadJob();
  const struct {
    std::uintptr_t wParam;
    std::intptr_t lParam;
    double shown;
    bool repaints;
  } steps[] = {{0, 0, -1, false}, {0, 0, -1, false}, {5, 0, 0.5, true}, {5, 0, 0.5, false}, {0, 0, 0, true},
               {0, 1, -1, true},  {0, 0, -1, false}, {1000, 0, 100, true}};
  for (const auto& step : steps) {
    const int before = host.statusRepaints;
    deliver(WM_APP_PROGRESS, step.wParam, step.lParam);
    EXPECT_DOUBLE_EQ(state.progress, step.shown) << step.wParam << "/" << step.lParam;
    EXPECT_EQ(host.statusRepaints - before, step.repaints ? 1 : 0) << step.wParam << "/" << step.lParam;
  }
  const int repaints = host.repaints, statusRepaints = host.statusRepaints;
  deliverText(WM_APP_STATUS, L"Downloading 10 MiB at 2 MiB/s");
  deliverText(WM_APP_STATUS, L"Downloading 10 MiB at 2 MiB/s");
  EXPECT_EQ(host.statusRepaints - statusRepaints, 1);
  EXPECT_EQ(host.repaints, repaints);
}

TEST_F(Messages, ProgressIsTenthsOfAPercentOrIndeterminate) {
  deliver(WM_APP_PROGRESS, 420, 0);
  EXPECT_DOUBLE_EQ(state.progress, 42.0);
  deliver(WM_APP_PROGRESS, 1000, 0);
  EXPECT_DOUBLE_EQ(state.progress, 100.0);
  deliver(WM_APP_PROGRESS, 777, 1);  // the flag wins over the number
  EXPECT_DOUBLE_EQ(state.progress, -1.0);
}

TEST_F(Messages, OutputPathIsTrimmed) {
  deliverText(WM_APP_OUTPUT_PATH, L" \t/tmp/x/Title [abc].mp4\r\n");
  EXPECT_EQ(state.outputPath, L"/tmp/x/Title [abc].mp4");
}

TEST_F(Messages, DownloadOutcomes) {
  startDownloadJob();
  EXPECT_TRUE(host.readOnly);
  deliverText(WM_APP_OUTPUT_PATH, L"/music/a b/Song.mp3");
  jobDone(0, 1);
  EXPECT_FALSE(state.jobThread.joinable());
  EXPECT_FALSE(host.readOnly);
  EXPECT_EQ(state.jobState, noJob);
  EXPECT_EQ(state.statusKind, statusDone);
  EXPECT_EQ(statusLine(state), L"Done!  Song.mp3");
  EXPECT_EQ(lastLogLine(), L"\u2714 Done!  /music/a b/Song.mp3");
  EXPECT_EQ(host.beeps, std::vector<Beep>{Beep::success});
  EXPECT_EQ(host.attention.size(), 1u);
  EXPECT_TRUE(isElementEnabled(state, ElementId::showInFolder));

  startDownloadJob();
  EXPECT_TRUE(state.outputPath.empty());  // emptied when a download starts
  jobDone(1, 1);
  EXPECT_EQ(state.statusKind, statusError);
  EXPECT_EQ(statusLine(state), L"Failed \u2013 see the log for details.");
  EXPECT_EQ(lastLogLine(), L"\u2716 Failed \u2013 see the log for details.");
  EXPECT_EQ(host.beeps.back(), Beep::error);

  const std::size_t beeps = host.beeps.size();
  startDownloadJob();
  jobDone(2, 1);
  EXPECT_EQ(lastLogLine(), L"\u2716 Cancelled.");
  EXPECT_EQ(host.beeps.size(), beeps);  // no beep for a cancel
}

TEST_F(Messages, SuccessWithoutAnOutputPathHasNoDetail) {
  startDownloadJob();
  jobDone(0, 1);
  EXPECT_EQ(statusLine(state), L"Done!");
  EXPECT_FALSE(isElementEnabled(state, ElementId::showInFolder));
}

TEST_F(Messages, QueuedSearchStartsBeforeQueuedDownload) {
  startSetupJob();
  host.text = L"cat videos";
  startDownload(state, host);  // words: a search, queued behind setup
  EXPECT_TRUE(state.searching);
  EXPECT_EQ(state.queuedSearch, L"cat videos");
  state.searching = false;  // pretend the user typed a link and pressed Download meanwhile
  host.text = L"https://youtu.be/abcdefghijk";
  state.folder = fromPath(Sandbox::current().makeFolder("out"));
  startDownload(state, host);
  ASSERT_TRUE(state.pendingRequest);
  state.searching = true;
  host.events.clear();

  jobDone(0, 0);
  EXPECT_EQ(state.statusId, statusText::starting);
  EXPECT_FALSE(state.pendingRequest);
  EXPECT_TRUE(state.queuedSearch.empty());
  ASSERT_TRUE(calls->waitFor(2, 0, 1));
  EXPECT_EQ(calls->searches()[0].query, L"cat videos");
  EXPECT_EQ(calls->jobs()[1].url, L"https://youtu.be/abcdefghijk");
  // The search's log line comes before the download makes the link box read-only.
  auto search = std::find(host.events.begin(), host.events.end(), "log Search: cat videos");
  auto job = std::find(host.events.begin(), host.events.end(), "readOnly 1");
  ASSERT_NE(search, host.events.end());
  ASSERT_NE(job, host.events.end());
  EXPECT_LT(search, job);
}

TEST_F(Messages, FailedSetupDropsTheQueuedDownloadAndSearch) {
  startSetupJob();
  host.text = L"https://youtu.be/abcdefghijk";
  state.folder = fromPath(Sandbox::current().makeFolder("out"));
  startDownload(state, host);
  ASSERT_TRUE(state.pendingRequest);
  state.queuedSearch = L"words";
  state.searching = true;
  const std::uint32_t searchGeneration = state.searchGeneration.load();

  jobDone(1, 0);
  EXPECT_FALSE(state.pendingRequest);
  EXPECT_TRUE(state.queuedSearch.empty());
  EXPECT_FALSE(state.searching);
  EXPECT_FALSE(state.jobThread.joinable());  // nothing started
  EXPECT_EQ(state.searchGeneration.load(), searchGeneration);
  EXPECT_EQ(state.jobState, noJob);
  EXPECT_EQ(state.statusKind, statusError);
  EXPECT_EQ(
      lastLogLine(),
      L"\u2716 Setup failed \u2013 check your internet connection and click \u201cDownload\u201d to retry.");
  EXPECT_EQ(calls->jobs().size(), 1u);
}

TEST_F(Messages, SetupSuccessFetchesTheDetailsThePreviewLacks) {
  startSetupJob();
  showPreview(L"abcdefghijk");
  ASSERT_TRUE(calls->waitFor(1, 1, 0));
  EXPECT_FALSE(calls->previews()[0].fetchDetails);  // yt-dlp may be missing during setup
  EXPECT_FALSE(state.preview.detailsPending);
  deliver(WM_APP_VIDEO_INFO, 0, 0, videoInfo(1, true, L"title", L"channel"));
  state.preview.thumb = std::make_shared<Thumb>();

  jobDone(0, 0);
  EXPECT_EQ(statusLine(state), L"Ready \u2013 paste a link and click \u201cDownload\u201d.");
  ASSERT_TRUE(calls->waitFor(1, 2, 0));
  const PreviewCall again = calls->previews()[1];
  EXPECT_EQ(again.videoId, L"abcdefghijk");
  EXPECT_FALSE(again.fetchTitle);  // no second title lookup or thumbnail fetch
  EXPECT_TRUE(again.fetchDetails);
  EXPECT_EQ(state.preview.title, L"title");
  EXPECT_TRUE(state.preview.thumb);
  EXPECT_TRUE(state.preview.detailsPending);
}

TEST_F(Messages, SetupEndingBeforeTheTitleReplyLooksTheTitleUpAgain) {
  startSetupJob();
  showPreview(L"abcdefghijk");
  jobDone(0, 0);  // the first worker's title reply is stale now, and it skips the thumbnail
  ASSERT_TRUE(calls->waitFor(1, 2, 0));
  EXPECT_TRUE(calls->previews()[1].fetchTitle);
  EXPECT_TRUE(calls->previews()[1].fetchDetails);
  EXPECT_TRUE(state.preview.titlePending);
}

TEST_F(Messages, StaleSearchReplyIsDropped) {
  host.text = L"first words";
  startDownload(state, host);
  ASSERT_TRUE(calls->waitFor(0, 0, 1));
  const std::uint32_t old = calls->searches()[0].generation;
  state.results = {hit(L"aaaaaaaaaaa")};
  ++state.searchGeneration;  // a newer search (or the close) made it stale
  setStatus(state, statusError, statusText::noResults);

  deliver(WM_APP_SEARCH_RESULTS, 0, 0, searchReply(old, {hit(L"bbbbbbbbbbb")}));
  ASSERT_EQ(state.results.size(), 1u);
  EXPECT_EQ(state.results[0].videoId, L"aaaaaaaaaaa");
  EXPECT_TRUE(state.searching);
  EXPECT_EQ(state.statusId, statusText::noResults);
  EXPECT_FALSE(host.resultsPopupShown);
}

TEST_F(Messages, SearchReplyReplacesResultsKeepsKnownThumbnailsAndOpensThePopup) {
  host.text = L"words";
  startDownload(state, host);
  ASSERT_TRUE(calls->waitFor(0, 0, 1));
  auto thumb = std::make_shared<Thumb>();
  SearchResult known = hit(L"aaaaaaaaaaa");
  known.thumb = thumb;
  state.results = {known};
  setStatus(state, statusError, statusText::searchFailed);

  deliver(WM_APP_SEARCH_RESULTS, 0, 0,
          searchReply(calls->searches()[0].generation, {hit(L"bbbbbbbbbbb"), hit(L"aaaaaaaaaaa")}));
  EXPECT_FALSE(state.searching);
  ASSERT_EQ(state.results.size(), 2u);
  EXPECT_EQ(state.results[1].thumb, thumb);
  EXPECT_EQ(state.results[0].thumb, nullptr);
  EXPECT_EQ(state.statusId, statusText::ready);
  EXPECT_TRUE(state.resultsPopup);
  EXPECT_EQ(state.resultsSelection, 0);
}

TEST_F(Messages, EmptySearchReplyTellsNoResultsFromFailure) {
  host.text = L"words";
  startDownload(state, host);
  ASSERT_TRUE(calls->waitFor(0, 0, 1));
  deliver(WM_APP_SEARCH_RESULTS, 0, 0, searchReply(state.searchGeneration.load(), {}, 0));
  EXPECT_EQ(statusLine(state), L"No results found.");
  EXPECT_FALSE(host.resultsPopupShown);

  state.searching = false;
  startSearch(state, host, L"more");
  deliver(WM_APP_SEARCH_RESULTS, 0, 0, searchReply(state.searchGeneration.load(), {}, -1));
  EXPECT_EQ(statusLine(state), L"Search failed \u2013 see the log for details.");
}

TEST_F(Messages, SearchEndingDuringADownloadLeavesItsStatusAlone) {
  startSetupJob();
  host.text = L"words";
  startDownload(state, host);
  state.searching = false;
  host.text = L"https://youtu.be/abcdefghijk";
  state.folder = fromPath(Sandbox::current().makeFolder("out"));
  startDownload(state, host);
  state.searching = true;
  jobDone(0, 0);  // starts the search, then the download
  ASSERT_EQ(state.jobState, downloadJobRunning);
  deliverText(WM_APP_STATUS, L"Analyzing video \u2026");

  deliver(WM_APP_SEARCH_RESULTS, 0, 0, searchReply(state.searchGeneration.load(), {}, 1));
  EXPECT_EQ(state.statusKind, statusBusy);
  EXPECT_EQ(statusLine(state), L"Analyzing video \u2026");
}

TEST_F(Messages, FailingTitleReplyWhileDetailsAreOutstandingKeepsThePreview) {
  showPreview(L"abcdefghijk");
  ASSERT_TRUE(state.preview.titlePending);
  ASSERT_TRUE(state.preview.detailsPending);
  deliver(WM_APP_VIDEO_INFO, 0, 0, videoInfo(1, false));
  EXPECT_FALSE(state.preview.titlePending);
  EXPECT_FALSE(state.preview.unavailable);

  deliver(WM_APP_VIDEO_INFO, 0, 0, videoInfo(2, false));
  EXPECT_FALSE(state.preview.detailsPending);
  EXPECT_TRUE(state.preview.unavailable);  // no title known and the details failed too
}

// During setup the details are still to come: a failed title reply (embedding disabled, no
// network yet) is not the last word until the setup has ended.
TEST_F(Messages, FailingTitleReplyWithoutDetailLookupMarksUnavailable) {
  startSetupJob();
  showPreview(L"abcdefghijk");
  deliver(WM_APP_VIDEO_INFO, 0, 0, videoInfo(1, false));
  EXPECT_FALSE(state.preview.unavailable);
  jobDone(1, 0);  // the setup failed: no detail lookup will come
  EXPECT_TRUE(state.preview.unavailable);
}

TEST_F(Messages, TitleLookupThatFailedDuringSetupIsTriedAgainAfterIt) {
  startSetupJob();
  showPreview(L"abcdefghijk");
  ASSERT_TRUE(calls->waitFor(1, 1, 0));
  deliver(WM_APP_VIDEO_INFO, 0, 0, videoInfo(1, false));
  deliver(WM_APP_THUMBNAIL, 0, 0, Payload::make(ThumbnailData{L"abcdefghijk", std::make_shared<Thumb>()}));
  jobDone(0, 0);
  ASSERT_TRUE(calls->waitFor(1, 2, 0));
  const PreviewCall again = calls->previews()[1];
  EXPECT_TRUE(again.fetchTitle);
  EXPECT_TRUE(again.fetchDetails);
  EXPECT_TRUE(state.preview.titlePending);
  EXPECT_TRUE(state.preview.thumb);  // kept: the picture is not fetched twice for nothing
  EXPECT_FALSE(state.preview.thumbnailPending);
  EXPECT_FALSE(state.preview.unavailable);
}

TEST_F(Messages, TitleLookupNamesWinOverDetailNames) {
  showPreview(L"abcdefghijk");
  auto details = std::make_unique<VideoInfo>();
  details->generation = state.previewGeneration.load();
  details->source = 2;
  details->ok = true;
  details->title = L"detail title";
  details->channel = L"detail channel";
  details->durationSeconds = 0;  // absent: kept at −1
  details->viewCount = 12;
  details->height = 720;
  deliver(WM_APP_VIDEO_INFO, 0, 0, Payload::of(std::move(details)));
  EXPECT_EQ(state.preview.title, L"detail title");
  EXPECT_EQ(state.preview.durationSeconds, -1);
  EXPECT_EQ(state.preview.viewCount, 12);
  EXPECT_EQ(state.preview.height, 720);
  EXPECT_FALSE(state.preview.titlePending);  // a detail reply ends both

  deliver(WM_APP_VIDEO_INFO, 0, 0, videoInfo(1, true, L"\u65e5\u672c title", L"oembed channel"));
  EXPECT_EQ(state.preview.title, L"\u65e5\u672c title");
  EXPECT_EQ(state.preview.channel, L"oembed channel");
}

TEST_F(Messages, StaleOrUnwantedVideoInfoIsDropped) {
  showPreview(L"abcdefghijk");
  auto stale = videoInfo(1, true, L"old");
  showPreview(L"bbbbbbbbbbb");
  deliver(WM_APP_VIDEO_INFO, 0, 0, std::move(stale));
  EXPECT_TRUE(state.preview.title.empty());
  EXPECT_TRUE(state.preview.titlePending);

  auto late = videoInfo(1, true, L"late");
  clearPreview(state, host);
  deliver(WM_APP_VIDEO_INFO, 0, 0, std::move(late));
  EXPECT_FALSE(state.preview.active);
  EXPECT_TRUE(state.preview.title.empty());
}

TEST_F(Messages, ThumbnailLandsInPreviewAndHitsByVideoId) {
  const std::string jpeg = makeJpeg(32, 18);
  ASSERT_FALSE(jpeg.empty());
  showPreview(L"abcdefghijk");
  state.results = {hit(L"abcdefghijk"), hit(L"zzzzzzzzzzz"), hit(L"abcdefghijk")};
  state.resultsPopup = true;
  ++state.previewGeneration;  // thumbnails match by id, not by generation
  state.preview.active = true;

  auto data = std::make_unique<ThumbnailData>();
  data->videoId = L"abcdefghijk";
  data->thumb = decodeThumbnail(jpeg);
  deliver(WM_APP_THUMBNAIL, 0, 0, Payload::of(std::move(data)));
  ASSERT_TRUE(state.preview.thumb);
  EXPECT_EQ(state.preview.thumb->width, 32);
  EXPECT_EQ(state.results[0].thumb, state.preview.thumb);  // one picture, shared
  EXPECT_EQ(state.results[2].thumb, state.preview.thumb);
  EXPECT_EQ(state.results[1].thumb, nullptr);
  EXPECT_EQ(host.resultsRefreshes, 1);
}

TEST_F(Messages, UndecodableThumbnailLeavesThePlaceholder) {
  showPreview(L"abcdefghijk");
  auto data = std::make_unique<ThumbnailData>();
  data->videoId = L"abcdefghijk";
  data->thumb = decodeThumbnail("not a picture");
  deliver(WM_APP_THUMBNAIL, 0, 0, Payload::of(std::move(data)));
  EXPECT_EQ(state.preview.thumb, nullptr);
  EXPECT_FALSE(state.preview.thumbnailPending);
}

TEST_F(Messages, AnimationTimerFollowsJobsSearchesAndPendingPreviews) {
  EXPECT_FALSE(host.animationTimer);
  startDownloadJob();
  EXPECT_TRUE(host.animationTimer);
  jobDone(0, 1);
  EXPECT_FALSE(host.animationTimer);

  showPreview(L"abcdefghijk");
  EXPECT_TRUE(host.animationTimer);
  deliver(WM_APP_VIDEO_INFO, 0, 0, videoInfo(1, true, L"t"));
  deliver(WM_APP_VIDEO_INFO, 0, 0, videoInfo(2, true, L"t"));
  EXPECT_TRUE(host.animationTimer);  // the thumbnail reply is still missing
  // It comes without a picture (a 404, no network): every reply is in, the card is still.
  deliver(WM_APP_THUMBNAIL, 0, 0, Payload::make(ThumbnailData{L"abcdefghijk", nullptr}));
  EXPECT_EQ(state.preview.thumb, nullptr);
  EXPECT_FALSE(host.animationTimer);
}

TEST_F(Messages, MessagesArriveThroughTheChannel) {
  openChannel([] {});
  startDownloadJob();
  postText(WM_APP_STATUS, L"Downloading");
  postProgress(12.34);
  postText(WM_APP_OUTPUT_PATH, L"/x/y.mp4");
  postJobDone(0, 1);
  drainMessages(state, host);
  shutdownChannel();
  EXPECT_DOUBLE_EQ(state.progress, 12.3);
  EXPECT_EQ(statusLine(state), L"Done!  y.mp4");
}

}  // namespace
}  // namespace tarnwick::test
