// The window as a screen reader sees it: the real program with the accessibility bridge on, its
// tree walked by a real AT-SPI client (atspi_client.py beside this file) over the accessibility
// bus of the test's own session.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <thread>

#include "base/text.h"
#include "media_tools.h"
#include "test_paths.h"
#include "window_fixture.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Node {
  int depth = 0;
  std::string role, name, states;
  int x = 0, y = 0, width = 0, height = 0;
  std::string value;
  [[nodiscard]] bool has(const std::string& state) const {
    return ("," + states + ",").find("," + state + ",") != std::string::npos;
  }
};

std::vector<Node> parseDump(const std::string& text) {
  std::vector<Node> nodes;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
    if (f.size() != 6) continue;
    Node n;
    n.depth = std::stoi(f[0]);
    n.role = f[1];
    n.name = f[2];
    n.states = f[3];
    (void)std::sscanf(f[4].c_str(), "%d,%d,%d,%d", &n.x, &n.y, &n.width, &n.height);
    n.value = f[5];
    nodes.push_back(n);
  }
  return nodes;
}

class AccessibilityTest : public TarnwickWindowTest {
 protected:
  void SetUp() override {
    TarnwickWindowTest::SetUp();
    if (IsSkipped()) return;
    if (!fs::exists(python) || !fs::exists("/usr/libexec/at-spi-bus-launcher")) {
      GTEST_SKIP() << "python3 with AT-SPI or at-spi2-core is not installed";
    }
    // Only this test talks to an accessibility bus: the session's own, started on demand.
    ::unsetenv("NO_AT_BRIDGE");
    ::unsetenv("GTK_A11Y");
  }

  ToolResult client(const std::vector<std::string>& args) {
    std::vector<std::string> argv{
        python.string(), (fs::path(__FILE__).parent_path() / "atspi_client.py").string(), "tarnwick"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv, 30s);
  }

  // Dumps the tree until `holds` is satisfied; the last dump either way.
  std::vector<Node> waitForTree(const std::function<bool(const std::vector<Node>&)>& holds,
                                std::chrono::milliseconds limit = 30s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      std::vector<Node> nodes = parseDump(client({}).output);
      if (holds(nodes) || std::chrono::steady_clock::now() > deadline) return nodes;
      std::this_thread::sleep_for(100ms);
    }
  }

  static const Node* find(const std::vector<Node>& nodes, const std::string& role, const std::string& name) {
    for (const Node& n : nodes)
      if (n.role == role && n.name == name) return &n;
    return nullptr;
  }

  static std::function<bool(const std::vector<Node>&)> shows(std::string role, std::string name) {
    return [role, name](const std::vector<Node>& nodes) { return find(nodes, role, name) != nullptr; };
  }

  // The content's top in window coordinates: where the scrolled page starts under the header bar.
  static int contentTop(const std::vector<Node>& nodes) {
    for (const Node& n : nodes)
      if (n.role == "scroll pane" && n.depth == 2) return n.y;
    return -1;
  }

  void startInLanguage(int row) {
    writeFile(Sandbox::current().root() / "config" / "Tarnwick" / "settings.ini",
              "Language=" + std::to_string(row) + "\n");
    ASSERT_NO_FATAL_FAILURE(startProgram());
  }

  // Every element with its role, name, group, states and rectangle, in the language of `row`.
  void checkTree(int row) {
    const auto text = [row](int field) { return wideToUtf8(languageField(row, field)); };
    FrameState frame = englishFrame();
    viewLanguage(frame, row);
    frame.language = row;
    (void)expected.renderMainWindow(frame, 900, 860, 1.0, &layout);
    struct Row {
      std::string role, name, parent;
      RectF bounds;
      bool checked;
    };
    const std::string container = text(fieldContainerGroup), quality = text(fieldQualityGroup);
    const std::vector<Row> rows = {
        {"push button", text(fieldPaste), "", layout.pasteButtonRect, false},
        {"push button", text(fieldDownload), "", layout.actionButtonRect, false},
        {"radio button", text(fieldVideo), "", layout.videoModeRect, true},
        {"radio button", text(fieldAudio), "", layout.audioModeRect, false},
        {"check box", text(fieldWholePlaylist), "", layout.playlistHitRect, false},
        {"radio button", "MP4", container, layout.formatChipRects[0], true},
        {"radio button", "WMV", container, layout.formatChipRects[9], false},
        {"radio button", text(fieldBest), quality, layout.qualityChipRects[0], false},
        {"radio button", "1080p", quality, layout.qualityChipRects[4], true},
        {"push button", text(fieldChangeFolder), "", layout.changeFolderRect, false},
        {"push button", text(fieldOpenFolder), "", layout.openFolderRect, false},
        {"push button", text(fieldClearLog), "", layout.clearLogRect, false},
        {"push button", text(fieldNativeName), "", layout.languageButtonRect, false},
        {"link", "tarnwick.app", "", layout.footerLinkRect, false},
    };
    const std::vector<Node> nodes = waitForTree(shows("link", "tarnwick.app"));
    const int top = contentTop(nodes);
    ASSERT_GE(top, 0);
    for (const Row& r : rows) {
      const Node* n = find(nodes, r.role, r.name);
      ASSERT_NE(n, nullptr) << r.role << " " << r.name;
      EXPECT_TRUE(n->has("focusable") && n->has("sensitive")) << r.name << ": " << n->states;
      EXPECT_EQ(n->has("checked"), r.checked) << r.name;
      EXPECT_NEAR(n->x, r.bounds.left, 1) << r.name;
      EXPECT_NEAR(n->y, top + r.bounds.top, 1) << r.name;
      EXPECT_NEAR(n->width, r.bounds.width(), 1) << r.name;
      EXPECT_NEAR(n->height, r.bounds.height(), 1) << r.name;
      // A chip sits in its named group: the nearest shallower node before it.
      const Node* parent = nullptr;
      for (const Node* p = n; p != nodes.data(); --p)
        if ((p - 1)->depth < n->depth) {
          parent = p - 1;
          break;
        }
      ASSERT_NE(parent, nullptr);
      const std::string group = parent->role == "grouping" ? parent->name : "";
      EXPECT_EQ(group, r.parent) << r.name;
    }
    EXPECT_NE(find(nodes, "text", text(fieldLinkCue)), nullptr) << "the link box has no name";
    EXPECT_TRUE(
        std::any_of(nodes.begin(), nodes.end(), [](const Node& n) { return n.role == "status bar"; }));
    // Nothing finished: nothing to show in the folder.
    EXPECT_EQ(find(nodes, "link", text(fieldShowInFolder)), nullptr);
    // No drawing is offered as an object of its own.
    for (const Node& n : nodes) EXPECT_EQ(n.name.find("GtkDrawingArea"), std::string::npos);
    // The log view comes a moment after the first frame.
    EXPECT_NE(find(waitForTree(shows("text", text(fieldLogName))), "text", text(fieldLogName)), nullptr);
  }

  const fs::path python = "/usr/bin/python3";
};

TEST_F(AccessibilityTest, everyElementHasItsRoleNameStatesAndBoundsInEnglishAndArabic) {
  for (int row : {0, 11}) {
    SCOPED_TRACE(row);
    ASSERT_NO_FATAL_FAILURE(startInLanguage(row));
    ASSERT_NO_FATAL_FAILURE(checkTree(row));
    clickClose();
    ASSERT_EQ(app.wait(30s), 0);
  }
}

TEST_F(AccessibilityTest, theClickActionOfDownloadValidatesLikeAClick) {
  ASSERT_NO_FATAL_FAILURE(startProgram());
  (void)waitForTree(shows("push button", "Download"));
  EXPECT_EQ(client({"--click", "Download"}).exitCode, 0);
  const std::vector<Node> nodes = waitForTree(shows("status bar", "Please paste a YouTube link first."));
  EXPECT_NE(find(nodes, "status bar", "Please paste a YouTube link first."), nullptr);
}

TEST_F(AccessibilityTest, theTabWalkAndTheAccessibleFocusAreOneAndTheSame) {
  ASSERT_NO_FATAL_FAILURE(startProgram());
  (void)waitForTree(shows("link", "tarnwick.app"));
  const std::vector<std::string> walk = {"Paste", "Download", "Video",       "Whole playlist",
                                         "MP4",   "1080p",    "Change",      "Open",
                                         "Clear", "English",  "tarnwick.app"};
  for (const std::string& name : walk) {
    pressKeys("Tab");
    const std::vector<Node> nodes = waitForTree([&](const std::vector<Node>& all) {
      const auto at = std::find_if(all.begin(), all.end(), [](const Node& n) { return n.has("focused"); });
      return at != all.end() && at->name == name;
    });
    const auto focused =
        std::find_if(nodes.begin(), nodes.end(), [](const Node& n) { return n.has("focused"); });
    ASSERT_NE(focused, nodes.end()) << "nothing focused, wanted " << name;
    EXPECT_EQ(focused->name, name);
  }
  pressKeys("Tab");  // round to the link box
  const std::vector<Node> nodes = waitForTree([](const std::vector<Node>& all) {
    return std::any_of(all.begin(), all.end(),
                       [](const Node& n) { return n.role == "text" && n.has("focused"); });
  });
  EXPECT_TRUE(std::any_of(nodes.begin(), nodes.end(),
                          [](const Node& n) { return n.role == "text" && n.has("focused"); }));
}

TEST_F(AccessibilityTest, aHeldDownloadShowsItsProgressValue) {
  MediaServer media;
  std::string bytes = makeMedia(Sandbox::current().root() / "clip.mp4", MediaKind::mp4H264Aac, 2.0);
  ASSERT_FALSE(bytes.empty()) << "ffmpeg could not make the test clip";
  media.add("/clip.mp4", std::move(bytes), "video/mp4");
  media.holdAfter("/clip.mp4", 16 * 1024);
  ASSERT_NO_FATAL_FAILURE(startProgram());
  typeText(wideToUtf8(media.url("/clip.mp4")));
  pressKeys("Return");
  ASSERT_TRUE(media.waitUntilHeld(120s));
  const auto progressing = [](const std::vector<Node>& nodes) {
    return std::any_of(nodes.begin(), nodes.end(), [](const Node& n) {
      return n.role == "progress bar" && n.value != "-" && std::stod(n.value) > 0;
    });
  };
  EXPECT_TRUE(progressing(waitForTree(progressing, 60s)));
  EXPECT_NE(find(waitForTree(shows("push button", "Cancel")), "push button", "Cancel"), nullptr);

  // Tab reaches Cancel; closing asks, and after No the focus is back on Cancel, not on the title
  // bar's close button the click left it on.
  const auto cancelFocused = [](const std::vector<Node>& nodes) {
    return std::any_of(nodes.begin(), nodes.end(),
                       [](const Node& n) { return n.name == "Cancel" && n.has("focused"); });
  };
  pressKeys("Tab");
  ASSERT_TRUE(cancelFocused(waitForTree(cancelFocused)));
  clickClose();
  ASSERT_TRUE(session.waitForWindow("Tarnwick", 20s)) << "no quit question";
  pressKeys("Escape");
  EXPECT_TRUE(cancelFocused(waitForTree(cancelFocused)));
  media.release();
}

TEST_F(AccessibilityTest, theListsReadTheirItemsInFullAndTheSelectionFollowsTheKeyboard) {
  Sandbox::current().writeScript("yt-dlp", searchingYtDlp);
  ASSERT_NO_FATAL_FAILURE(startProgram(false));
  typeText("cat videos");
  pressKeys("Return");
  const auto selectedIs = [](std::string name) {
    return [name](const std::vector<Node>& nodes) {
      return std::any_of(nodes.begin(), nodes.end(), [&](const Node& n) {
        return n.name == name && n.has("selected") && n.has("focused");
      });
    };
  };
  // Six rows fit; the hits scrolled out of sight are not offered until they come into it.
  std::vector<Node> nodes = waitForTree(shows("list item", "Clip number 5, Channel 5, 1:05, 5K views"));
  for (int i = 0; i < 6; ++i) {
    const std::string name = "Clip number " + std::to_string(i) + ", Channel " + std::to_string(i) + ", 1:0" +
                             std::to_string(i) + ", " + (i == 0 ? "0" : std::to_string(i) + "K") + " views";
    EXPECT_NE(find(nodes, "list item", name), nullptr) << name;
  }
  // A search from the keyboard opens the list on its first hit.
  const std::string first = "Clip number 0, Channel 0, 1:00, 0 views";
  EXPECT_TRUE(selectedIs(first)(waitForTree(selectedIs(first))));
  for (const char* name :
       {"Clip number 1, Channel 1, 1:01, 1K views", "Clip number 2, Channel 2, 1:02, 2K views"}) {
    pressKeys("Down");
    EXPECT_TRUE(selectedIs(name)(waitForTree(selectedIs(name)))) << name;
  }
  pressKeys("Escape");

  ASSERT_EQ(client({"--click", "English"}).exitCode, 0);
  nodes = waitForTree(shows("list item", "中文"));
  for (int row = 0; row < languageCount; ++row)
    EXPECT_NE(find(nodes, "list item", wideToUtf8(languageField(row, fieldNativeName))), nullptr) << row;
  pressKeys("Down");
  pressKeys("Down");
  EXPECT_TRUE(selectedIs("Français")(waitForTree(selectedIs("Français"))));
}

}  // namespace
}  // namespace tarnwick::test
