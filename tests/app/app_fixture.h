// A state wired to a fake window and recording workers, with a clock the test moves.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/app_state.h"
#include "app/messages.h"
#include "base/channel.h"
#include "base/text.h"
#include "fake_host.h"
#include "fake_workers.h"
#include "media_tools.h"
#include "sandbox.h"

namespace tarnwick::test {

// A small JPEG picture made by the real ffmpeg; empty when ffmpeg is missing.
inline std::string makeJpeg(int width, int height) {
  const std::filesystem::path ffmpeg = Sandbox::realTool("ffmpeg");
  if (ffmpeg.empty()) return {};
  const std::filesystem::path file = Sandbox::current().makeFolder("jpeg") / "thumb.jpg";
  const std::string size = "color=c=red:s=" + std::to_string(width) + "x" + std::to_string(height);
  runTool({ffmpeg.string(), "-v", "error", "-f", "lavfi", "-i", size, "-frames:v", "1", file.string()});
  return readFile(file);
}

class AppFixture : public ::testing::Test {
 protected:
  AppFixture() {
    state.workers = recordingWorkers(calls);
    state.now = [this] { return clock; };
    state.log.setObserver(&logMirror);
  }
  ~AppFixture() override { state.log.setObserver(nullptr); }

  // The log's lines, oldest first.
  std::vector<std::wstring> logLines() const {
    std::vector<std::wstring> lines;
    const std::wstring& text = state.log.text();
    if (text.empty()) return lines;
    std::size_t start = 0;
    for (;;) {
      std::size_t end = text.find(L"\r\n", start);
      lines.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
      if (end == std::wstring::npos) return lines;
      start = end + 2;
    }
  }
  std::wstring lastLogLine() const {
    std::vector<std::wstring> lines = logLines();
    return lines.empty() ? std::wstring() : lines.back();
  }

  void deliver(std::uint32_t id, std::uintptr_t wParam = 0, std::intptr_t lParam = 0, Payload payload = {}) {
    Message message{id, wParam, lParam, std::move(payload)};
    handleMessage(state, host, message);
  }
  void deliverText(std::uint32_t id, const std::wstring& text) { deliver(id, 0, 0, Payload::make(text)); }
  void jobDone(int outcome, int kind) {
    deliver(WM_APP_JOB_DONE, static_cast<std::uintptr_t>(outcome), kind);
  }

  // Puts every log line into the host's event list, so tests can see the order of both.
  struct LogMirror : LogObserver {
    explicit LogMirror(FakeHost& h) : host(h) {}
    void logAppended(std::wstring_view text) override {
      if (text.substr(0, 2) == L"\r\n") text.remove_prefix(2);
      host.events.push_back("log " + wideToUtf8(text));
    }
    void logTrimmed(std::size_t) override {}
    void logCleared() override { host.events.push_back("log cleared"); }
    FakeHost& host;
  };

  std::shared_ptr<WorkerCalls> calls = std::make_shared<WorkerCalls>();
  FakeHost host;
  AppState state;
  LogMirror logMirror{host};
  std::uint64_t clock = 1'000'000;
};

}  // namespace tarnwick::test
