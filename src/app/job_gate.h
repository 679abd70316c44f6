// Holds jobs back until the window says so. The window holds the setup job until it has drawn
// its first frame: that job starts yt-dlp, a Python program, and forks the whole process to do
// it, both of which would compete with the window for the processor while it appears.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "app/app_state.h"

namespace tarnwick {

class JobGate {
 public:
  using Job = std::function<void(DownloadRequest request)>;

  // Lets every held and later job run. Must happen before anything joins the job thread.
  void open();
  [[nodiscard]] bool isOpen() const;

  // `job`, made to wait on a worker thread until the gate is open.
  [[nodiscard]] Job holding(Job job) const;

 private:
  struct Shared {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
  };
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

}  // namespace tarnwick
