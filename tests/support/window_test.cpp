#include "window_test.h"

#include <stdlib.h>

#include <sstream>
#include <thread>

#include "sandbox.h"

namespace tarnwick::test {
namespace {

// The palette's window border: the frame and the header bar's lower edge.
constexpr std::uint32_t windowBorderColour = 0x2A2D44;

// In the sanitizer build the program's leak check at exit would report the caches GTK and the
// libraries under it keep for the life of the process. Leaks whose stack runs only through our
// own code are still reported, and the program then exits non-zero.
constexpr const char* toolkitLeaks =
    "leak:libgtk-4.so\n"
    "leak:libgdk_pixbuf-2.0.so\n"
    "leak:libglib-2.0.so\n"
    "leak:libgobject-2.0.so\n"
    "leak:libgio-2.0.so\n"
    "leak:libfontconfig.so\n"
    "leak:libpango-1.0.so\n"
    "leak:libpangoft2-1.0.so\n"
    "leak:libpangocairo-1.0.so\n"
    "leak:libharfbuzz.so\n"
    "leak:libcairo.so\n"
    "leak:libX11.so\n"
    "leak:libxkbcommon.so\n"
    "leak:libdbus-1.so\n";

}  // namespace

void WindowTest::SetUp() {
  std::string why;
  auto [w, h] = screenSize();
  if (!session.start(why, w, h)) GTEST_SKIP() << "no display for window tests: " << why;
  output = Sandbox::current().root() / "tarnwick-output.txt";
  auto suppressions = Sandbox::current().root() / "toolkit-leaks.supp";
  writeFile(suppressions, toolkitLeaks);
  ::setenv("LSAN_OPTIONS", ("suppressions=" + suppressions.string() + ":print_suppressions=0").c_str(), 1);
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

std::optional<ScreenPoint> WindowTest::contentOrigin(const WindowBox& box, int scale) {
  // A column just inside the left frame, clear of the title and the window buttons.
  // Mapped is not yet drawn: wait for the first frame to show it.
  std::optional<ScreenPoint> found;
  (void)waitForPixels(box.x + 3, box.y, 1, std::min(box.height, 120 * scale),
                      [&](const std::vector<std::uint32_t>& column) {
                        for (std::size_t row = 2; row < column.size(); ++row) {
                          // The window's hairline frame is one logical pixel wide on every side.
                          if (column[row] == windowBorderColour) {
                            found = ScreenPoint{box.x + scale, box.y + static_cast<int>(row) + scale};
                            return true;
                          }
                        }
                        return false;
                      });
  return found;
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
  // Without --sync: it waits for a motion that never comes when the pointer is already there.
  ASSERT_TRUE(session.xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"}));
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
