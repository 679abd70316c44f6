// layers: shell
// What the user feels of the window: time from launch until the window is mapped, memory two
// seconds later, and CPU per second while idle and while a job animates, each next to a bare
// GtkApplicationWindow of the same size. Every run gets its own Xvfb, session bus and HOME.
// Run: ./build/bench/window_startup_bench   (the program is taken from ../src/main/tarnwick)
#include <X11/Xlib.h>
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtk/gtk.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// ---- the bare window, run in a child process of this benchmark ----

void bareActivate(GtkApplication* app, gpointer) {
  GtkWidget* window = gtk_application_window_new(app);
  gtk_window_set_title(GTK_WINDOW(window), "Bare Window");
  gtk_window_set_default_size(GTK_WINDOW(window), 902, 904);
  gtk_window_present(GTK_WINDOW(window));
}

int runBareWindow() {
  GtkApplication* app = gtk_application_new("app.tarnwick.BareWindowBench", G_APPLICATION_DEFAULT_FLAGS);
  g_signal_connect(app, "activate", G_CALLBACK(bareActivate), nullptr);
  char name[] = "bare-window";
  char* args[] = {name, nullptr};
  int status = g_application_run(G_APPLICATION(app), 1, args);
  g_object_unref(app);
  return status;
}

// ---- processes ----

pid_t spawn(const std::vector<std::string>& argv, int reportFd = -1) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  if (reportFd >= 0) posix_spawn_file_actions_adddup2(&actions, reportFd, 3);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  std::vector<std::string> copy = argv;
  std::vector<char*> args;
  for (auto& a : copy) args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, copy[0].c_str(), &actions, &attr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  return pid;
}

void stop(pid_t pid) {
  if (pid <= 0) return;
  ::kill(-pid, SIGKILL);
  int status = 0;
  (void)::waitpid(pid, &status, 0);
}

std::optional<std::string> spawnReporting(const std::vector<std::string>& argv, pid_t& pid) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
  pid = spawn(argv, fds[1]);
  ::close(fds[1]);
  std::string line;
  char c = 0;
  pollfd p{fds[0], POLLIN, 0};
  while (::poll(&p, 1, 30000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') line.push_back(c);
  ::close(fds[0]);
  if (line.empty()) return std::nullopt;
  return line;
}

fs::path which(const std::string& name) {
  std::stringstream dirs(::getenv("PATH") ? ::getenv("PATH") : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    fs::path candidate = fs::path(dir) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// A private display, bus and HOME for the whole benchmark process.
struct Session {
  pid_t xvfb = -1, bus = -1;
  std::string display;
  fs::path root;
  fs::path standInBin;
  bool ok = false;
  std::string why;

  Session() {
    fs::path x = which("Xvfb"), d = which("dbus-daemon");
    if (x.empty() || d.empty()) {
      why = "Xvfb or dbus-daemon is not installed";
      return;
    }
    auto n = spawnReporting(
        {x, "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"}, xvfb);
    auto a = spawnReporting({d, "--session", "--nofork", "--print-address=3"}, bus);
    if (!n || !a) {
      why = "Xvfb or dbus-daemon did not start";
      return;
    }
    display = ":" + *n;
    char pattern[] = "/tmp/tarnwick-bench-XXXXXX";
    root = ::mkdtemp(pattern);
    for (const char* sub : {"home", "config", "data", "cache", "runtime", "bin"})
      fs::create_directories(root / sub);
    fs::permissions(root / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    ::setenv("DISPLAY", display.c_str(), 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", a->c_str(), 1);
    ::setenv("GDK_BACKEND", "x11", 1);
    ::setenv("HOME", (root / "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    standInBin = root / "bin";
    ok = true;
  }
  ~Session() {
    stop(bus);
    stop(xvfb);
    std::error_code ec;
    if (!root.empty()) fs::remove_all(root, ec);
  }
};

Session& session() {
  static Session s;
  return s;
}

// ---- X11, opened at run time ----

struct XLib {
  decltype(&XOpenDisplay) open = nullptr;
  decltype(&XCloseDisplay) close = nullptr;
  decltype(&XSelectInput) select = nullptr;
  decltype(&XNextEvent) next = nullptr;
  decltype(&XPending) pending = nullptr;
  decltype(&XSync) sync = nullptr;
  XLib() {
    void* h = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!h) return;
    open = reinterpret_cast<decltype(open)>(dlsym(h, "XOpenDisplay"));
    close = reinterpret_cast<decltype(close)>(dlsym(h, "XCloseDisplay"));
    select = reinterpret_cast<decltype(select)>(dlsym(h, "XSelectInput"));
    next = reinterpret_cast<decltype(next)>(dlsym(h, "XNextEvent"));
    pending = reinterpret_cast<decltype(pending)>(dlsym(h, "XPending"));
    sync = reinterpret_cast<decltype(sync)>(dlsym(h, "XSync"));
  }
};

// Starts the program and answers its pid and the seconds until its top-level window was mapped.
std::optional<std::pair<pid_t, double>> launchAndWaitForMap(const std::vector<std::string>& argv) {
  static XLib x;
  if (!x.open) return std::nullopt;
  Display* dpy = x.open(session().display.c_str());
  if (!dpy) return std::nullopt;
  x.select(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
  x.sync(dpy, False);
  auto start = Clock::now();
  pid_t pid = spawn(argv);
  std::optional<std::pair<pid_t, double>> result;
  while (pid > 0) {
    if (x.pending(dpy) == 0) {
      pollfd p{ConnectionNumber(dpy), POLLIN, 0};
      if (::poll(&p, 1, 30000) <= 0) break;
      continue;
    }
    XEvent event;
    x.next(dpy, &event);
    if (event.type == MapNotify) {
      result = std::make_pair(pid, std::chrono::duration<double>(Clock::now() - start).count());
      break;
    }
  }
  x.close(dpy);
  if (!result) stop(pid);
  return result;
}

// A killed instance keeps its application id on the bus until the bus notices; a start before
// that would only hand over to the dead one.
void waitUntilReleased(const char* name) {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!bus) return;
  for (int i = 0; i < 600; ++i) {
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", name), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
    gboolean owned = FALSE;
    if (reply) {
      g_variant_get(reply, "(b)", &owned);
      g_variant_unref(reply);
    }
    if (!owned) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  g_object_unref(bus);
}

void stopInstance(pid_t pid, int which) {
  stop(pid);
  waitUntilReleased(which == 0 ? "app.tarnwick.Tarnwick" : "app.tarnwick.BareWindowBench");
}

fs::path tarnwickPath() {
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "src/main/tarnwick";
}

std::vector<std::string> programOf(int which) {
  if (which == 0) return {tarnwickPath()};
  return {fs::read_symlink("/proc/self/exe").string(), "--bare-window"};
}

long procStatusKb(pid_t pid, const char* file, const char* key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::strlen(key)));
  }
  return -1;
}

double cpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(in, line);
  std::istringstream rest(line.substr(line.rfind(')') + 2));
  std::string field;
  unsigned long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stoul(field);
    if (i == 15) stime = std::stoul(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

bool ready(benchmark::State& state) {
  if (session().ok) return true;
  state.SkipWithError(session().why.c_str());
  return false;
}

// 0: Tarnwick, 1: the bare window.
// One untimed start first that stays up as long as a measured one: a fresh HOME has no font or
// shader caches yet, a user's has, and the renderer writes its shader cache only after the
// first frames are drawn.
void warmUp(int which) {
  auto launched = launchAndWaitForMap(programOf(which));
  if (!launched) return;
  std::this_thread::sleep_for(std::chrono::seconds(2));
  stopInstance(launched->first, which);
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Tarnwick and the bare window take turns, so that a machine that slows down for a while slows
// both alike. The iteration time is Tarnwick's; the counters give both medians and their ratio.
void BM_LaunchUntilMapped(benchmark::State& state) {
  if (!ready(state)) return;
  warmUp(0);
  warmUp(1);
  std::vector<double> seconds[2];
  double cpu = 0;
  for (auto _ : state) {
    for (int which : {0, 1}) {
      auto launched = launchAndWaitForMap(programOf(which));
      if (!launched) {
        state.SkipWithError("the window did not appear");
        return;
      }
      seconds[which].push_back(launched->second);
      if (which == 0) {
        state.SetIterationTime(launched->second);
        cpu += cpuSeconds(launched->first);
      }
      stopInstance(launched->first, which);
    }
  }
  const double tarnwick = median(seconds[0]), bare = median(seconds[1]);
  state.counters["tarnwick_ms"] = tarnwick * 1000.0;
  state.counters["bare_ms"] = bare * 1000.0;
  state.counters["ratio"] = bare > 0 ? tarnwick / bare : 0;
  state.counters["cpu_until_map_ms"] = cpu * 1000.0 / static_cast<double>(state.iterations());
}
// (the CPU Tarnwick used until then is reported as cpu_until_map_ms)
BENCHMARK(BM_LaunchUntilMapped)->UseManualTime()->Iterations(12)->Unit(benchmark::kMillisecond);

// Resident and proportional set size two seconds after the window appeared, the median of three
// starts each, again taking turns.
void BM_MemoryTwoSecondsAfterMap(benchmark::State& state) {
  if (!ready(state)) return;
  warmUp(0);
  warmUp(1);
  std::vector<double> rss[2], pss[2];
  for (auto _ : state) {
    for (int which : {0, 1}) {
      auto launched = launchAndWaitForMap(programOf(which));
      if (!launched) {
        state.SkipWithError("the window did not appear");
        return;
      }
      std::this_thread::sleep_for(std::chrono::seconds(2));
      rss[which].push_back(procStatusKb(launched->first, "status", "VmRSS:") / 1024.0);
      pss[which].push_back(procStatusKb(launched->first, "smaps_rollup", "Pss:") / 1024.0);
      stopInstance(launched->first, which);
    }
  }
  state.counters["tarnwick_rss_MB"] = median(rss[0]);
  state.counters["bare_rss_MB"] = median(rss[1]);
  state.counters["extra_rss_MB"] = median(rss[0]) - median(rss[1]);
  state.counters["tarnwick_pss_MB"] = median(pss[0]);
  state.counters["bare_pss_MB"] = median(pss[1]);
  state.counters["extra_pss_MB"] = median(pss[0]) - median(pss[1]);
}
BENCHMARK(BM_MemoryTwoSecondsAfterMap)->Iterations(3)->Unit(benchmark::kMillisecond);

// CPU seconds per second of wall time over five seconds, after `settle` seconds.
double cpuPerSecond(pid_t pid, int settle) {
  std::this_thread::sleep_for(std::chrono::seconds(settle));
  double before = cpuSeconds(pid);
  std::this_thread::sleep_for(std::chrono::seconds(5));
  return (cpuSeconds(pid) - before) / 5.0;
}

// Idle: nothing animates; the entry's caret stops blinking after GTK's 10 s.
void BM_CpuWhileIdle(benchmark::State& state) {
  if (!ready(state)) return;
  for (auto _ : state) {
    auto launched = launchAndWaitForMap(programOf(static_cast<int>(state.range(0))));
    if (!launched) {
      state.SkipWithError("the window did not appear");
      return;
    }
    state.counters["cpu_ms_per_s"] = cpuPerSecond(launched->first, 12) * 1000.0;
    stopInstance(launched->first, static_cast<int>(state.range(0)));
  }
}
BENCHMARK(BM_CpuWhileIdle)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

// Animating: the start-up job runs yt-dlp's self-update, which a stand-in keeps busy for a
// minute, so the busy status line animates (spinner and gliding bar) the whole time.
void BM_CpuWhileAnimating(benchmark::State& state) {
  if (!ready(state)) return;
  fs::path bin = session().standInBin;
  {
    std::ofstream script(bin / "yt-dlp");
    script << "#!/bin/sh\ncase \"$1\" in --version) echo 2026.11.23; exit 0;; esac\n"
              "/bin/sleep 60\n";
  }
  fs::permissions(bin / "yt-dlp", fs::perms::owner_all);
  for (const char* tool : {"ffmpeg", "deno"}) {
    fs::path real = which(tool);
    std::error_code ec;
    if (!real.empty()) fs::create_symlink(real, bin / tool, ec);
  }
  std::string path = ::getenv("PATH") ? ::getenv("PATH") : "";
  ::setenv("PATH", bin.c_str(), 1);
  for (auto _ : state) {
    auto launched = launchAndWaitForMap(programOf(0));
    if (!launched) {
      state.SkipWithError("the window did not appear");
      break;
    }
    state.counters["cpu_ms_per_s"] = cpuPerSecond(launched->first, 2) * 1000.0;
    stopInstance(launched->first, 0);
  }
  ::setenv("PATH", path.c_str(), 1);
}
BENCHMARK(BM_CpuWhileAnimating)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--bare-window") == 0) return runBareWindow();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
