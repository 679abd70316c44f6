// A process that runs one real download job and prints what the job posts, one line each, for
// tests that kill the process hosting a job midway. The test's sandbox comes with the environment.
// Arguments: <url> <folder> <video format row> <whole playlist: 0 or 1>.
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string_view>
#include <thread>

#include "base/channel.h"
#include "base/text.h"
#include "pipeline/download_job.h"

int main(int argc, char** argv) {
  using namespace tarnwick;
  if (argc != 5) return 2;
  DownloadRequest request;
  request.kind = 1;
  request.url = utf8ToWide(argv[1]);
  request.folder = utf8ToWide(argv[2]);
  std::string_view row(argv[3]);
  if (std::from_chars(row.data(), row.data() + row.size(), request.videoFormat).ec != std::errc()) return 2;
  request.wholePlaylist = std::string_view(argv[4]) == "1";

  std::mutex lock;
  std::condition_variable woken;
  bool posted = false;
  openChannel([&] {
    std::lock_guard<std::mutex> guard(lock);
    posted = true;
    woken.notify_one();
  });
  std::thread job([&request] { downloadJobMain(request); });
  for (bool done = false; !done;) {
    {
      std::unique_lock<std::mutex> guard(lock);
      woken.wait(guard, [&] { return posted; });
      posted = false;
    }
    for (const Message& message : takePostedMessages()) {
      done = done || message.id == WM_APP_JOB_DONE;
      if (!message.text().empty()) std::printf("%s\n", wideToUtf8(message.text()).c_str());
    }
    std::fflush(stdout);
  }
  job.join();
  shutdownChannel();
  return 0;
}
