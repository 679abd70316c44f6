#include "window_test.h"

#include <sstream>
#include <thread>

#include "sandbox.h"

namespace tarnwick::test {
namespace {

// The palette's window border: the frame and the header bar's lower edge.
constexpr std::uint32_t windowBorderColour = 0x2A2D44;

}  // namespace

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

std::optional<ScreenPoint> WindowTest::contentOrigin(const WindowBox& box) {
  // A column just inside the left frame, clear of the title and the window buttons.
  const int x = box.x + 3;
  auto column = session.grab(x, box.y, 1, std::min(box.height, 120));
  for (std::size_t row = 2; row < column.size(); ++row) {
    // The window's hairline frame is one pixel wide on every side.
    if (column[row] == windowBorderColour) return ScreenPoint{box.x + 1, box.y + static_cast<int>(row) + 1};
  }
  return std::nullopt;
}

bool WindowTest::waitForPixels(int x, int y, int width, int height,
                               const std::function<bool(const std::vector<std::uint32_t>&)>& holds,
                               std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    auto pixels = session.grab(x, y, width, height);
    if (!pixels.empty() && holds(pixels)) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    // The next frame is at most one animation tick (33 ms) away.
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
  }
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
