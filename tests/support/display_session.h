// A private X display (Xvfb) and D-Bus session bus for one test process, so that window tests
// running side by side never see each other's windows or single-instance names. Also the small
// X11 reads the window tests need: pixels of the screen and the text of a selection.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"

namespace tarnwick::test {

class DisplaySession {
 public:
  DisplaySession() = default;
  ~DisplaySession();
  DisplaySession(const DisplaySession&) = delete;
  DisplaySession& operator=(const DisplaySession&) = delete;

  // Starts Xvfb and a session bus and points this process's environment (inherited by every
  // program it starts) at them. Answers false with the reason when Xvfb is not installed.
  bool start(std::string& whyNot, int screenWidth = 1280, int screenHeight = 1024);

  [[nodiscard]] const std::string& display() const { return display_; }

  // Runs xdotool with these arguments on this display; answers its standard output trimmed.
  std::optional<std::string> xdotool(const std::vector<std::string>& args,
                                     std::chrono::milliseconds limit = std::chrono::seconds(30));
  // The id of the visible top-level window with exactly this title, waiting until it is mapped.
  std::optional<unsigned long> waitForWindow(const std::string& title,
                                             std::chrono::milliseconds limit = std::chrono::seconds(30));
  // Number of visible windows with exactly this title, now.
  int countWindows(const std::string& title);

  // 0xRRGGBB of screen pixels (a rectangle of the root window, row by row); empty on failure.
  std::vector<std::uint32_t> grab(int x, int y, int width, int height);
  // Writes a PNG of the whole screen for a person to look at.
  bool screenshot(const std::filesystem::path& png);
  // Leaves the CLIPBOARD selection without owner, so that the next copy is seen as new.
  void clearClipboard();
  // The text of the CLIPBOARD selection (as UTF-8), waiting until somebody owns it (a program
  // takes the selection a moment after the key that copies); nullopt after the limit.
  std::optional<std::string> clipboardText(std::chrono::milliseconds limit = std::chrono::seconds(10));

 private:
  std::optional<std::string> readClipboardOnce(std::chrono::milliseconds limit);

  ChildProcess xvfb_;
  ChildProcess bus_;
  std::string display_;
  std::filesystem::path xdotool_;
};

// The screen position of the top-left corner of a window's content (root coordinates).
struct ScreenPoint {
  int x = 0;
  int y = 0;
};

}  // namespace tarnwick::test
