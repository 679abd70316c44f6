// The link box: search mode, the delayed link check, the clipboard paths, its keys.
#include <gtest/gtest.h>

#include "app/link_box.h"
#include "app/popups.h"
#include "app_fixture.h"
#include "lookup/video_search.h"

namespace tarnwick::test {
namespace {

class LinkBox : public AppFixture {
 protected:
  LinkBox() {
    host.onLinkTextSet = [this] { linkTextChanged(state, host); };
  }
  void type(const std::wstring& text) {
    host.text = text;
    linkTextChanged(state, host);
  }
  void timerFires() {
    ASSERT_TRUE(host.linkTimerArmed);
    linkCheckTimerFired(state, host);
    EXPECT_FALSE(host.linkTimerArmed);
  }
};

TEST_F(LinkBox, WordsSwitchToSearchModeAtOnce) {
  type(L"  cat videos ");
  EXPECT_TRUE(state.searchMode);
  type(L"https://www.youtube.com/watch?v=abcdefghijk");
  EXPECT_FALSE(state.searchMode);
  type(L" \t");
  EXPECT_FALSE(state.searchMode);
}

TEST_F(LinkBox, ChangesWithinTheDelayStartOnePreviewForTheFinalText) {
  type(L"https://youtu.be/aaaaaaaaaaa");
  type(L"https://youtu.be/bbbbbbbbbbb");
  EXPECT_EQ(host.linkTimerArms, 2);  // re-armed: the shell restarts the 400 ms delay
  EXPECT_FALSE(state.preview.active);
  timerFires();
  ASSERT_TRUE(calls->waitFor(0, 1, 0));
  const std::vector<PreviewCall> previews = calls->previews();
  ASSERT_EQ(previews.size(), 1u);
  EXPECT_EQ(previews[0].videoId, L"bbbbbbbbbbb");
  EXPECT_TRUE(previews[0].fetchTitle);
  EXPECT_TRUE(previews[0].fetchDetails);
  EXPECT_EQ(previews[0].generation, state.previewGeneration.load());
  EXPECT_TRUE(state.preview.active);
  EXPECT_EQ(state.preview.videoId, L"bbbbbbbbbbb");
  EXPECT_EQ(host.relayouts, 1);  // the card appeared
}

TEST_F(LinkBox, SameVideoAgainStartsNothingNew) {
  type(L"https://youtu.be/aaaaaaaaaaa");
  timerFires();
  const std::uint32_t generation = state.previewGeneration.load();
  type(L"https://www.youtube.com/watch?v=aaaaaaaaaaa&t=10");
  timerFires();
  EXPECT_EQ(state.previewGeneration.load(), generation);
  // Unless it turned out unavailable: then the same link again tries the lookups again.
  state.preview.unavailable = true;
  type(L"https://youtu.be/aaaaaaaaaaa");
  timerFires();
  ASSERT_TRUE(calls->waitFor(0, 2, 0));
  EXPECT_GT(state.previewGeneration.load(), generation);
  EXPECT_FALSE(state.preview.unavailable);
  EXPECT_TRUE(calls->previews()[1].fetchTitle);
}

TEST_F(LinkBox, WordsClearThePreviewAfterTheDelay) {
  type(L"https://youtu.be/aaaaaaaaaaa");
  timerFires();
  const std::uint32_t generation = state.previewGeneration.load();
  type(L"cat videos");
  EXPECT_TRUE(state.preview.active);  // only after the delay
  timerFires();
  EXPECT_FALSE(state.preview.active);
  EXPECT_TRUE(state.preview.videoId.empty());
  EXPECT_EQ(state.preview.height, 0);
  EXPECT_EQ(state.preview.durationSeconds, -1);
  EXPECT_EQ(state.previewGeneration.load(), generation + 1);  // its late replies are stale
}

TEST_F(LinkBox, PasteButtonTakesAnyTextTrimmedAndSelectsIt) {
  host.clipboard = L"\t some words with spaces \r\n";
  pasteFromClipboard(state, host);
  EXPECT_EQ(host.text, L"some words with spaces");
  EXPECT_TRUE(state.searchMode);
  EXPECT_EQ(host.focus, FocusHolder::linkBox);
  EXPECT_EQ(host.lastSelection, LinkSelection::selectAll);

  host.clipboard.reset();  // no text: only the focus moves
  host.focus = FocusHolder::mainWindow;
  pasteFromClipboard(state, host);
  EXPECT_EQ(host.text, L"some words with spaces");
  EXPECT_EQ(host.focus, FocusHolder::linkBox);
}

TEST_F(LinkBox, StartupPasteTakesOnlyAPlainVideoLink) {
  EXPECT_TRUE(isStartupPasteLink(L"https://www.youtube.com/watch?v=abcdefghijk"));
  EXPECT_TRUE(isStartupPasteLink(L"youtu.be/abcdefghijk"));
  EXPECT_FALSE(isStartupPasteLink(L"https://www.youtube.com/watch?v=abc def"));
  EXPECT_FALSE(isStartupPasteLink(L"https://example.com/video"));
  EXPECT_FALSE(isStartupPasteLink(L"youtube.com"));
  const std::wstring prefix = L"https://youtu.be/";
  EXPECT_TRUE(isStartupPasteLink(prefix + std::wstring(499 - prefix.size(), L'a')));
  EXPECT_FALSE(isStartupPasteLink(prefix + std::wstring(500 - prefix.size(), L'a')));

  host.clipboard = L"  https://youtu.be/abcdefghijk\n";
  pasteAtStartup(state, host);
  EXPECT_EQ(host.text, L"https://youtu.be/abcdefghijk");
  EXPECT_EQ(host.focus, FocusHolder::none);  // the focus is not touched

  host.text.clear();
  host.clipboard = L"my shopping list";
  pasteAtStartup(state, host);
  EXPECT_TRUE(host.text.empty());
}

TEST_F(LinkBox, KeysTabEnterEscAndDown) {
  host.focus = FocusHolder::linkBox;
  state.linkBoxFocused = true;
  EXPECT_TRUE(linkBoxKey(state, host, Key::tab, false));
  EXPECT_EQ(state.focusId, ElementId::paste);
  EXPECT_EQ(host.focus, FocusHolder::mainWindow);

  host.text = L"";
  EXPECT_TRUE(linkBoxKey(state, host, Key::enter, false));
  EXPECT_EQ(state.statusId, 35);  // "Please paste a YouTube link first."

  EXPECT_FALSE(linkBoxKey(state, host, Key::down, false));  // no results: the entry's own
  type(L"cats");
  SearchResult hit;
  hit.videoId = L"abcdefghijk";
  state.results = {hit};
  EXPECT_TRUE(linkBoxKey(state, host, Key::down, false));
  EXPECT_TRUE(state.resultsPopup);

  EXPECT_TRUE(linkBoxKey(state, host, Key::escape, false));
  EXPECT_FALSE(linkBoxKey(state, host, Key::left, false));
}

TEST_F(LinkBox, FocusInTheBoxClearsTheElementFocus) {
  state.focusId = ElementId::download;
  linkBoxFocusChanged(state, host, true);
  EXPECT_TRUE(state.linkBoxFocused);
  EXPECT_EQ(state.focusId, ElementId::none);
  linkBoxFocusChanged(state, host, false);
  EXPECT_FALSE(state.linkBoxFocused);
}

}  // namespace
}  // namespace tarnwick::test
