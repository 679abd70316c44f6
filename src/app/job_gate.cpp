#include "app/job_gate.h"

#include <utility>

#include "pipeline/format_tables.h"

namespace tarnwick {

void JobGate::open() {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->open = true;
  }
  shared_->opened.notify_all();
}

bool JobGate::isOpen() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->open;
}

JobGate::Job JobGate::holding(Job job) const {
  return [shared = shared_, job = std::move(job)](DownloadRequest request) {
    {
      std::unique_lock lock(shared->mutex);
      shared->opened.wait(lock, [&] { return shared->open; });
    }
    job(std::move(request));
  };
}

}  // namespace tarnwick
