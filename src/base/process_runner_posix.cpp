// The POSIX runner: a process group stands in for the Windows job object.
#include "base/process_runner.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <mutex>

#include "base/channel.h"
#include "base/child_process_posix.h"
#include "base/command_line.h"
#include "base/line_splitter.h"
#include "base/text.h"

namespace tarnwick {
namespace {

using Clock = std::chrono::steady_clock;

// Large reads keep the cost per byte low; the pipe is widened to match so a fast child is not
// switched out after every 64 KiB.
constexpr std::size_t readBufferSize = 1 << 18;
// After the tool has ended and its group was killed, the pipe normally reports its end at once.
// Only a descendant that left the group can keep it open; it is not waited for longer than this.
constexpr auto drainLimit = std::chrono::seconds(1);

void killGroup(pid_t group) {
  ::kill(-group, SIGKILL);
}

posix::ChildLaunch prepareLaunch(const std::wstring& commandLine, std::wstring_view workingDirectory) {
  posix::ChildLaunch launch;
  for (const std::wstring& argument : splitCommandLine(commandLine))
    launch.arguments.push_back(wideToUtf8(argument));
  launch.environment = posix::childEnvironment();
  launch.workingDirectory = wideToUtf8(workingDirectory);
  return launch;
}

void reportStartFailure(int error) {
  postText(WM_APP_LOG, L"Error: could not start process (code " + std::to_wstring(error) + L").");
}

void publish(ProcessSlot& slot, pid_t group) {
  std::lock_guard guard(processLock);
  slot.group = group;
}

// Cleared only while the slot still names this run's group. The supervisor keeps the group's
// leader unreaped until the channel closes, which happens after this, so a terminate racing with
// it never hits a stranger that got the id.
void unpublish(ProcessSlot& slot, pid_t group) {
  std::lock_guard guard(processLock);
  if (slot.group == group) slot.group = noProcessGroup;
}

void waitUntilReadable(int fd) {
  pollfd watch{fd, POLLIN, 0};
  while (::poll(&watch, 1, -1) < 0 && errno == EINTR) {
  }
}

// Reads the tool's output to its end and turns it into lines. Ends early only when the tool has
// ended, its group was killed, and a descendant outside the group still holds the pipe.
class OutputReader {
 public:
  OutputReader(int fd, const posix::HeldChild& child, const LineCallback& onLine)
      : fd_(fd), controlFd_(child.controlFd), group_(child.pid), onLine_(onLine) {}

  void run() {
    auto buffer = std::make_unique_for_overwrite<char[]>(readBufferSize);
    std::wstring wide;
    auto deliver = [&](std::string_view line) {
      decodeLine(line, wide);
      onLine_(wide);
    };
    for (;;) {
      ssize_t n = ::read(fd_, buffer.get(), readBufferSize);
      if (n > 0) {
        splitter_.feed(buffer.get(), static_cast<std::size_t>(n), deliver);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN && waitForOutput()) continue;
      break;  // end of file, a read error, or the drain limit
    }
    splitter_.finish(deliver);
  }

  // After run(): makes sure the tool has ended, then kills what it left behind.
  void finishChild() {
    if (childEnded_) return;
    waitUntilReadable(controlFd_);
    childEnded();
  }

 private:
  void childEnded() {
    childEnded_ = true;
    killGroup(group_);  // the supervisor did so already; the leader is unreaped, the id still ours
    drainDeadline_ = Clock::now() + drainLimit;
  }

  // Waits until the pipe has data or has ended; answers false once the drain limit has passed.
  bool waitForOutput() {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {controlFd_, POLLIN, 0}};
    int timeout = -1;
    if (childEnded_) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(drainDeadline_ - Clock::now()).count();
      if (left <= 0) return false;
      timeout = static_cast<int>(left);
    }
    int ready = ::poll(fds, childEnded_ ? 1 : 2, timeout);
    if (ready < 0) return errno == EINTR;
    if (!childEnded_ && fds[1].revents != 0) childEnded();
    return true;
  }

  int fd_;
  int controlFd_;
  pid_t group_;
  const LineCallback& onLine_;
  LineSplitter splitter_;
  bool childEnded_ = false;
  Clock::time_point drainDeadline_{};
};

// Closes the pipe, clears the slot and lets the supervisor reap the group; also when a callback
// throws, so that no process, slot entry or descriptor outlives the run.
class RunningChild {
 public:
  RunningChild(ProcessSlot& slot, posix::HeldChild& child, int outputFd)
      : slot_(slot), child_(child), outputFd_(outputFd) {}
  ~RunningChild() {
    if (outputFd_ < 0) return;
    killGroup(child_.pid);
    (void)finish();
  }
  RunningChild(const RunningChild&) = delete;
  RunningChild& operator=(const RunningChild&) = delete;

  int finish() {
    ::close(outputFd_);
    outputFd_ = -1;
    unpublish(slot_, child_.pid);
    return posix::finishSupervisedChild(child_);
  }

 private:
  ProcessSlot& slot_;
  posix::HeldChild& child_;
  int outputFd_;
};

}  // namespace

int runProcess(std::wstring commandLine, const LineCallback& onLine, ProcessSlot& jobSlot, bool honourCancel,
               std::wstring_view workingDirectory) {
  posix::ChildLaunch launch = prepareLaunch(commandLine, workingDirectory);
  commandLine.clear();

  int output[2];
  if (!posix::makePipe(output)) return -1;
  ::fcntl(output[1], F_SETPIPE_SZ, static_cast<int>(readBufferSize));  // best effort

  posix::HeldChild child;
  int error = posix::startHeldChild(launch, output[1], child);
  ::close(output[1]);
  if (error != 0) {
    ::close(output[0]);
    reportStartFailure(error);
    return -1;
  }

  publish(jobSlot, child.pid);
  if (honourCancel && cancelRequested.load()) killGroup(child.pid);
  error = posix::releaseHeldChild(child);
  if (error != 0) {
    ::close(output[0]);
    unpublish(jobSlot, child.pid);
    (void)posix::finishSupervisedChild(child);
    reportStartFailure(error);
    return -1;
  }

  ::fcntl(output[0], F_SETFL, ::fcntl(output[0], F_GETFL) | O_NONBLOCK);
  RunningChild running{jobSlot, child, output[0]};
  OutputReader reader(output[0], child, onLine);
  reader.run();
  reader.finishChild();
  return running.finish();
}

void terminateJobSlot(ProcessSlot& slot) {
  std::lock_guard guard(processLock);
  if (slot.group != noProcessGroup) killGroup(static_cast<pid_t>(slot.group));
}

void cancelDownloadJob() {
  cancelRequested.exchange(true);
  terminateJobSlot(downloadProcessJob);
}

}  // namespace tarnwick
