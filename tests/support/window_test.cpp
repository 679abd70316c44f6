#include "window_test.h"

#include <sstream>

#include "sandbox.h"

namespace tarnwick::test {

void WindowTest::SetUp() {
  std::string why;
  auto [w, h] = screenSize();
  if (!session.start(why, w, h)) GTEST_SKIP() << "no display for window tests: " << why;
  output = Sandbox::current().root() / "tarnwick-output.txt";
}

void WindowTest::TearDown() {
  if (HasFailure() && std::filesystem::exists(output)) {
    std::cerr << "--- program output ---\n" << readFile(output) << "---\n";
  }
}

std::optional<WindowBox> WindowTest::launch(ChildProcess& process) {
  if (!process.start({tarnwickBinary().string()}, output)) return std::nullopt;
  auto id = session.waitForWindow("Tarnwick App");
  if (!id) return std::nullopt;
  return geometry(*id);
}

std::optional<WindowBox> WindowTest::geometry(unsigned long window) {
  auto out = session.xdotool({"getwindowgeometry", "--shell", std::to_string(window)});
  if (!out) return std::nullopt;
  WindowBox box;
  box.id = window;
  std::istringstream lines(*out);
  std::string line;
  while (std::getline(lines, line)) {
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq);
    int value = std::stoi(line.substr(eq + 1));
    if (key == "X") box.x = value;
    if (key == "Y") box.y = value;
    if (key == "WIDTH") box.width = value;
    if (key == "HEIGHT") box.height = value;
  }
  return box;
}

void WindowTest::clickAt(int x, int y) {
  ASSERT_TRUE(session.xdotool({"mousemove", "--sync", std::to_string(x), std::to_string(y), "click", "1"}));
}

void WindowTest::typeText(const std::string& text) {
  ASSERT_TRUE(session.xdotool({"type", "--delay", "5", text}));
}

void WindowTest::pressKeys(const std::string& keys) {
  ASSERT_TRUE(session.xdotool({"key", keys}));
}

void WindowTest::saveScreenshot(const std::string& name) {
  std::filesystem::path folder = screenshotFolder();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  (void)session.screenshot(folder / (name + ".png"));
}

}  // namespace tarnwick::test
