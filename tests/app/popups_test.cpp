// The language grid and the results list: opening, keys, pointer, scrolling, choosing.
#include <gtest/gtest.h>

#include "app/link_box.h"
#include "app/popups.h"
#include "app/settings.h"
#include "app_fixture.h"
#include "lookup/video_search.h"

namespace tarnwick::test {
namespace {

class Popups : public AppFixture {
 protected:
  Popups() {
    host.onLinkTextSet = [this] { linkTextChanged(state, host); };
  }
  void showHits(int count) {
    state.results.clear();
    for (int i = 0; i < count; ++i) {
      SearchResult hit;
      hit.videoId = std::wstring(10, L'a') + static_cast<wchar_t>(L'A' + i);
      hit.title = L"hit " + std::to_wstring(i);
      state.results.push_back(hit);
    }
    openResultsPopup(state, host);
    ASSERT_TRUE(state.resultsPopup);
  }
};

TEST_F(Popups, LanguageButtonClickThatClosedThePopupDoesNotReopenIt) {
  openLanguagePopup(state, host);
  ASSERT_TRUE(state.langPopup);
  EXPECT_EQ(state.langPopupHover, 0);
  // The click outside closes the popover before the button sees the click.
  clock += 5;
  languagePopupClosed(state, host);
  clock += 100;
  openLanguagePopup(state, host);
  EXPECT_FALSE(state.langPopup);
  clock += 300;
  openLanguagePopup(state, host);
  EXPECT_TRUE(state.langPopup);
}

TEST_F(Popups, LanguageKeysMoveInTheGridAndStopAtItsEdges) {
  openLanguagePopup(state, host);
  languagePopupKey(state, host, PopupKey::left);  // from English (0): nothing
  EXPECT_EQ(state.langPopupHover, 0);
  languagePopupKey(state, host, PopupKey::up);
  EXPECT_EQ(state.langPopupHover, 0);

  state.langPopupHover = 7;  // Polski
  languagePopupKey(state, host, PopupKey::right);
  EXPECT_EQ(state.langPopupHover, 16);  // 中文
  state.langPopupHover = 8;             // Türkçe
  languagePopupKey(state, host, PopupKey::right);
  EXPECT_EQ(state.langPopupHover, 8);
  languagePopupKey(state, host, PopupKey::down);
  EXPECT_EQ(state.langPopupHover, 9);

  state.langPopupHover = -1;  // pointer left: keys start from the active language
  state.language.exchange(3);
  languagePopupKey(state, host, PopupKey::down);
  EXPECT_EQ(state.langPopupHover, 4);
  state.language.exchange(0);
}

TEST_F(Popups, ChoosingALanguageSavesItAndRelabels) {
  openLanguagePopup(state, host);
  state.langPopupHover = 1;
  languagePopupKey(state, host, PopupKey::enter);
  EXPECT_FALSE(state.langPopup);
  EXPECT_FALSE(host.langPopupShown);
  EXPECT_EQ(state.language.load(), 1);
  EXPECT_EQ(host.cueText, L"YouTube-Link einf\u00fcgen oder suchen \u2026");
  EXPECT_EQ(loadSettings().language, 1);
  EXPECT_GE(host.relayouts, 1);
  state.language.exchange(0);
}

TEST_F(Popups, LanguageCellsFollowTheGrid) {
  EXPECT_EQ(languageCellAt(6, 6), 0);
  EXPECT_EQ(languageCellAt(181, 39), 0);
  EXPECT_EQ(languageCellAt(182, 6), 9);
  EXPECT_EQ(languageCellAt(10, 6 + 8 * 34 + 1), 8);
  EXPECT_EQ(languageCellAt(190, 6 + 7 * 34 + 1), 16);
  EXPECT_EQ(languageCellAt(190, 6 + 8 * 34 + 1), -1);  // the 18th cell is empty
  EXPECT_EQ(languageCellAt(3, 10), -1);
  EXPECT_EQ(languageCellAt(10, 320), -1);
}

TEST_F(Popups, ResultsPopupShrinksToTheWorkAreaButKeepsTwoRows) {
  EXPECT_EQ(resultsPopupRows(15, 1000), 6);
  EXPECT_EQ(resultsPopupRows(3, 1000), 3);
  EXPECT_EQ(resultsPopupRows(15, 4 * 80 + 12), 4);
  EXPECT_EQ(resultsPopupRows(15, 4 * 80 + 11), 3);
  EXPECT_EQ(resultsPopupRows(15, 10), 2);
  EXPECT_EQ(resultsPopupRows(1, 10), 1);

  host.resultsSpace = 200;
  showHits(15);
  EXPECT_FLOAT_EQ(host.resultsHeight, 2 * 80 + 12);
  EXPECT_EQ(state.resultsSelection, 0);
  resultsPopupKey(state, host, PopupKey::end);
  EXPECT_EQ(state.resultsSelection, 14);
  EXPECT_FLOAT_EQ(state.resultsScroll, 15 * 80 - 160);
}

TEST_F(Popups, PageDownFromTheFirstHitSelectsTheSeventhAndScrollsItIntoView) {
  showHits(15);
  resultsPopupKey(state, host, PopupKey::pageDown);
  EXPECT_EQ(state.resultsSelection, 6);
  EXPECT_FLOAT_EQ(state.resultsScroll, 7 * 80 - 6 * 80);
  resultsPopupKey(state, host, PopupKey::home);
  EXPECT_EQ(state.resultsSelection, 0);
  EXPECT_FLOAT_EQ(state.resultsScroll, 0);
  resultsPopupKey(state, host, PopupKey::up);  // already first: nothing
  EXPECT_EQ(state.resultsSelection, 0);
}

TEST_F(Popups, WheelStaysWithinTheList) {
  showHits(15);
  resultsPopupWheel(state, host, +1);  // up from the top
  EXPECT_FLOAT_EQ(state.resultsScroll, 0);
  resultsPopupWheel(state, host, -3);
  EXPECT_FLOAT_EQ(state.resultsScroll, 240);
  resultsPopupWheel(state, host, -100);
  EXPECT_FLOAT_EQ(state.resultsScroll, resultsMaxScroll(state));
  EXPECT_FLOAT_EQ(resultsMaxScroll(state), 15 * 80 - 6 * 80);

  showHits(3);  // a short list never scrolls
  resultsPopupWheel(state, host, -5);
  EXPECT_FLOAT_EQ(state.resultsScroll, 0);
}

TEST_F(Popups, PointerSelectsTheRowUnderIt) {
  showHits(15);
  state.resultsScroll = 40;
  EXPECT_EQ(resultsRowAt(state, 6), 0);
  EXPECT_EQ(resultsRowAt(state, 6 + 40), 1);
  EXPECT_EQ(resultsRowAt(state, 3), -1);
  EXPECT_EQ(resultsRowAt(state, 6 + 6 * 80 + 1), -1);  // below the visible rows
  resultsPopupPointer(state, host, 3);
  EXPECT_EQ(state.resultsSelection, 3);
  resultsPopupPointerLeft(state, host);
  EXPECT_EQ(state.resultsSelection, 3);  // the selection stays
}

TEST_F(Popups, ChoosingAHitPreviewsItWithoutASecondLookup) {
  showHits(3);
  state.results[1].channel = L"chan";
  state.results[1].durationSeconds = 61;
  state.results[1].thumb = std::make_shared<Thumb>();
  chooseResult(state, host, 1);
  EXPECT_FALSE(state.resultsPopup);
  EXPECT_FALSE(host.resultsPopupShown);
  EXPECT_TRUE(state.preview.active);
  EXPECT_EQ(state.preview.videoId, state.results[1].videoId);
  EXPECT_EQ(state.preview.channel, L"chan");
  EXPECT_EQ(state.preview.thumb, state.results[1].thumb);
  EXPECT_FALSE(state.preview.titlePending);
  EXPECT_EQ(host.text, L"https://www.youtube.com/watch?v=" + state.results[1].videoId);
  EXPECT_EQ(host.lastSelection, LinkSelection::caretAtEnd);
  ASSERT_TRUE(calls->waitFor(0, 1, 0));
  EXPECT_FALSE(calls->previews()[0].fetchTitle);

  // The change that setting the text raised finds the preview on this id already.
  const std::uint32_t generation = state.previewGeneration.load();
  linkCheckTimerFired(state, host);
  EXPECT_EQ(state.previewGeneration.load(), generation);

  chooseResult(state, host, 7);  // out of range: nothing
  EXPECT_EQ(state.previewGeneration.load(), generation);
}

TEST_F(Popups, EnterChoosesAndEscCloses) {
  showHits(3);
  resultsPopupKey(state, host, PopupKey::down);
  resultsPopupKey(state, host, PopupKey::enter);
  EXPECT_EQ(state.preview.videoId, state.results[1].videoId);

  showHits(3);
  resultsPopupKey(state, host, PopupKey::escape);
  EXPECT_FALSE(state.resultsPopup);
}

TEST_F(Popups, EmptyResultsOpenNoPopup) {
  state.results.clear();
  openResultsPopup(state, host);
  EXPECT_FALSE(state.resultsPopup);
  EXPECT_EQ(host.resultsPopupOpens, 0);
}

}  // namespace
}  // namespace tarnwick::test
