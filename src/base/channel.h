// The worker channel: the only way a worker thread reports to the UI thread.
//
// Workers post messages with two integer words and at most one owned payload. The UI side is a
// thread-safe queue; posting never blocks on the UI thread. The shell installs a wake-up that
// runs on the poster's thread and must only schedule a drain on the UI thread (on GTK, a
// main-context callback). After shutdown every post is dropped and its payload freed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace tarnwick {

// Message ids, as the window's private messages (WM_APP + n).
inline constexpr std::uint32_t WM_APP_LOG = 0x8001;             // payload: std::wstring
inline constexpr std::uint32_t WM_APP_PROGRESS = 0x8002;        // wParam tenths of a percent, lParam 1 = indeterminate
inline constexpr std::uint32_t WM_APP_STATUS = 0x8003;          // payload: std::wstring
inline constexpr std::uint32_t WM_APP_OUTPUT_PATH = 0x8004;     // payload: std::wstring
inline constexpr std::uint32_t WM_APP_JOB_DONE = 0x8005;        // wParam outcome 0/1/2, lParam job kind
inline constexpr std::uint32_t WM_APP_SEARCH_RESULTS = 0x8006;  // payload: SearchReply
inline constexpr std::uint32_t WM_APP_VIDEO_INFO = 0x8007;      // payload: VideoInfo
inline constexpr std::uint32_t WM_APP_THUMBNAIL = 0x8008;       // payload: ThumbnailData

// An owned, type-tagged heap object travelling with one message. Move-only.
class Payload {
 public:
  Payload() = default;
  template <class T>
  static Payload of(std::unique_ptr<T> object) {
    Payload p;
    p.type_ = &typeid(T);
    p.object_ = Holder(object.release(), [](void* o) { delete static_cast<T*>(o); });
    return p;
  }
  template <class T>
  static Payload make(T value) {
    return of(std::make_unique<T>(std::move(value)));
  }

  [[nodiscard]] bool empty() const { return object_ == nullptr; }
  template <class T>
  [[nodiscard]] bool holds() const {
    return object_ && *type_ == typeid(T);
  }
  // Null when the payload holds another type.
  template <class T>
  [[nodiscard]] T* get() const {
    return holds<T>() ? static_cast<T*>(object_.get()) : nullptr;
  }
  template <class T>
  [[nodiscard]] std::unique_ptr<T> take() {
    if (!holds<T>()) return nullptr;
    type_ = nullptr;
    return std::unique_ptr<T>(static_cast<T*>(object_.release()));
  }

 private:
  using Holder = std::unique_ptr<void, void (*)(void*)>;
  const std::type_info* type_ = nullptr;
  Holder object_{nullptr, [](void*) {}};
};

struct Message {
  std::uint32_t id = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  Payload payload;

  // The text of a LOG, STATUS or OUTPUT_PATH message (empty for others).
  [[nodiscard]] const std::wstring& text() const;
};

// Called on the posting thread after a message was queued while the queue was empty.
using WakeUp = std::function<void()>;

// UI side. openChannel makes posts land in the queue; shutdownChannel drops everything queued and
// makes later posts free their payload at once. Both are called on the UI thread.
void openChannel(WakeUp wakeUp);
void shutdownChannel();
// Takes every queued message, oldest first (UI thread).
[[nodiscard]] std::vector<Message> takePostedMessages();

// Any thread. Answers false (and frees the payload) when the channel is not open.
bool postMessage(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam, Payload payload = {});
bool postText(std::uint32_t id, std::wstring text);
// percent < 0: indeterminate; else min(percent, 100) * 10, truncated.
void postProgress(double percent);
// Exactly once per job, as its last message. kind: 0 setup-only, 1 download.
void postJobDone(int outcome, int kind);

}  // namespace tarnwick
