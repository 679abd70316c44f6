// A download job that first has to install a missing component: Esc and closing the window stop
// it in the middle of the component's transfer. Real job thread, real setup, loopback server.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "app/app_state.h"
#include "app/lifecycle.h"
#include "app/status_texts.h"
#include "app/window_input.h"
#include "base/text.h"
#include "fake_host.h"
#include "loopback_server.h"
#include "sandbox.h"
#include "setup/setup_overrides.h"
#include "ui_thread_pump.h"

namespace tarnwick::test {
namespace {

class SetupInDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    // yt-dlp and ffmpeg are there, deno is not: the job must install it before downloading.
    Sandbox::current().writeScript("yt-dlp", "#!/bin/sh\necho 2026.11.23\n");
    Sandbox::current().writeScript("ffmpeg", "#!/bin/sh\n");
    // Announces a large archive, sends a first piece, then nothing until the transfer is aborted.
    server.server().Get("/deno.zip", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(1 << 20, "application/zip",
                               [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                 if (offset > 0) return waitForRelease();
                                 return sink.write(std::string(4096, 'z').data(), 4096);
                               });
    });
    // The transfer never completes, so the published hash is never compared.
    server.server().Get("/deno.zip.sha256sum", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(64, '0') + "  deno.zip\n", "text/plain");
    });
    server.start();
    setup::setComponentSourcesForTesting({L"", server.wideUrl("/deno.zip"), L""});
    state.folder = fromPath(Sandbox::current().makeFolder("saves"));
    state.now = [this] { return clock; };
    host.text = L"https://www.youtube.com/watch?v=dQw4w9WgXcQ";
  }
  void TearDown() override {
    release();
    stopAllWork(state);
    server.stop();
  }

  bool waitForRelease() {
    std::unique_lock guard(lock);
    released.wait_for(guard, std::chrono::seconds(30), [this] { return isReleased; });
    return false;
  }
  void release() {
    std::lock_guard guard(lock);
    isReleased = true;
    released.notify_all();
  }
  bool pumpUntil(const std::function<bool()>& done) { return pump.until(state, host, done); }
  bool downloadsDeno() const {
    return startsWith(state.statusDetail, L"Setting up: downloading Deno") && state.progress >= 0;
  }
  void startDownload() {
    clock += 10'000;  // past the double-click guard
    activateElement(state, host, ElementId::download);
    ASSERT_EQ(state.jobState, downloadJobRunning);
    ASSERT_TRUE(pumpUntil([this] { return downloadsDeno(); }));
  }

  FakeHost host;
  AppState state;
  UiThreadPump pump;
  LoopbackServer server;
  std::mutex lock;
  std::condition_variable released;
  bool isReleased = false;
  std::uint64_t clock = 1'000'000;
};

TEST_F(SetupInDownload, EscAndClosingStopTheComponentTransfer) {
  startDownload();
  EXPECT_TRUE(mainWindowKey(state, host, Key::escape, false));
  ASSERT_TRUE(pumpUntil([this] { return state.jobState == noJob; }));
  EXPECT_EQ(statusLine(state), L"Cancelled.");

  startDownload();
  stopAllWork(state);  // what closing the window does; returns once the job has ended
  EXPECT_FALSE(state.jobThread.joinable());
  EXPECT_TRUE(cancelRequested.load());
}

}  // namespace
}  // namespace tarnwick::test
