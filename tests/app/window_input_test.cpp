// Window behaviour against a fake host: focus order, arrows, the click guard, Download's checks.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/actions.h"
#include "app/status_texts.h"
#include "app/window_input.h"
#include "app_fixture.h"
#include "base/text.h"
#include "pipeline/format_tables.h"
#include "sandbox.h"

namespace tarnwick::test {
namespace {

using E = ElementId;

class WindowInput : public AppFixture {
 protected:
  WindowInput() {
    state.folder = fromPath(Sandbox::current().makeFolder("saves"));
    host.focus = FocusHolder::linkBox;
    state.linkBoxFocused = true;
  }
  void startRunningDownload() {
    host.text = L"https://youtu.be/abcdefghijk";
    startDownload(state, host);
    ASSERT_EQ(state.jobState, downloadJobRunning);
    ASSERT_TRUE(calls->waitFor(1, 0, 0));
  }
  // Tab from the link box until the focus returns to it; the elements visited.
  std::vector<E> tabRound(int direction) {
    std::vector<E> visited;
    for (int i = 0; i < 40; ++i) {
      moveFocus(state, host, direction);
      if (state.focusId == E::none) break;
      state.linkBoxFocused = false;
      visited.push_back(state.focusId);
    }
    state.linkBoxFocused = true;
    return visited;
  }
};

TEST_F(WindowInput, TabRunsThroughEveryEnabledElementWhenIdle) {
  state.videoFormat = 2;
  state.quality = 5;
  const std::vector<E> expected = {E::paste,        E::download,      E::videoMode,    E::playlist,
                                   formatChipId(2), qualityChipId(5), E::changeFolder, E::openFolder,
                                   E::clearLog,     E::language,      E::footerLink};
  EXPECT_EQ(tabRound(+1), expected);
  EXPECT_EQ(host.focus, FocusHolder::linkBox);
  EXPECT_EQ(host.lastSelection, LinkSelection::selectAll);
  EXPECT_TRUE(state.focusVisible);

  std::vector<E> backwards(expected.rbegin(), expected.rend());
  EXPECT_EQ(tabRound(-1), backwards);
}

TEST_F(WindowInput, TabInAudioModeVisitsTheChosenAudioChips) {
  state.audioMode = true;
  state.audioFormat = 3;  // FLAC: lossless, so no bitrate chip is enabled
  state.bitrate = 2;
  std::vector<E> order = tabOrder(state);
  EXPECT_NE(std::find(order.begin(), order.end(), E::audioMode), order.end());
  EXPECT_NE(std::find(order.begin(), order.end(), formatChipId(3)), order.end());
  for (E id : order) EXPECT_FALSE(isQualityChip(id));

  state.audioFormat = 0;
  order = tabOrder(state);
  EXPECT_NE(std::find(order.begin(), order.end(), qualityChipId(2)), order.end());
}

TEST_F(WindowInput, WhileADownloadRunsTabReachesOnlyItsFiveElements) {
  startRunningDownload();
  const std::vector<E> expected = {E::download, E::openFolder, E::clearLog, E::language, E::footerLink};
  EXPECT_EQ(tabRound(+1), expected);
}

TEST_F(WindowInput, DisabledElementsIgnoreActivation) {
  startRunningDownload();
  const bool audio = state.audioMode;
  activateElement(state, host, E::audioMode);
  activateElement(state, host, formatChipId(3));
  activateElement(state, host, E::playlist);
  activateElement(state, host, E::changeFolder);
  EXPECT_EQ(state.audioMode, audio);
  EXPECT_EQ(state.videoFormat, 0);
  EXPECT_FALSE(state.wholePlaylist);
  EXPECT_FALSE(host.folderChosen);
}

TEST_F(WindowInput, ShiftTabFromAGroupStartsAtTheGroupsPosition) {
  state.focusId = formatChipId(7);  // a chip that is not the selected one
  state.linkBoxFocused = false;
  moveFocus(state, host, -1);
  EXPECT_EQ(state.focusId, E::playlist);
}

TEST_F(WindowInput, ArrowsMoveTheSelectionWithinAGroupWithoutWrapping) {
  host.focus = FocusHolder::mainWindow;
  state.linkBoxFocused = false;
  state.focusId = formatChipId(0);
  EXPECT_TRUE(mainWindowKey(state, host, Key::right, false));
  EXPECT_EQ(state.focusId, formatChipId(1));
  EXPECT_EQ(state.videoFormat, 1);
  EXPECT_TRUE(state.focusVisible);

  state.focusId = formatChipId(9);
  state.videoFormat = 9;
  mainWindowKey(state, host, Key::right, false);
  EXPECT_EQ(state.focusId, formatChipId(9));  // the last chip: nothing changes
  EXPECT_EQ(state.videoFormat, 9);

  state.focusId = E::videoMode;
  mainWindowKey(state, host, Key::down, false);
  EXPECT_TRUE(state.audioMode);
  EXPECT_EQ(state.focusId, E::audioMode);
}

TEST_F(WindowInput, ArrowsSkipQualityChipsAboveThePreviewHeight) {
  state.preview.active = true;
  state.preview.height = 720;
  for (int row = 1; row <= 4; ++row) EXPECT_FALSE(isElementEnabled(state, qualityChipId(row))) << row;
  EXPECT_TRUE(isElementEnabled(state, qualityChipId(0)));
  EXPECT_TRUE(isElementEnabled(state, qualityChipId(5)));

  host.focus = FocusHolder::mainWindow;
  state.linkBoxFocused = false;
  state.quality = 0;
  state.focusId = qualityChipId(0);
  mainWindowKey(state, host, Key::right, false);
  EXPECT_EQ(state.focusId, qualityChipId(5));  // 8K … 1080p skipped
  EXPECT_EQ(state.quality, 5);
  mainWindowKey(state, host, Key::left, false);
  EXPECT_EQ(state.quality, 0);

  // A selected chip that became disabled is stood in for by the group's first enabled one.
  state.quality = 2;
  std::vector<E> order = tabOrder(state);
  EXPECT_NE(std::find(order.begin(), order.end(), qualityChipId(0)), order.end());
}

TEST_F(WindowInput, ArrowsStopAtTheLastChipOfTheModesTable) {
  state.audioMode = true;
  state.audioFormat = 7;
  state.bitrate = 5;
  host.focus = FocusHolder::mainWindow;
  state.focusId = formatChipId(7);
  mainWindowKey(state, host, Key::right, false);
  EXPECT_EQ(state.focusId, formatChipId(7));
  state.focusId = qualityChipId(5);
  mainWindowKey(state, host, Key::down, false);
  EXPECT_EQ(state.focusId, qualityChipId(5));
  EXPECT_EQ(state.bitrate, 5);
}

TEST_F(WindowInput, ArrowsOutsideAGroupDoNothing) {
  host.focus = FocusHolder::mainWindow;
  state.focusId = E::download;
  EXPECT_FALSE(mainWindowKey(state, host, Key::right, false));
  EXPECT_EQ(state.focusId, E::download);
}

TEST_F(WindowInput, DoubleClickOnDownloadStartsOneJobAndDoesNotCancelIt) {
  host.text = L"https://youtu.be/abcdefghijk";
  activateElement(state, host, E::download);
  ASSERT_EQ(state.jobState, downloadJobRunning);
  clock += 300;
  activateElement(state, host, E::download);
  EXPECT_FALSE(state.cancelRequested.load());
  EXPECT_EQ(state.statusId, statusText::starting);

  clock += 800;
  activateElement(state, host, E::download);  // now it is Cancel
  EXPECT_TRUE(state.cancelRequested.load());
  EXPECT_EQ(state.statusId, statusText::cancelling);
  ASSERT_TRUE(calls->waitFor(1, 0, 0));
  EXPECT_EQ(calls->jobs().size(), 1u);
}

TEST_F(WindowInput, ClickNeedsPressAndReleaseOnTheSameElement) {
  pointerPressed(state, host, E::playlist);
  EXPECT_EQ(state.pressedId, E::playlist);
  EXPECT_EQ(state.focusId, E::playlist);
  pointerReleased(state, host, E::paste);
  EXPECT_FALSE(state.wholePlaylist);
  EXPECT_EQ(state.pressedId, E::none);

  pointerPressed(state, host, E::playlist);
  pointerReleased(state, host, E::playlist);
  EXPECT_TRUE(state.wholePlaylist);
  EXPECT_FALSE(state.focusVisible);
}

TEST_F(WindowInput, EmptyLinkBoxAsksForALinkAndKeepsTheFocus) {
  host.text = L"  \t ";
  startDownload(state, host);
  EXPECT_EQ(state.jobState, noJob);
  EXPECT_EQ(state.statusKind, statusError);
  EXPECT_EQ(statusLine(state), L"Please paste a YouTube link first.");
  EXPECT_EQ(host.focus, FocusHolder::linkBox);
}

TEST_F(WindowInput, FolderThatCannotBeCreatedIsRefused) {
  const auto blocker = Sandbox::current().root() / "a-file";
  writeFile(blocker, "x");
  state.folder = fromPath(blocker / "sub");
  host.text = L"https://youtu.be/abcdefghijk";
  startDownload(state, host);
  EXPECT_EQ(state.jobState, noJob);
  EXPECT_EQ(statusLine(state), L"The save location doesn't exist and couldn't be created.");
}

TEST_F(WindowInput, MissingFolderIsCreatedAndEmptyFolderBecomesDownloads) {
  const auto nested = Sandbox::current().root() / "new" / "deeper";
  state.folder = fromPath(nested);
  host.text = L"https://youtu.be/abcdefghijk";
  auto request = buildDownloadRequest(state, host);
  ASSERT_TRUE(request);
  EXPECT_TRUE(std::filesystem::is_directory(nested));
  EXPECT_EQ(request->folder, fromPath(nested));

  state.folder = L" ";
  request = buildDownloadRequest(state, host);
  ASSERT_TRUE(request);
  EXPECT_FALSE(trimText(state.folder).empty());
  EXPECT_TRUE(std::filesystem::is_directory(toPath(state.folder)));
}

TEST_F(WindowInput, LinkWithoutSchemeGetsHttps) {
  host.text = L"  youtu.be/abcdefghijk ";
  state.audioMode = true;
  state.audioFormat = 7;
  state.bitrate = 2;
  state.wholePlaylist = true;
  auto request = buildDownloadRequest(state, host);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->kind, 1);
  EXPECT_EQ(request->url, L"https://youtu.be/abcdefghijk");
  EXPECT_EQ(host.text, L"https://youtu.be/abcdefghijk");
  EXPECT_TRUE(request->audioMode);
  EXPECT_EQ(request->audioFormat, 7);
  EXPECT_EQ(request->bitrate, 2);
  EXPECT_TRUE(request->wholePlaylist);
}

TEST_F(WindowInput, DownloadWhileSetupRunsIsQueuedAndEscDropsOnlyTheQueue) {
  startJob(state, host, DownloadRequest{});
  ASSERT_EQ(state.jobState, setupJobRunning);
  host.text = L"https://youtu.be/abcdefghijk";
  state.audioMode = true;
  state.audioFormat = 0;
  state.bitrate = 0;
  startDownload(state, host);
  ASSERT_TRUE(state.pendingRequest);
  const std::vector<std::wstring> lines = logLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], std::wstring(40, L'\u2500'));
  EXPECT_EQ(lines[lines.size() - 2], L"Download: https://youtu.be/abcdefghijk  (MP3 \u00b7 320k)");
  EXPECT_EQ(lines.back(), L"Your download will start automatically once setup is complete \u2026");

  mainWindowKey(state, host, Key::escape, false);
  EXPECT_FALSE(state.pendingRequest);
  EXPECT_EQ(state.jobState, setupJobRunning);
  EXPECT_FALSE(state.cancelRequested.load());
  mainWindowKey(state, host, Key::escape, false);  // setup alone: nothing
  EXPECT_FALSE(state.cancelRequested.load());
  EXPECT_EQ(state.statusId, statusText::preparing);
}

TEST_F(WindowInput, VideoRequestLineNamesFormatAndQuality) {
  host.text = L"https://youtu.be/abcdefghijk";
  state.videoFormat = 2;
  state.quality = 0;
  startDownload(state, host);
  EXPECT_EQ(logLines().back(), L"Download: https://youtu.be/abcdefghijk  (WebM \u00b7 Best)");
}

TEST_F(WindowInput, EnterOnAFocusedElementActivatesItOtherwiseDownloads) {
  host.focus = FocusHolder::mainWindow;
  state.focusId = E::playlist;
  mainWindowKey(state, host, Key::space, false);
  EXPECT_TRUE(state.wholePlaylist);

  host.focus = FocusHolder::linkBox;  // no element focused: Enter is Download
  host.text = L"";
  mainWindowKey(state, host, Key::enter, false);
  EXPECT_EQ(state.statusId, statusText::pasteLinkFirst);
}

TEST_F(WindowInput, FocusReturningToTheWindowWithoutAnElementGoesToTheLinkBox) {
  host.focus = FocusHolder::mainWindow;
  state.focusId = E::none;
  mainWindowFocusChanged(state, host, true);
  EXPECT_EQ(host.focus, FocusHolder::linkBox);
}

TEST_F(WindowInput, OpenAndShowInFolder) {
  activateElement(state, host, E::openFolder);
  ASSERT_EQ(host.openedFolders.size(), 1u);
  EXPECT_EQ(host.openedFolders[0], state.folder);

  const auto file = toPath(state.folder) / "clip.mp4";
  writeFile(file, "data");
  state.outputPath = fromPath(file);
  state.statusKind = statusDone;
  activateElement(state, host, E::showInFolder);
  ASSERT_EQ(host.shownFiles.size(), 1u);
  EXPECT_EQ(host.shownFiles[0], fromPath(file));

  std::filesystem::remove(file);  // gone since: open the folder instead
  activateElement(state, host, E::showInFolder);
  EXPECT_EQ(host.openedFolders.size(), 2u);
}

TEST_F(WindowInput, ChangeFolderTakesOnlyAChosenFolder) {
  const std::wstring before = state.folder;
  activateElement(state, host, E::changeFolder);
  ASSERT_TRUE(host.folderChosen);
  EXPECT_EQ(host.folderStart, before);
  host.folderChosen(L"");
  EXPECT_EQ(state.folder, before);
  host.folderChosen(L"/elsewhere");
  EXPECT_EQ(state.folder, L"/elsewhere");
}

TEST_F(WindowInput, ModeSwitchRedoesTheLayout) {
  const int relayouts = host.relayouts;
  activateElement(state, host, E::audioMode);
  EXPECT_TRUE(state.audioMode);
  EXPECT_EQ(host.relayouts, relayouts + 1);
  activateElement(state, host, formatChipId(4));
  EXPECT_EQ(state.audioFormat, 4);
  EXPECT_EQ(state.videoFormat, 0);
  activateElement(state, host, qualityChipId(5));
  EXPECT_EQ(state.bitrate, 5);
  EXPECT_EQ(state.quality, 4);
}

}  // namespace
}  // namespace tarnwick::test
