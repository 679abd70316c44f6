#include "display_session.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <sstream>
#include <thread>

#include "sandbox.h"

namespace tarnwick::test {
namespace fs = std::filesystem;
namespace {

// Xlib is opened at run time: the test programs link only what the layers give them.
struct XLib {
  void* handle = nullptr;
  decltype(&XOpenDisplay) openDisplay = nullptr;
  decltype(&XCloseDisplay) closeDisplay = nullptr;
  decltype(&XGetImage) getImage = nullptr;
  decltype(&XInternAtom) internAtom = nullptr;
  decltype(&XCreateSimpleWindow) createSimpleWindow = nullptr;
  decltype(&XDestroyWindow) destroyWindow = nullptr;
  decltype(&XConvertSelection) convertSelection = nullptr;
  decltype(&XCheckTypedWindowEvent) checkTypedWindowEvent = nullptr;
  decltype(&XGetWindowProperty) getWindowProperty = nullptr;
  decltype(&XFree) free = nullptr;
  decltype(&XFlush) flush = nullptr;
  decltype(&XSetSelectionOwner) setSelectionOwner = nullptr;

  static XLib& get() {
    static XLib lib = load();
    return lib;
  }

 private:
  template <class F>
  void bind(F& f, const char* name) {
    f = reinterpret_cast<F>(dlsym(handle, name));
  }
  static XLib load() {
    XLib x;
    x.handle = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!x.handle) return x;
    x.bind(x.openDisplay, "XOpenDisplay");
    x.bind(x.closeDisplay, "XCloseDisplay");
    x.bind(x.getImage, "XGetImage");
    x.bind(x.internAtom, "XInternAtom");
    x.bind(x.createSimpleWindow, "XCreateSimpleWindow");
    x.bind(x.destroyWindow, "XDestroyWindow");
    x.bind(x.convertSelection, "XConvertSelection");
    x.bind(x.checkTypedWindowEvent, "XCheckTypedWindowEvent");
    x.bind(x.getWindowProperty, "XGetWindowProperty");
    x.bind(x.free, "XFree");
    x.bind(x.flush, "XFlush");
    x.bind(x.setSelectionOwner, "XSetSelectionOwner");
    return x;
  }

 public:
  [[nodiscard]] bool ready() const { return handle && openDisplay && getWindowProperty && flush; }
};

// Reads one line from `fd`, waiting at most `limit` (the programs write it once they are ready).
std::optional<std::string> readLine(int fd, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  std::string line;
  char c = 0;
  for (;;) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
    if (::read(fd, &c, 1) != 1) return std::nullopt;
    if (c == '\n') return line;
    line.push_back(c);
  }
}

std::optional<std::string> startReporting(ChildProcess& child, std::vector<std::string> argv) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
  bool started = child.startWithDescriptor(argv, fds[1], 3);
  ::close(fds[1]);
  std::optional<std::string> line;
  if (started) line = readLine(fds[0], std::chrono::seconds(30));
  ::close(fds[0]);
  return line;
}

std::string trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

}  // namespace

DisplaySession::~DisplaySession() {
  bus_.signal(SIGTERM);
  (void)bus_.wait(std::chrono::seconds(10));
  xvfb_.signal(SIGTERM);
  (void)xvfb_.wait(std::chrono::seconds(10));
}

bool DisplaySession::start(std::string& whyNot, int screenWidth, int screenHeight) {
  fs::path xvfb = Sandbox::realTool("Xvfb");
  if (xvfb.empty()) {
    whyNot = "Xvfb is not installed";
    return false;
  }
  xdotool_ = Sandbox::realTool("xdotool");
  fs::path busDaemon = Sandbox::realTool("dbus-daemon");
  if (xdotool_.empty() || busDaemon.empty()) {
    whyNot = "xdotool or dbus-daemon is not installed";
    return false;
  }
  auto number =
      startReporting(xvfb_, {xvfb.string(), "-displayfd", "3", "-screen", "0",
                             std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "x24",
                             "-nolisten", "tcp", "-noreset"});
  if (!number || number->empty()) {
    whyNot = "Xvfb did not start";
    return false;
  }
  display_ = ":" + *number;
  auto address = startReporting(bus_, {busDaemon.string(), "--session", "--nofork", "--print-address=3"});
  if (!address || address->empty()) {
    whyNot = "dbus-daemon did not start";
    return false;
  }
  ::setenv("DISPLAY", display_.c_str(), 1);
  ::setenv("DBUS_SESSION_BUS_ADDRESS", address->c_str(), 1);
  ::setenv("GDK_BACKEND", "x11", 1);
  ::unsetenv("WAYLAND_DISPLAY");
  // No accessibility bus per test, and the software renderer that needs no GL. GL is switched
  // off altogether: GDK would otherwise still open EGL to pick a visual, and the Mesa driver it
  // loads keeps allocations whose stacks the leak checker cannot trace back to the toolkit.
  ::setenv("NO_AT_BRIDGE", "1", 1);
  ::setenv("GTK_A11Y", "none", 1);
  ::setenv("GSK_RENDERER", "cairo", 1);
  ::setenv("GDK_DEBUG", "gl-disable", 1);
  return true;
}

std::optional<std::string> DisplaySession::xdotool(const std::vector<std::string>& args,
                                                   std::chrono::milliseconds limit) {
  std::vector<std::string> argv{xdotool_.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  ToolResult r = runProgram(argv, limit);
  if (r.exitCode != 0) return std::nullopt;
  return trimmed(r.output);
}

std::optional<unsigned long> DisplaySession::waitForWindow(const std::string& title,
                                                           std::chrono::milliseconds limit) {
  auto out = xdotool({"search", "--sync", "--onlyvisible", "--name", "^" + title + "$"}, limit);
  if (!out || out->empty()) return std::nullopt;
  return std::stoul(out->substr(0, out->find('\n')));
}

int DisplaySession::countWindows(const std::string& title) {
  auto out = xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"});
  if (!out || out->empty()) return 0;
  std::istringstream lines(*out);
  std::string line;
  int n = 0;
  while (std::getline(lines, line)) n += line.empty() ? 0 : 1;
  return n;
}

std::vector<std::uint32_t> DisplaySession::grab(int x, int y, int width, int height) {
  XLib& xl = XLib::get();
  std::vector<std::uint32_t> pixels;
  if (!xl.ready() || width <= 0 || height <= 0) return pixels;
  Display* dpy = xl.openDisplay(display_.c_str());
  if (!dpy) return pixels;
  XImage* image = xl.getImage(dpy, DefaultRootWindow(dpy), x, y, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (image) {
    pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int row = 0; row < height; ++row) {
      for (int col = 0; col < width; ++col) {
        pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, col, row) & 0xFFFFFF));
      }
    }
    XDestroyImage(image);
  }
  xl.closeDisplay(dpy);
  return pixels;
}

bool DisplaySession::screenshot(const fs::path& png) {
  fs::path import = Sandbox::realTool("import");
  if (import.empty()) return false;
  return runProgram({import.string(), "-display", display_, "-window", "root", png.string()}).exitCode == 0;
}

void DisplaySession::clearClipboard() {
  XLib& xl = XLib::get();
  if (!xl.ready() || !xl.setSelectionOwner) return;
  Display* dpy = xl.openDisplay(display_.c_str());
  if (!dpy) return;
  // Own it for a moment with a window that then goes away: the selection is left without owner.
  Window window = xl.createSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
  Atom clipboard = xl.internAtom(dpy, "CLIPBOARD", False);
  xl.setSelectionOwner(dpy, clipboard, window, CurrentTime);
  xl.destroyWindow(dpy, window);
  xl.closeDisplay(dpy);
}

std::optional<std::string> DisplaySession::clipboardText(std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (auto text = readClipboardOnce(std::max(left, std::chrono::milliseconds(100)))) return text;
    if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
    // Nobody owns the selection yet; the copying program takes it while handling its key.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::optional<std::string> DisplaySession::readClipboardOnce(std::chrono::milliseconds limit) {
  XLib& xl = XLib::get();
  if (!xl.ready()) return std::nullopt;
  Display* dpy = xl.openDisplay(display_.c_str());
  if (!dpy) return std::nullopt;
  Window window = xl.createSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
  Atom clipboard = xl.internAtom(dpy, "CLIPBOARD", False);
  Atom utf8 = xl.internAtom(dpy, "UTF8_STRING", False);
  Atom target = xl.internAtom(dpy, "TARNWICK_TEST_SELECTION", False);
  xl.convertSelection(dpy, clipboard, utf8, target, window, CurrentTime);
  xl.flush(dpy);

  std::optional<std::string> text;
  auto deadline = std::chrono::steady_clock::now() + limit;
  XEvent event;
  for (;;) {
    if (xl.checkTypedWindowEvent(dpy, window, SelectionNotify, &event)) {
      if (event.xselection.property == None) break;
      Atom type = None;
      int format = 0;
      unsigned long count = 0, after = 0;
      unsigned char* data = nullptr;
      if (xl.getWindowProperty(dpy, window, target, 0, 1 << 24, True, AnyPropertyType, &type, &format, &count,
                               &after, &data) == Success &&
          data) {
        if (type == utf8 && format == 8) text = std::string(reinterpret_cast<char*>(data), count);
        xl.free(data);
      }
      break;
    }
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{ConnectionNumber(dpy), POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) < 0) break;
  }
  xl.destroyWindow(dpy, window);
  xl.closeDisplay(dpy);
  return text;
}

}  // namespace tarnwick::test
