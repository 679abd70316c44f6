// The UI thread's side of the channel for tests that run real workers: opens the channel and
// handles posted messages on the test's thread until a condition holds.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "app/app_state.h"
#include "app/messages.h"
#include "base/channel.h"

namespace tarnwick::test {

class UiThreadPump {
 public:
  UiThreadPump() {
    openChannel([this] {
      std::lock_guard guard(lock_);
      woken_ = true;
      wake_.notify_all();
    });
  }
  ~UiThreadPump() { shutdownChannel(); }
  UiThreadPump(const UiThreadPump&) = delete;
  UiThreadPump& operator=(const UiThreadPump&) = delete;

  // Answers false when `limit` passes first.
  bool until(AppState& state, Host& host, const std::function<bool()>& done,
             std::chrono::seconds limit = std::chrono::seconds(60)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      drainMessages(state, host);
      if (done()) return true;
      std::unique_lock guard(lock_);
      if (!wake_.wait_until(guard, deadline, [this] { return woken_; })) return false;
      woken_ = false;
    }
  }

 private:
  std::mutex lock_;
  std::condition_variable wake_;
  bool woken_ = false;
};

}  // namespace tarnwick::test
