// Worker entry points that only record how they were started, for tests of the app layer. They
// run on the threads the app starts, so everything is guarded and waitable.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "pipeline/format_tables.h"

namespace tarnwick::test {

struct PreviewCall {
  std::wstring videoId;
  std::uint32_t generation = 0;
  bool fetchTitle = false;
  bool fetchDetails = false;
};

struct SearchCall {
  std::wstring query;
  std::uint32_t generation = 0;
};

class WorkerCalls {
 public:
  std::vector<DownloadRequest> jobs() {
    std::lock_guard guard(lock_);
    return jobs_;
  }
  // Detached workers may record in any order; their generations tell the order they were started.
  std::vector<PreviewCall> previews() {
    std::lock_guard guard(lock_);
    std::vector<PreviewCall> calls = previews_;
    std::sort(calls.begin(), calls.end(), [](auto& a, auto& b) { return a.generation < b.generation; });
    return calls;
  }
  std::vector<SearchCall> searches() {
    std::lock_guard guard(lock_);
    std::vector<SearchCall> calls = searches_;
    std::sort(calls.begin(), calls.end(), [](auto& a, auto& b) { return a.generation < b.generation; });
    return calls;
  }
  // Waits until at least the given numbers of calls have happened.
  bool waitFor(std::size_t jobs, std::size_t previews, std::size_t searches) {
    std::unique_lock guard(lock_);
    return called_.wait_for(guard, std::chrono::seconds(30), [&] {
      return jobs_.size() >= jobs && previews_.size() >= previews && searches_.size() >= searches;
    });
  }

  void addJob(DownloadRequest r) {
    std::lock_guard guard(lock_);
    jobs_.push_back(std::move(r));
    called_.notify_all();
  }
  void addPreview(PreviewCall c) {
    std::lock_guard guard(lock_);
    previews_.push_back(std::move(c));
    called_.notify_all();
  }
  void addSearch(SearchCall c) {
    std::lock_guard guard(lock_);
    searches_.push_back(std::move(c));
    called_.notify_all();
  }

 private:
  std::mutex lock_;
  std::condition_variable called_;
  std::vector<DownloadRequest> jobs_;
  std::vector<PreviewCall> previews_;
  std::vector<SearchCall> searches_;
};

// The recorder is shared with the detached threads, which may outlive a test's stack.
inline WorkerEntries recordingWorkers(const std::shared_ptr<WorkerCalls>& calls) {
  WorkerEntries entries;
  entries.job = [calls](DownloadRequest request) { calls->addJob(std::move(request)); };
  entries.preview = [calls](std::wstring id, std::uint32_t generation, bool title, bool details) {
    calls->addPreview({std::move(id), generation, title, details});
  };
  entries.search = [calls](std::wstring query, std::uint32_t generation) {
    calls->addSearch({std::move(query), generation});
  };
  return entries;
}

}  // namespace tarnwick::test
