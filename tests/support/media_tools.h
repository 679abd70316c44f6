// Real media for pipeline tests: made with ffmpeg's test sources, served from 127.0.0.1 with
// optional throttling and a gate that holds a transfer until the test releases it, and read back
// with ffprobe.
#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "loopback_server.h"

namespace tarnwick::test {

struct ToolOutput {
  int exitCode = -1;
  std::string output;  // standard output and error
};

// Runs `argv` (argv[0] an absolute path) without a shell and waits for it.
ToolOutput runTool(const std::vector<std::string>& argv);

enum class MediaKind {
  mp4H264Aac,     // .mp4, h264 + aac
  webmVp9Opus,    // .webm, vp9 + opus
  videoOnlyMp4,   // .mp4, h264 only (a DASH video representation)
  audioOnlyM4a,   // .m4a, aac only (a DASH audio representation)
  webmVp8Vorbis,  // .webm, vp8 + vorbis (a site that offers nothing else)
  monoM4a,        // .m4a, aac only, one channel
};

// Makes `seconds` of 160x120 test picture and tone; answers the file's bytes (empty on failure).
std::string makeMedia(const std::filesystem::path& file, MediaKind kind, double seconds = 2.0);

struct Probe {
  std::string formatName;  // ffprobe's format_name, e.g. "matroska,webm"
  std::string majorBrand;  // of ISO media files, e.g. "qt  " or "3gp4"
  std::vector<std::string> videoCodecs;
  std::vector<std::string> audioCodecs;
};
// nullopt when ffprobe cannot read the file.
std::optional<Probe> probeMedia(const std::filesystem::path& file);

// Serves byte strings under fixed paths; anything else is 404.
class MediaServer {
 public:
  MediaServer();
  ~MediaServer();
  MediaServer(const MediaServer&) = delete;
  MediaServer& operator=(const MediaServer&) = delete;

  void add(const std::string& path, std::string bytes, std::string contentType);
  // Sends bodies in chunks of `chunkBytes` with `pause` after each (the server's own pacing, so
  // that the client sees a transfer in progress).
  void throttle(std::size_t chunkBytes, std::chrono::milliseconds pause);
  // Once a transfer of `path` has sent `bytes`, it waits until release() (or the server stops).
  void holdAfter(const std::string& path, std::size_t bytes);
  void release();
  // Waits until a transfer is being held.
  bool waitUntilHeld(std::chrono::milliseconds limit = std::chrono::seconds(60));

  [[nodiscard]] std::wstring url(const std::string& path) const { return server_.wideUrl(path); }

 private:
  struct Entry {
    std::string bytes;
    std::string contentType;
  };
  bool provide(const std::string& path, std::size_t offset, std::size_t length, httplib::DataSink& sink);

  std::mutex lock_;
  std::condition_variable changed_;
  std::map<std::string, Entry> entries_;
  std::size_t chunkBytes_ = 1 << 20;
  std::chrono::milliseconds pause_{0};
  std::string heldPath_;
  std::size_t holdBytes_ = 0;
  bool holding_ = false;
  bool held_ = false;
  bool stopping_ = false;
  LoopbackServer server_;
};

// Live processes whose command line mentions `needle`, after giving each up to `grace` to end
// (a process killed a moment ago may still be on its way out).
std::vector<std::string> processesMentioning(const std::string& needle, std::chrono::milliseconds grace);

}  // namespace tarnwick::test
