// Opens the worker channel for a test and records every posted message.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "base/channel.h"

namespace tarnwick::test {

// A copy of one message that tests can compare; owned payloads other than text are moved into
// `payload` so that tests can inspect them.
struct Recorded {
  std::uint32_t id = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::wstring text;  // LOG, STATUS, OUTPUT_PATH
  Payload payload;    // other payloads
};

class ChannelRecorder {
 public:
  ChannelRecorder();
  ~ChannelRecorder();
  ChannelRecorder(const ChannelRecorder&) = delete;
  ChannelRecorder& operator=(const ChannelRecorder&) = delete;

  // Waits (on posts, not on a clock tick) until `done` holds for the recorded messages, or the
  // limit passes. Answers whether it holds.
  bool waitUntil(const std::function<bool(const std::vector<Recorded>&)>& done,
                 std::chrono::milliseconds limit = std::chrono::seconds(60));
  bool waitForJobDone(std::chrono::milliseconds limit = std::chrono::seconds(120));

  // Drains the channel and answers everything recorded so far.
  std::vector<Recorded>& messages();
  std::vector<std::wstring> texts(std::uint32_t id);
  std::vector<Recorded> of(std::uint32_t id);
  void clear();

 private:
  void drain();  // with lock_ held
  std::mutex lock_;
  std::condition_variable posted_;
  std::vector<Recorded> recorded_;
};

}  // namespace tarnwick::test
