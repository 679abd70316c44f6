// layers: pipeline setup base
//
// What the download job adds to the bare yt-dlp run: the same local download (a small MP4 served
// on 127.0.0.1) through downloadJobMain and as yt-dlp's own command, alternately, compared by
// the median wall time. Run: ./build/bench/download_job_bench
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/channel.h"
#include "base/command_line.h"
#include "base/job_control.h"
#include "base/process_runner.h"
#include "base/text.h"
#include "pipeline/download_command.h"
#include "pipeline/download_job.h"
#include "setup/tools_folder.h"

extern char** environ;

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// Serves one file to every GET, one connection at a time, "Connection: close".
class TinyServer {
 public:
  explicit TinyServer(std::string body) : body_(std::move(body)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 16);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~TinyServer() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }
  [[nodiscard]] int port() const { return port_; }

 private:
  void serve() {
    while (!stopping_) {
      int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      std::string request;
      char buffer[2048];
      while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
      }
      std::string reply =
          "HTTP/1.1 200 OK\r\nContent-Type: video/mp4\r\nContent-Length: " + std::to_string(body_.size()) +
          "\r\nConnection: close\r\n\r\n";
      if (!request.starts_with("HEAD")) reply += body_;
      for (std::size_t sent = 0; sent < reply.size();) {
        ssize_t n = ::send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
      }
      ::close(client);
    }
  }

  std::string body_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// yt-dlp exactly as the job builds its command, output thrown away.
int runBare(const std::wstring& command) {
  std::vector<std::string> args;
  for (const std::wstring& arg : splitCommandLine(command)) args.push_back(wideToUtf8(arg));
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void BM_DownloadJobOverBareYtDlp(benchmark::State& state) {
  const std::wstring ytdlp = findTool(L"yt-dlp"), ffmpeg = findTool(L"ffmpeg"), deno = findTool(L"deno");
  if (ytdlp.empty() || ffmpeg.empty() || deno.empty()) {
    state.SkipWithError("yt-dlp, ffmpeg and deno are needed");
    return;
  }
  char pattern[] = "/tmp/tarnwick-bench-XXXXXX";
  if (!::mkdtemp(pattern)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const fs::path root = pattern;
  const fs::path clip = root / "clip.mp4";
  const std::wstring make =
      quoteArgument(ffmpeg) +
      L" -hide_banner -loglevel error -nostdin -y -f lavfi -i testsrc=size=160x120:rate=15:"
      L"duration=2 -f lavfi -i sine=frequency=440:duration=2 -c:v libx264 -preset ultrafast "
      L"-pix_fmt yuv420p -c:a aac -shortest " +
      quoteArgument(fromPath(clip));
  ProcessSlot slot;
  if (runProcess(
          make, [](const std::wstring&) {}, slot, false) != 0) {
    state.SkipWithError("ffmpeg could not make the clip");
    return;
  }
  TinyServer server(readAll(clip));
  const fs::path out = root / "out";
  fs::create_directories(out);

  DownloadRequest request;
  request.kind = 1;
  request.url = L"http://127.0.0.1:" + std::to_wstring(server.port()) + L"/clip.mp4";
  request.folder = fromPath(out);
  const std::wstring bare = buildDownloadCommand(request, ytdlp, ffmpeg, deno);

  // Each run starts from an empty folder: yt-dlp skips a file that is already there.
  auto emptyOut = [&] {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(out)) fs::remove_all(entry.path(), ignored);
  };
  openChannel([] {});
  std::vector<double> jobTimes, bareTimes;
  auto timeJob = [&] {
    cancelRequested = false;
    auto start = std::chrono::steady_clock::now();
    downloadJobMain(request);
    jobTimes.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    std::vector<Message> messages = takePostedMessages();  // the UI thread's share of the work
    if (messages.empty() || messages.back().id != WM_APP_JOB_DONE || messages.back().wParam != 0)
      state.SkipWithError("the job failed");
    emptyOut();
  };
  auto timeBare = [&] {
    auto start = std::chrono::steady_clock::now();
    if (runBare(bare) != 0) state.SkipWithError("yt-dlp failed");
    bareTimes.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    emptyOut();
  };
  bool jobFirst = true;
  for (auto _ : state) {
    if (jobFirst) {
      timeJob();
      timeBare();
    } else {
      timeBare();
      timeJob();
    }
    jobFirst = !jobFirst;
  }
  shutdownChannel();
  std::error_code ignored;
  fs::remove_all(root, ignored);
  if (jobTimes.empty() || bareTimes.empty()) return;
  // Each pair ran back to back, so its ratio is the least disturbed by the machine's other load.
  std::vector<double> ratios;
  for (std::size_t i = 0; i < jobTimes.size() && i < bareTimes.size(); ++i)
    ratios.push_back(jobTimes[i] / bareTimes[i]);
  state.counters["job_ms"] = median(jobTimes) * 1000;
  state.counters["bare_ms"] = median(bareTimes) * 1000;
  state.counters["overhead_pct"] = (median(ratios) - 1) * 100;
}

BENCHMARK(BM_DownloadJobOverBareYtDlp)->Iterations(21)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tarnwick

BENCHMARK_MAIN();
