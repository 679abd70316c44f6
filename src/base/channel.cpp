#include "base/channel.h"

#include <mutex>

namespace tarnwick {
namespace {

struct Channel {
  std::mutex lock;  // guards everything below; held only to push or swap
  bool open = false;
  WakeUp wakeUp;
  std::vector<Message> queue;
};

Channel& channel() {
  // Leaked on purpose: a worker still posting during static destruction must find it alive.
  static Channel* instance = new Channel;
  return *instance;
}

const std::wstring emptyText;

}  // namespace

const std::wstring& Message::text() const {
  const std::wstring* t = payload.get<std::wstring>();
  return t ? *t : emptyText;
}

void openChannel(WakeUp wakeUp) {
  Channel& c = channel();
  std::lock_guard guard(c.lock);
  c.open = true;
  c.wakeUp = std::move(wakeUp);
  c.queue.clear();
}

void shutdownChannel() {
  std::vector<Message> dropped;
  {
    Channel& c = channel();
    std::lock_guard guard(c.lock);
    c.open = false;
    c.wakeUp = nullptr;
    dropped.swap(c.queue);
  }
  // Payloads are freed here, outside the lock.
}

std::vector<Message> takePostedMessages() {
  std::vector<Message> taken;
  Channel& c = channel();
  std::lock_guard guard(c.lock);
  taken.swap(c.queue);
  return taken;
}

bool postMessage(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam, Payload payload) {
  Channel& c = channel();
  WakeUp wake;
  {
    std::lock_guard guard(c.lock);
    if (!c.open) return false;  // payload freed on return
    bool wasEmpty = c.queue.empty();
    c.queue.push_back(Message{id, wParam, lParam, std::move(payload)});
    if (wasEmpty) wake = c.wakeUp;
  }
  if (wake) wake();
  return true;
}

bool postText(std::uint32_t id, std::wstring text) {
  return postMessage(id, 0, 0, Payload::make(std::move(text)));
}

void postProgress(double percent) {
  if (percent < 0) {
    postMessage(WM_APP_PROGRESS, 0, 1);
    return;
  }
  double clamped = percent < 100.0 ? percent : 100.0;
  postMessage(WM_APP_PROGRESS, static_cast<std::uintptr_t>(clamped * 10.0), 0);
}

void postJobDone(int outcome, int kind) {
  postMessage(WM_APP_JOB_DONE, static_cast<std::uintptr_t>(outcome), kind);
}

}  // namespace tarnwick
