#include "pipeline/output_reader.h"

#include <gtest/gtest.h>

#include "base/worker_texts.h"
#include "channel_recorder.h"
#include "message_log.h"

namespace tarnwick {
namespace {

using test::ChannelRecorder;
using test::Posted;

class DownloadLines : public ::testing::Test {
 protected:
  std::vector<Posted> feed(const std::wstring& line, const std::wstring& label = L"MP3") {
    recorder.clear();
    handleDownloadLine(line, finished, destinations, label);
    return test::snapshot(recorder);
  }

  ChannelRecorder recorder;
  std::vector<std::wstring> finished;
  std::vector<std::wstring> destinations;
};

TEST_F(DownloadLines, ProgressLineGivesBarAndStatusButNoLog) {
  auto posted = feed(L"[P] 42.0%|   3.10MiB/s|00:12");
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].id, WM_APP_PROGRESS);
  EXPECT_EQ(posted[0].wParam, 420u);
  EXPECT_EQ(posted[0].lParam, 0);
  EXPECT_EQ(posted[1].id, WM_APP_STATUS);
  EXPECT_EQ(posted[1].text, L"Downloading  \u00b7  3.10MiB/s  \u00b7  00:12 left");
}

TEST_F(DownloadLines, UnknownOrMissingSpeedAndEtaAreLeftOut) {
  EXPECT_EQ(feed(L"[P]  1.3%| Unknown B/s|Unknown").at(1).text, L"Downloading");
  EXPECT_EQ(feed(L"[P]100.0%|12.27MiB/s|NA").at(1).text, L"Downloading  \u00b7  12.27MiB/s");
  EXPECT_EQ(feed(L"[P]50%||00:03").at(1).text, L"Downloading  \u00b7  00:03 left");
}

TEST_F(DownloadLines, TwoFieldProgressLineChangesNothing) {
  EXPECT_TRUE(feed(L"[P] 42.0%|3.10MiB/s").empty());
  EXPECT_TRUE(feed(L"[P]").empty());
}

TEST_F(DownloadLines, PercentThatIsNoNumberSetsTheBarToZeroAndOverHundredToFull) {
  auto posted = feed(L"[P]N/A|NA|NA");
  EXPECT_EQ(posted.at(0).wParam, 0u);
  EXPECT_EQ(posted.at(0).lParam, 0);  // determinate
  EXPECT_EQ(feed(L"[P]250.5%|1KiB/s|00:01").at(0).wParam, 1000u);
}

TEST_F(DownloadLines, DestinationWithBlankIsRecordedLoggedAndIndeterminate) {
  auto posted = feed(L"[download] Destination: /v/clip [clip].ctmp.mp4 ");
  EXPECT_EQ(destinations, std::vector<std::wstring>{L"/v/clip [clip].ctmp.mp4"});
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].id, WM_APP_LOG);
  EXPECT_EQ(posted[0].text, L"[download] Destination: /v/clip [clip].ctmp.mp4 ");
  EXPECT_EQ(posted[1].id, WM_APP_PROGRESS);
  EXPECT_EQ(posted[1].lParam, 1);
}

TEST_F(DownloadLines, DestinationWithoutBlankIsLoggedButNotRecorded) {
  auto posted = feed(L"[download] Destination:/v/x.ctmp.mp4");
  EXPECT_TRUE(destinations.empty());
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].id, WM_APP_LOG);
  EXPECT_EQ(posted[1].lParam, 1);
}

TEST_F(DownloadLines, FinishedLinePostsItsJsonPathAtOnceWithoutLogging) {
  auto posted = feed(L"[F]\"/v/clip [clip].ctmp.mp3\"\t");
  EXPECT_EQ(finished, std::vector<std::wstring>{L"/v/clip [clip].ctmp.mp3"});
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].id, WM_APP_OUTPUT_PATH);
  EXPECT_EQ(posted[0].text, L"/v/clip [clip].ctmp.mp3");
  // Escapes are what keep a line break or "\" in a folder's name inside the one line.
  feed(L"[F]\"/v/a\\nb\\\\/\\u6f22\\ud83d\\ude00.ctmp.mp4\"");
  EXPECT_EQ(finished.back(), L"/v/a\nb\\/\u6f22\U0001F600.ctmp.mp4");
  // A path that is no JSON string is not taken: it is only logged.
  for (const wchar_t* line : {L"[F]/v/a.ctmp.mp4", L"[F]\"/v/cut", L"[F]\"\""}) {
    posted = feed(line);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].id, WM_APP_LOG);
  }
  EXPECT_EQ(finished.size(), 2u);
}

TEST_F(DownloadLines, StepLinesSetTheirStatus) {
  auto merger = feed(L"[Merger] Merging formats into \"x.ctmp.mp4\"");
  ASSERT_EQ(merger.size(), 3u);
  EXPECT_EQ(merger[1].lParam, 1);
  EXPECT_EQ(merger[2].text, L"Merging video and audio \u2026");
  auto extract = feed(L"[ExtractAudio] Destination: x.ctmp.ogg", L"OGG");
  ASSERT_EQ(extract.size(), 3u);
  EXPECT_EQ(extract[2].text, L"Converting to OGG \u2026");
  EXPECT_TRUE(destinations.empty());
  auto site = feed(L"[youtube] abc: Downloading player");
  ASSERT_EQ(site.size(), 2u);
  EXPECT_EQ(site[1].id, WM_APP_STATUS);
  EXPECT_EQ(site[1].text, L"Analyzing video \u2026");
  auto other = feed(L"[Metadata] Adding metadata to \"x\"");
  ASSERT_EQ(other.size(), 1u);
  EXPECT_EQ(other[0].id, WM_APP_LOG);
}

TEST_F(DownloadLines, TextsComeFromTheInstalledLanguage) {
  installWorkerTextLookup([](int field, std::wstring_view argument) -> std::wstring {
    if (field == static_cast<int>(WorkerText::downloading)) return L"Lade herunter";
    if (field == static_cast<int>(WorkerText::timeLeft)) return L"noch " + std::wstring(argument);
    return L"?";
  });
  EXPECT_EQ(feed(L"[P] 10%|1KiB/s|00:09").at(1).text, L"Lade herunter  \u00b7  1KiB/s  \u00b7  noch 00:09");
  installWorkerTextLookup(nullptr);
  EXPECT_EQ(feed(L"[P] 10%|1KiB/s|00:09").at(1).text, L"Downloading  \u00b7  1KiB/s  \u00b7  00:09 left");
}

}  // namespace
}  // namespace tarnwick
