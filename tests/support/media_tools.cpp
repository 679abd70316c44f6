#include "media_tools.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <thread>

#include "sandbox.h"

extern char** environ;

namespace tarnwick::test {
namespace fs = std::filesystem;

ToolOutput runTool(const std::vector<std::string>& argv) {
  ToolOutput result;
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out[1], 2);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (spawned == 0) {
    char buffer[4096];
    for (;;) {
      ssize_t n = ::read(out[0], buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      result.output.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  ::close(out[0]);
  return result;
}

std::string makeMedia(const fs::path& file, MediaKind kind, double seconds) {
  const std::string duration = std::to_string(seconds);
  const std::string picture = "testsrc=size=160x120:rate=15:duration=" + duration;
  const std::string tone = "sine=frequency=440:sample_rate=44100:duration=" + duration;
  std::vector<std::string> argv = {
      Sandbox::realTool("ffmpeg").string(), "-hide_banner", "-loglevel", "error", "-nostdin", "-y"};
  auto add = [&argv](std::initializer_list<std::string> more) { argv.insert(argv.end(), more); };
  switch (kind) {
    case MediaKind::mp4H264Aac:
      add({"-f",   "lavfi", "-i",      picture,   "-f",        "lavfi",     "-i",
           tone,   "-c:v",  "libx264", "-preset", "ultrafast", "-pix_fmt",  "yuv420p",
           "-c:a", "aac",   "-b:a",    "64k",     "-shortest", "-movflags", "+faststart"});
      break;
    case MediaKind::webmVp9Opus:
      add({"-f",   "lavfi", "-i",         picture,     "-f",       "lavfi",     "-i",
           tone,   "-c:v",  "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "8",
           "-b:v", "100k",  "-c:a",       "libopus",   "-b:a",     "48k",       "-shortest"});
      break;
    case MediaKind::videoOnlyMp4:
      add({"-f", "lavfi", "-i", picture, "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p",
           "-movflags", "+faststart"});
      break;
    case MediaKind::audioOnlyM4a:
      add({"-f", "lavfi", "-i", tone, "-c:a", "aac", "-b:a", "64k", "-movflags", "+faststart"});
      break;
    case MediaKind::webmVp8Vorbis:
      add({"-f",   "lavfi", "-i",     picture,     "-f",       "lavfi",     "-i",
           tone,   "-c:v",  "libvpx", "-deadline", "realtime", "-cpu-used", "8",
           "-b:v", "100k",  "-c:a",   "libvorbis", "-q:a",     "2",         "-shortest"});
      break;
    case MediaKind::monoM4a:
      add({"-f", "lavfi", "-i", tone, "-ac", "1", "-c:a", "aac", "-b:a", "64k", "-movflags", "+faststart"});
      break;
  }
  argv.push_back(file.string());
  if (runTool(argv).exitCode != 0) return {};
  return readFile(file);
}

std::optional<Probe> probeMedia(const fs::path& file) {
  ToolOutput run = runTool({Sandbox::realTool("ffprobe").string(), "-v", "error", "-show_entries",
                            "format=format_name:format_tags=major_brand:stream=codec_type,codec_name", "-of",
                            "default=noprint_wrappers=1", file.string()});
  if (run.exitCode != 0) return std::nullopt;
  Probe probe;
  std::istringstream lines(run.output);
  std::string line, codec;
  while (std::getline(lines, line)) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "codec_name") codec = value;
    if (key == "codec_type" && value == "video") probe.videoCodecs.push_back(codec);
    if (key == "codec_type" && value == "audio") probe.audioCodecs.push_back(codec);
    if (key == "format_name") probe.formatName = value;
    if (key == "TAG:major_brand") probe.majorBrand = value;
  }
  if (probe.formatName.empty()) return std::nullopt;
  return probe;
}

MediaServer::MediaServer() {
  server_.server().Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
    std::string path = request.path;
    std::size_t size = 0;
    std::string contentType;
    {
      std::lock_guard guard(lock_);
      auto found = entries_.find(path);
      if (found == entries_.end()) {
        response.status = 404;
        response.set_content("not here", "text/plain");
        return;
      }
      size = found->second.bytes.size();
      contentType = found->second.contentType;
    }
    response.set_content_provider(
        size, contentType, [this, path](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          return provide(path, offset, length, sink);
        });
  });
  server_.start();
}

MediaServer::~MediaServer() {
  {
    std::lock_guard guard(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
  server_.stop();
}

void MediaServer::add(const std::string& path, std::string bytes, std::string contentType) {
  std::lock_guard guard(lock_);
  entries_[path] = Entry{std::move(bytes), std::move(contentType)};
}

void MediaServer::throttle(std::size_t chunkBytes, std::chrono::milliseconds pause) {
  std::lock_guard guard(lock_);
  chunkBytes_ = chunkBytes;
  pause_ = pause;
}

void MediaServer::holdAfter(const std::string& path, std::size_t bytes) {
  std::lock_guard guard(lock_);
  heldPath_ = path;
  holdBytes_ = bytes;
  holding_ = true;
}

void MediaServer::release() {
  {
    std::lock_guard guard(lock_);
    holding_ = false;
  }
  changed_.notify_all();
}

bool MediaServer::waitUntilHeld(std::chrono::milliseconds limit) {
  std::unique_lock guard(lock_);
  return changed_.wait_for(guard, limit, [this] { return held_; });
}

bool MediaServer::provide(const std::string& path, std::size_t offset, std::size_t length,
                          httplib::DataSink& sink) {
  std::string chunk;
  std::chrono::milliseconds pause;
  {
    std::unique_lock guard(lock_);
    if (holding_ && path == heldPath_ && offset >= holdBytes_) {
      held_ = true;
      changed_.notify_all();
      changed_.wait(guard, [this] { return !holding_ || stopping_; });
    }
    if (stopping_) return false;
    const std::string& bytes = entries_[path].bytes;
    std::size_t size = std::min(length, chunkBytes_);
    if (holding_ && path == heldPath_ && offset < holdBytes_) size = std::min(size, holdBytes_ - offset);
    chunk = bytes.substr(offset, size);
    pause = pause_;
  }
  if (!sink.write(chunk.data(), chunk.size())) return false;
  // The server's own pacing; the test never waits on it.
  if (pause.count() > 0) std::this_thread::sleep_for(pause);
  return true;
}

std::vector<std::string> processesMentioning(const std::string& needle, std::chrono::milliseconds grace) {
  std::vector<std::string> alive;
  auto deadline = std::chrono::steady_clock::now() + grace;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc", error)) {
    std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    pid_t pid = std::stoi(name);
    if (pid == ::getpid()) continue;
    std::string commandLine = readFile(entry.path() / "cmdline");
    if (commandLine.find(needle) == std::string::npos) continue;
    // Wait for the process to end through a pidfd: the end of an unrelated process has no other event.
    int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) continue;  // already gone
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd waiter{pidfd, POLLIN, 0};
    if (::poll(&waiter, 1, static_cast<int>(std::max<long long>(0, left.count()))) == 0) {
      for (char& c : commandLine)
        if (c == '\0') c = ' ';
      alive.push_back(name + ": " + commandLine);
    }
    ::close(pidfd);
  }
  return alive;
}

}  // namespace tarnwick::test
