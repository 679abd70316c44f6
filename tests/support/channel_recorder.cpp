#include "channel_recorder.h"

namespace tarnwick::test {

ChannelRecorder::ChannelRecorder() {
  openChannel([this] { posted_.notify_all(); });
}

ChannelRecorder::~ChannelRecorder() { shutdownChannel(); }

void ChannelRecorder::drain() {
  for (Message& m : takePostedMessages()) {
    Recorded r{m.id, m.wParam, m.lParam, {}, {}};
    if (m.payload.holds<std::wstring>())
      r.text = *m.payload.get<std::wstring>();
    else
      r.payload = std::move(m.payload);
    recorded_.push_back(std::move(r));
  }
}

bool ChannelRecorder::waitUntil(const std::function<bool(const std::vector<Recorded>&)>& done,
                                std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  std::unique_lock guard(lock_);
  for (;;) {
    drain();
    if (done(recorded_)) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    // The wake-up only fires when the queue turns non-empty; a short bounded wait covers a
    // post racing with the drain above.
    posted_.wait_for(guard, std::chrono::milliseconds(50));
  }
}

bool ChannelRecorder::waitForJobDone(std::chrono::milliseconds limit) {
  return waitUntil(
      [](const std::vector<Recorded>& all) {
        for (const Recorded& r : all)
          if (r.id == WM_APP_JOB_DONE) return true;
        return false;
      },
      limit);
}

std::vector<Recorded>& ChannelRecorder::messages() {
  std::lock_guard guard(lock_);
  drain();
  return recorded_;
}

std::vector<std::wstring> ChannelRecorder::texts(std::uint32_t id) {
  std::vector<std::wstring> out;
  for (const Recorded& r : messages())
    if (r.id == id) out.push_back(r.text);
  return out;
}

std::vector<Recorded> ChannelRecorder::of(std::uint32_t id) {
  std::vector<Recorded> out;
  for (Recorded& r : messages())
    if (r.id == id) out.push_back(Recorded{r.id, r.wParam, r.lParam, r.text, {}});
  return out;
}

void ChannelRecorder::clear() {
  std::lock_guard guard(lock_);
  drain();
  recorded_.clear();
}

}  // namespace tarnwick::test
