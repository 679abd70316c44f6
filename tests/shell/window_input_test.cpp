// Keyboard and pointer reach the window behaviour: checked on the screen against frames the same
// painters render offscreen.
#include <gtest/gtest.h>

#include "test_paths.h"
#include "window_fixture.h"

namespace tarnwick::test {
namespace {

class WindowInputTest : public TarnwickWindowTest {};

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
  frame.focusId = element::kPaste;
  Image onPaste = expected.renderMainWindow(frame, 900, 860, 1.0);
  frame.focusId = element::kFooterLink;
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

}  // namespace
}  // namespace tarnwick::test
