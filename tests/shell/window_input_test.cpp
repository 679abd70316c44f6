// Keyboard and pointer reach the window behaviour: checked on the screen against frames the same
// painters render offscreen.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/popups.h"
#include "test_paths.h"
#include "window_fixture.h"

namespace tarnwick::test {
namespace {

class WindowInputTest : public TarnwickWindowTest {
 protected:
  // The list opens under the language button, right edges aligned: its right margin (inside
  // the one-pixel border) is the card colour where the window showed the headline's glow.
  bool languageListShown() {
    const RectF& button = layout.languageButtonRect;
    return waitForPixels(
        origin.x + static_cast<int>(button.right) - 5, origin.y + static_cast<int>(button.bottom) + 60, 2,
        100, [](const std::vector<std::uint32_t>& pixels) {
          return std::all_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return p == 0x141727; });
        });
  }
};

RectF around(const RectF& r, float margin) {
  return {r.left - margin, r.top - margin, r.right + margin, r.bottom + margin};
}

TEST_F(WindowInputTest, typingWordsTurnsDownloadIntoSearch) {
  ASSERT_NO_FATAL_FAILURE(startProgram());
  FrameState frame = englishFrame();
  frame.linkBoxFocused = true;
  Image download = expected.renderMainWindow(frame, 900, 860, 1.0);
  frame.searchMode = true;
  Image search = expected.renderMainWindow(frame, 900, 860, 1.0);

  ASSERT_TRUE(waitUntilLooksLike(layout.actionButtonRect, download, search));
  typeText("cat videos");
  EXPECT_TRUE(waitUntilLooksLike(layout.actionButtonRect, search, download));
  saveScreenshot("search-mode");
  // Back to a link: Download again.
  pressKeys("ctrl+a");
  typeText("https://www.youtube.com/watch?v=aaaaaaaaaaa");
  EXPECT_TRUE(waitUntilLooksLike(layout.actionButtonRect, download, search));
}

TEST_F(WindowInputTest, tabWalksFromTheLinkBoxThroughTheDrawnElementsAndBack) {
  ASSERT_NO_FATAL_FAILURE(startProgram());
  FrameState frame = englishFrame();
  frame.linkBoxFocused = true;
  Image inLinkBox = expected.renderMainWindow(frame, 900, 860, 1.0);
  frame.linkBoxFocused = false;
  frame.focusVisible = true;
  frame.mainWindowHasFocus = true;
  frame.focusId = ElementId::paste;
  Image onPaste = expected.renderMainWindow(frame, 900, 860, 1.0);
  frame.focusId = ElementId::footerLink;
  Image onFooter = expected.renderMainWindow(frame, 900, 860, 1.0);
  const RectF paste = around(layout.pasteButtonRect, 6);
  const RectF footer = around(layout.footerLinkRect, 6);

  ASSERT_TRUE(waitUntilLooksLike(paste, inLinkBox, onPaste));
  pressKeys("Tab");
  EXPECT_TRUE(waitUntilLooksLike(paste, onPaste, inLinkBox));
  saveScreenshot("focus-on-paste");
  pressKeys("shift+Tab");  // back into the link box: no ring
  EXPECT_TRUE(waitUntilLooksLike(paste, inLinkBox, onPaste));
  pressKeys("shift+Tab");  // from the link box backwards: the last element
  EXPECT_TRUE(waitUntilLooksLike(footer, onFooter, inLinkBox));
  pressKeys("Tab");  // and on into the link box, where typing lands again
  typeText("cat videos");
  frame = englishFrame();
  frame.linkBoxFocused = true;
  Image download = expected.renderMainWindow(frame, 900, 860, 1.0);
  frame.searchMode = true;
  Image search = expected.renderMainWindow(frame, 900, 860, 1.0);
  EXPECT_TRUE(waitUntilLooksLike(layout.actionButtonRect, search, download));
}

TEST_F(WindowInputTest, theLanguageListChoosesByKeyboardAndEscapeKeepsTheLanguage) {
  ASSERT_NO_FATAL_FAILURE(startProgram());
  FrameState frame = englishFrame();
  frame.linkBoxFocused = true;
  Image english = expected.renderMainWindow(frame, 900, 860, 1.0);
  frame.language = 1;
  viewLanguage(frame, 1);
  MainLayout germanLayout;
  Image german = expected.renderMainWindow(frame, 900, 860, 1.0, &germanLayout);
  // The headline area differs between the two languages wherever the layout puts it.
  const RectF headline = layout.headlineRect;

  const RectF& button = layout.languageButtonRect;
  clickContent((button.left + button.right) / 2, (button.top + button.bottom) / 2);
  ASSERT_TRUE(languageListShown());
  saveScreenshot("language-list");
  pressKeys("Escape");
  pressKeys("Escape");  // the list is gone: this one reaches the link box and changes nothing
  EXPECT_TRUE(waitUntilLooksLike(headline, english, german));

  // A click right after a close does not reopen the list (the click that closed it by
  // deactivation must not); wait that rule out, it has nothing to observe.
  std::this_thread::sleep_for(std::chrono::milliseconds(languagePopupReopenGuardMs + 50));
  clickContent((button.left + button.right) / 2, (button.top + button.bottom) / 2);
  ASSERT_TRUE(languageListShown());
  pressKeys("Down");  // from English to Deutsch
  pressKeys("Return");
  EXPECT_TRUE(waitUntilLooksLike(headline, german, english));
  EXPECT_TRUE(waitUntilLooksLike(germanLayout.actionButtonRect, german, english));
  saveScreenshot("german");
}

TEST_F(WindowInputTest, searchResultsOpenUnderTheLinkBoxAndAChosenHitFillsIt) {
  Sandbox::current().writeScript("yt-dlp", searchingYtDlp);
  for (const char* tool : {"ffmpeg", "ffprobe", "deno"}) (void)Sandbox::current().exposeTool(tool);
  ChildProcess& program = app;
  auto opened = launch(program);
  ASSERT_TRUE(opened);
  box = *opened;
  auto found = contentOrigin(box);
  ASSERT_TRUE(found);
  origin = *found;
  ASSERT_TRUE(session.xdotool({"mousemove", "--sync", "1279", "1023"}));
  (void)expected.renderMainWindow(englishFrame(), 900, 860, 1.0, &layout);

  typeText("cat videos");
  pressKeys("Return");
  // The list's left margin, inside its border, is the card colour where the window showed
  // the mode buttons.
  const RectF& field = layout.linkFieldRect;
  ASSERT_TRUE(waitForPixels(
      origin.x + static_cast<int>(field.left) + 2, origin.y + static_cast<int>(field.bottom) + 20, 3, 100,
      [](const std::vector<std::uint32_t>& pixels) {
        return std::all_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return p == 0x141727; });
      }));
  saveScreenshot("search-results");
  pressKeys("Down");
  pressKeys("Return");
  // The chosen hit's watch address is in the box, the caret after it.
  session.clearClipboard();
  pressKeys("ctrl+a");
  pressKeys("ctrl+c");
  EXPECT_EQ(session.clipboardText().value_or(""), "https://www.youtube.com/watch?v=vid00000001");
}

TEST_F(WindowInputTest, closingWithoutADownloadAsksNothingAndSavesTheSettings) {
  ASSERT_NO_FATAL_FAILURE(startProgram());
  clickContent((layout.audioModeRect.left + layout.audioModeRect.right) / 2,
               (layout.audioModeRect.top + layout.audioModeRect.bottom) / 2);
  clickClose();
  EXPECT_EQ(app.wait(std::chrono::seconds(30)), 0);
  std::string settings = readFile(Sandbox::current().root() / "config" / "Tarnwick" / "settings.ini");
  EXPECT_NE(settings.find("Audio=1"), std::string::npos) << settings;
}

}  // namespace
}  // namespace tarnwick::test
