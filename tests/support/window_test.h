// Shared fixture of the window tests: a private display and bus, and the real program.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "child_process.h"
#include "display_session.h"

namespace tarnwick::test {

// Window geometry in root coordinates, as xdotool reports it.
struct WindowBox {
  unsigned long id = 0;
  int x = 0, y = 0, width = 0, height = 0;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Screen size of the private display; override to test small screens.
  virtual std::pair<int, int> screenSize() const { return {1280, 1024}; }

  // Starts the program (path from tarnwickBinary()) and waits until its window is mapped.
  std::optional<WindowBox> launch(ChildProcess& process);
  std::optional<WindowBox> geometry(unsigned long window);

  // Where the window's content (below the header bar) starts on the screen: found from the
  // header bar's hairline lower edge, `scale` pixels thick. Nullopt when it cannot be seen.
  std::optional<ScreenPoint> contentOrigin(const WindowBox& box, int scale = 1);
  // Re-reads the screen until `holds` answers true for the pixels of the rectangle, or the limit
  // passes. The window repaints on its own clock; this waits on what it shows.
  bool waitForPixels(int x, int y, int width, int height,
                     const std::function<bool(const std::vector<std::uint32_t>&)>& holds,
                     std::chrono::milliseconds limit = std::chrono::seconds(20));

  // Pointer and keyboard through the X server, as a user would.
  void clickAt(int x, int y);
  void typeText(const std::string& text);
  void pressKeys(const std::string& keys);  // xdotool key names, e.g. "ctrl+a"

  // Saves a screenshot under the test's name in the build folder for people to look at.
  void saveScreenshot(const std::string& name);

  DisplaySession session;
  std::filesystem::path output;  // the program's standard output and error
};

// Defined once per test program (tests/shell/test_paths.h): the program under test, and where
// screenshots go.
std::filesystem::path tarnwickBinary();
std::filesystem::path screenshotFolder();

}  // namespace tarnwick::test
