// The POSIX runner: a process group stands in for the Windows job object.
#include "base/process_runner.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
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
// After the child has ended and its group was killed, the pipe normally reports its end at once.
// Only a descendant that left the group can keep it open; it is not waited for longer than this.
constexpr auto drainLimit = std::chrono::seconds(1);
// Without pidfd the reader wakes this often to look whether the child has ended.
constexpr int exitPollMs = 50;

void killGroup(pid_t group) {
  ::kill(-group, SIGKILL);
}

// Orphans of a run are re-parented to this process instead of init, so the runner can reap the
// whole group before it returns (a container's init may never reap them). Process-wide, once.
void becomeSubreaper() {
  static std::once_flag once;
  std::call_once(once, [] { ::prctl(PR_SET_CHILD_SUBREAPER, 1); });
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

// Cleared only while the slot still names this run's group; the group id stays reserved until
// the child is reaped, so a terminate racing with this never hits a stranger.
void unpublish(ProcessSlot& slot, pid_t group) {
  std::lock_guard guard(processLock);
  if (slot.group == group) slot.group = noProcessGroup;
}

// A descriptor that becomes readable when the child ends, or -1 (kernels before 5.3). Called
// directly: glibc 2.36's header declares the wrapper without C linkage.
int openPidfd(pid_t pid) {
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

bool hasExited(pid_t pid) {
  siginfo_t info{};
  if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
    return errno != EINTR;  // ECHILD: reaped elsewhere, which also means it has ended
  return info.si_pid == pid;
}

void waitForExit(pid_t pid, int pidfd) {
  if (pidfd >= 0) {
    pollfd watch{pidfd, POLLIN, 0};
    while (::poll(&watch, 1, -1) < 0 && errno == EINTR) {
    }
    return;
  }
  siginfo_t info{};
  while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
}

// Reaps the child, then every member of its group that was re-parented to us. Answers the exit
// code: the child's status, 1 when a signal ended it or its status is lost.
int reapGroup(pid_t pid) {
  int status = 0;
  pid_t reaped;
  while ((reaped = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  int exitCode = (reaped == pid && WIFEXITED(status)) ? WEXITSTATUS(status) : 1;
  for (;;) {
    int ignored;
    pid_t r = ::waitpid(-pid, &ignored, 0);
    if (r < 0 && errno != EINTR) break;
  }
  return exitCode;
}

// Reads the child's output to its end and turns it into lines. Ends early only when the child
// has ended, its group was killed, and a descendant outside the group still holds the pipe.
class OutputReader {
 public:
  OutputReader(int fd, pid_t pid, const LineCallback& onLine)
      : fd_(fd), pid_(pid), pidfd_(openPidfd(pid)), onLine_(onLine) {}
  ~OutputReader() {
    if (pidfd_ >= 0) ::close(pidfd_);
  }
  OutputReader(const OutputReader&) = delete;
  OutputReader& operator=(const OutputReader&) = delete;

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

  // After run(): makes sure the child has ended, then kills what it left behind.
  void finishChild() {
    if (childEnded_) return;
    waitForExit(pid_, pidfd_);
    childEnded();
  }

 private:
  void childEnded() {
    childEnded_ = true;
    killGroup(pid_);
    drainDeadline_ = Clock::now() + drainLimit;
  }

  // Waits until the pipe has data or has ended; answers false once the drain limit has passed.
  bool waitForOutput() {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {pidfd_, POLLIN, 0}};
    bool watchExit = !childEnded_ && pidfd_ >= 0;
    int timeout = -1;
    if (childEnded_) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(drainDeadline_ - Clock::now()).count();
      if (left <= 0) return false;
      timeout = static_cast<int>(left);
    } else if (pidfd_ < 0) {
      timeout = exitPollMs;
    }
    int ready = ::poll(fds, watchExit ? 2 : 1, timeout);
    if (ready < 0) return errno == EINTR;
    if (!childEnded_ && (watchExit ? fds[1].revents != 0 : hasExited(pid_))) childEnded();
    return true;
  }

  int fd_;
  pid_t pid_;
  int pidfd_;
  const LineCallback& onLine_;
  LineSplitter splitter_;
  bool childEnded_ = false;
  Clock::time_point drainDeadline_{};
};

// Closes the pipe, clears the slot and reaps the group; also when a callback throws, so that no
// child, slot entry or descriptor outlives the run.
class RunningChild {
 public:
  RunningChild(ProcessSlot& slot, pid_t pid, int outputFd) : slot_(slot), pid_(pid), outputFd_(outputFd) {}
  ~RunningChild() {
    if (outputFd_ < 0) return;
    killGroup(pid_);
    (void)finish();
  }
  RunningChild(const RunningChild&) = delete;
  RunningChild& operator=(const RunningChild&) = delete;

  int finish() {
    ::close(outputFd_);
    outputFd_ = -1;
    unpublish(slot_, pid_);
    return reapGroup(pid_);
  }

 private:
  ProcessSlot& slot_;
  pid_t pid_;
  int outputFd_;
};

}  // namespace

int runProcess(std::wstring commandLine, const LineCallback& onLine, ProcessSlot& jobSlot, bool honourCancel,
               std::wstring_view workingDirectory) {
  becomeSubreaper();
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
    (void)reapGroup(child.pid);
    reportStartFailure(error);
    return -1;
  }

  ::fcntl(output[0], F_SETFL, ::fcntl(output[0], F_GETFL) | O_NONBLOCK);
  RunningChild running{jobSlot, child.pid, output[0]};
  OutputReader reader(output[0], child.pid, onLine);
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
