// Start-up and close as the state sees them.
#include <gtest/gtest.h>

#include "app/actions.h"
#include "app/lifecycle.h"
#include "app/settings.h"
#include "app_fixture.h"

namespace tarnwick::test {
namespace {

class Lifecycle : public AppFixture {};

TEST_F(Lifecycle, StartLoadsSettingsLogsWelcomeAndStartsSetup) {
  Settings saved = defaultSettings(L"/somewhere");
  saved.audioMode = true;
  saved.audioFormat = 5;
  saved.quality = 7;
  ASSERT_TRUE(saveSettings(saved));
  host.clipboard = L"https://youtu.be/abcdefghijk";

  startApp(state, host);
  EXPECT_TRUE(state.audioMode);
  EXPECT_EQ(state.audioFormat, 5);
  EXPECT_EQ(state.quality, 7);
  EXPECT_EQ(state.folder, L"/somewhere");
  EXPECT_EQ(host.cueText, L"Paste a YouTube link or search \u2026");
  EXPECT_EQ(host.text, L"https://youtu.be/abcdefghijk");
  EXPECT_EQ(logLines(), std::vector<std::wstring>{L"Welcome to Tarnwick App!"});
  EXPECT_EQ(state.jobState, setupJobRunning);
  EXPECT_EQ(statusLine(state), L"Preparing components \u2026");
  EXPECT_FALSE(host.readOnly);  // setup leaves the link box editable
  ASSERT_TRUE(calls->waitFor(1, 0, 0));
  EXPECT_EQ(calls->jobs()[0].kind, 0);
  EXPECT_TRUE(calls->jobs()[0].url.empty());
}

TEST_F(Lifecycle, CloseDuringSetupAloneAsksNothingButStopsTheJob) {
  startJob(state, host, DownloadRequest{});
  const std::uint32_t search = state.searchGeneration.load();
  const std::uint32_t preview = state.previewGeneration.load();
  requestClose(state, host);
  EXPECT_TRUE(host.question.empty());
  EXPECT_TRUE(host.closed);
  EXPECT_TRUE(state.cancelRequested.load());
  EXPECT_FALSE(state.jobThread.joinable());
  EXPECT_EQ(state.searchGeneration.load(), search + 1);
  EXPECT_EQ(state.previewGeneration.load(), preview + 1);
}

TEST_F(Lifecycle, CloseWithAQueuedDownloadAsksFirst) {
  startJob(state, host, DownloadRequest{});
  state.folder = fromPath(Sandbox::current().makeFolder("out"));
  state.wholePlaylist = true;
  host.text = L"https://youtu.be/abcdefghijk";
  startDownload(state, host);
  ASSERT_TRUE(state.pendingRequest);

  requestClose(state, host);
  EXPECT_EQ(host.question, L"A download is still running. Cancel it and quit?");
  ASSERT_TRUE(host.questionAnswered);
  requestClose(state, host);            // a second close while the question is open asks nothing more
  state.focusId = ElementId::download;  // Cancel, reached with Tab
  host.focus = FocusHolder::none;       // the title bar's close button has it now
  auto answer = std::move(host.questionAnswered);
  answer(false);
  EXPECT_FALSE(host.closed);
  EXPECT_FALSE(state.cancelRequested.load());
  EXPECT_EQ(host.focus, FocusHolder::mainWindow);  // the focus and its ring are back on Cancel

  requestClose(state, host);
  ASSERT_TRUE(host.questionAnswered);
  host.questionAnswered(true);
  EXPECT_TRUE(host.closed);
  EXPECT_TRUE(state.cancelRequested.load());
  EXPECT_TRUE(loadSettings().wholePlaylist);  // saved on the way out
}

}  // namespace
}  // namespace tarnwick::test
