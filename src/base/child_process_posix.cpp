#include "base/child_process_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string_view>

extern char** environ;

namespace tarnwick::posix {
namespace {

constexpr std::string_view pythonEncoding = "PYTHONIOENCODING=utf-8";

// Everything the supervisor and the tool need, prepared before fork: after fork only
// async-signal-safe calls are allowed, because another thread may have held the allocator's lock
// at that moment.
struct ChildPlan {
  const char* program;
  char* const* argv;
  char* const* envp;
  const char* workingDirectory;  // null: the parent's
  int outputFd;
  int holdFd;
  int reportFd;
  int controlFd;   // the supervisor's end of its channel to the runner
  unsigned maxFd;  // used only where close_range is missing
};

std::vector<char*> pointerArray(const std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  pointers.reserve(strings.size() + 1);
  for (const std::string& s : strings) pointers.push_back(const_cast<char*>(s.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

unsigned descriptorLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 65536;
  return static_cast<unsigned>(std::min<rlim_t>(limit.rlim_cur, 1u << 20));
}

// A process started with some standard descriptor closed gets new descriptors there; the child's
// dup2 onto 0..2 must never overwrite one of ours.
int aboveStandard(int fd) {
  if (fd > 2) return fd;
  int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  ::close(fd);
  return moved;
}

// ---- supervisor and tool side: async-signal-safe only ----

void closeRange(unsigned first, unsigned last, unsigned maxFd) {
  if (first > last) return;
  if (::close_range(first, last, 0) == 0) return;
  for (unsigned fd = first; fd <= last && fd < maxFd; ++fd) ::close(static_cast<int>(fd));
}

// Closes every descriptor from 3 up except `keep` (ascending, each above 2). Closing rather than
// marking close-on-exec matters: a sibling forked by another thread holds copies of our pipes,
// and it must drop them before it waits on its own hold pipe, or two held children could keep
// each other's hold pipe open.
void closeAllBut(const int* keep, int count, unsigned maxFd) {
  unsigned next = 3;
  for (int i = 0; i < count; ++i) {
    unsigned fd = static_cast<unsigned>(keep[i]);
    if (fd > next) closeRange(next, fd - 1, maxFd);
    next = fd + 1;
  }
  closeRange(next, ~0u, maxFd);
}

void sortAscending(int* fds, int count) {
  for (int i = 1; i < count; ++i)
    for (int j = i; j > 0 && fds[j - 1] > fds[j]; --j) {
      int t = fds[j];
      fds[j] = fds[j - 1];
      fds[j - 1] = t;
    }
}

void openNullOn(int fd, int flags) {
  int nullFd = ::open("/dev/null", flags);
  if (nullFd < 0) {
    ::close(fd);
  } else if (nullFd != fd) {
    ::dup2(nullFd, fd);
    ::close(nullFd);
  }
}

// The parent may ignore signals (SIGPIPE) or have handlers; the program gets the defaults and an
// empty mask, as a freshly started program expects.
void resetSignals() {
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigemptyset(&byDefault.sa_mask);
  for (int sig = 1; sig < NSIG; ++sig) {
    struct sigaction current {};
    if (::sigaction(sig, nullptr, &current) == 0 && current.sa_handler != SIG_DFL)
      ::sigaction(sig, &byDefault, nullptr);
  }
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

bool writeAll(int fd, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

[[noreturn]] void runTool(const ChildPlan& plan, pid_t supervisor) {
  ::setpgid(0, 0);
  // Die with the supervisor; if it is already gone the signal will never come, so leave now.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != supervisor) ::_exit(127);

  ::dup2(plan.outputFd, 1);
  ::dup2(plan.outputFd, 2);
  int keep[] = {plan.holdFd, plan.reportFd};
  sortAscending(keep, 2);
  closeAllBut(keep, 2, plan.maxFd);

  // Held until the runner has published our group and checked for a Cancel; it may kill us here.
  char byte;
  while (::read(plan.holdFd, &byte, 1) < 0 && errno == EINTR) {
  }
  ::close(plan.holdFd);

  resetSignals();
  if (plan.workingDirectory == nullptr || ::chdir(plan.workingDirectory) == 0)
    ::execve(plan.program, plan.argv, plan.envp);
  int error = errno;
  (void)writeAll(plan.reportFd, &error, sizeof error);
  ::_exit(127);
}

// A descriptor that becomes readable when the process ends, or -1 (kernels before 5.3).
int openPidfd(pid_t pid) {
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

// Waits until the tool has ended (answers true, the tool left unreaped so that its group id stays
// taken) or the runner has closed the control channel (answers false).
bool waitForToolOrRunner(pid_t tool, int controlFd, siginfo_t& ended) {
  int pidfd = openPidfd(tool);
  for (;;) {
    pollfd fds[2] = {{controlFd, POLLIN, 0}, {pidfd, POLLIN, 0}};
    // Without pidfd the supervisor looks again every 50 ms.
    ::poll(fds, pidfd >= 0 ? 2 : 1, pidfd >= 0 ? -1 : 50);
    ended = siginfo_t{};
    if (::waitid(P_PID, static_cast<id_t>(tool), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        ended.si_pid == tool)
      break;
    if (fds[0].revents != 0) {
      if (pidfd >= 0) ::close(pidfd);
      return false;
    }
  }
  if (pidfd >= 0) ::close(pidfd);
  return true;
}

// Reaps the whole group (its members are re-parented to us as they lose their parents), then any
// other child that has already ended. Children that left the group and still run are left to
// init when we exit.
void reapGroup(pid_t group) {
  while (group > 0 && (::waitpid(-group, nullptr, 0) > 0 || errno == EINTR)) {
  }
  while (::waitpid(-1, nullptr, WNOHANG) > 0) {
  }
}

// The supervisor: the runner's own child, which starts the tool and becomes the subreaper of the
// tool's subtree, so that everything the tool starts is reaped here and never becomes a zombie
// of Tarnwick. It tells the runner the tool's pid, then that the tool has ended, and reaps the
// group once the runner has closed the channel (by then the runner has cleared its slot, so the
// group id cannot be reused under a terminate). A channel closed before the tool ended means the
// runner, or Tarnwick, is gone: the group is killed. Every signal stays blocked here (the runner
// forked with all of them blocked), so only SIGKILL ends the supervisor early.
[[noreturn]] void runSupervisor(const ChildPlan& plan) {
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
  // Tarnwick's standard descriptors are none of our business.
  openNullOn(0, O_RDONLY);
  openNullOn(1, O_WRONLY);
  openNullOn(2, O_WRONLY);
  int keep[] = {plan.outputFd, plan.holdFd, plan.reportFd, plan.controlFd};
  sortAscending(keep, 4);
  closeAllBut(keep, 4, plan.maxFd);

  const pid_t self = ::getpid();
  pid_t tool = ::_Fork();
  if (tool == 0) {
    ::close(plan.controlFd);
    runTool(plan, self);
  }
  int message = tool < 0 ? -errno : static_cast<int>(tool);
  if (tool > 0) ::setpgid(tool, tool);  // also here, so the group exists whichever side runs first
  ::close(plan.outputFd);
  ::close(plan.holdFd);
  ::close(plan.reportFd);
  if (!writeAll(plan.controlFd, &message, sizeof message) || tool < 0) {
    if (tool > 0) ::kill(-tool, SIGKILL);
    reapGroup(tool);
    ::_exit(127);
  }

  siginfo_t ended{};
  int exitCode = 1;
  if (waitForToolOrRunner(tool, plan.controlFd, ended)) {
    exitCode = ended.si_code == CLD_EXITED ? ended.si_status : 1;
    ::kill(-tool, SIGKILL);
    char byte = 1;
    (void)writeAll(plan.controlFd, &byte, 1);
    while (::read(plan.controlFd, &byte, 1) != 0 && errno == EINTR) {
    }
  } else {
    ::kill(-tool, SIGKILL);
  }
  reapGroup(tool);
  ::_exit(exitCode);
}

int readAll(int fd, void* data, std::size_t size) {
  char* bytes = static_cast<char*>(data);
  std::size_t got = 0;
  while (got < size) {
    ssize_t n = ::read(fd, bytes + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<int>(got);
}

int waitForExitCode(pid_t pid) {
  int status = 0;
  pid_t reaped;
  while ((reaped = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  return reaped == pid && WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

std::vector<std::string> childEnvironment() {
  std::vector<std::string> environment;
  for (char** entry = environ; entry && *entry; ++entry) {
    std::string_view text(*entry);
    if (text.starts_with("PYTHONIOENCODING=")) continue;
    environment.emplace_back(text);
  }
  environment.emplace_back(pythonEncoding);
  return environment;
}

bool makePipe(int fds[2]) {
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  fds[0] = aboveStandard(fds[0]);
  fds[1] = aboveStandard(fds[1]);
  if (fds[0] >= 0 && fds[1] >= 0) return true;
  int error = errno;
  if (fds[0] >= 0) ::close(fds[0]);
  if (fds[1] >= 0) ::close(fds[1]);
  errno = error;
  return false;
}

namespace {

void closeAll(std::initializer_list<int> fds) {
  for (int fd : fds)
    if (fd >= 0) ::close(fd);
}

// A socket pair with close-on-exec, both ends above the standard descriptors.
bool makeChannel(int fds[2]) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return false;
  fds[0] = aboveStandard(fds[0]);
  fds[1] = aboveStandard(fds[1]);
  if (fds[0] >= 0 && fds[1] >= 0) return true;
  int error = errno;
  closeAll({fds[0], fds[1]});
  errno = error;
  return false;
}

// No handler of ours may run in the supervisor: it forks with every signal blocked and keeps
// them so.
pid_t forkSupervisor(const ChildPlan& plan) {
  sigset_t all;
  sigset_t previous;
  sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &previous);
  pid_t pid = ::fork();
  if (pid == 0) runSupervisor(plan);
  int forkError = errno;
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  errno = forkError;
  return pid;
}

}  // namespace

int startHeldChild(const ChildLaunch& launch, int outputFd, HeldChild& child) {
  if (launch.arguments.empty()) return ENOENT;
  std::vector<char*> argv = pointerArray(launch.arguments);
  std::vector<char*> envp = pointerArray(launch.environment);

  int hold[2] = {-1, -1};
  int report[2] = {-1, -1};
  int control[2] = {-1, -1};
  if (!makePipe(hold) || !makePipe(report) || !makeChannel(control)) {
    int error = errno;
    closeAll({hold[0], hold[1], report[0], report[1], control[0], control[1]});
    return error;
  }
  const char* workingDirectory = launch.workingDirectory.empty() ? nullptr : launch.workingDirectory.c_str();
  const ChildPlan plan{argv[0],  argv.data(), envp.data(), workingDirectory, outputFd,
                       hold[0],  report[1],   control[1],  descriptorLimit()};
  pid_t supervisor = forkSupervisor(plan);
  int error = errno;
  closeAll({hold[0], report[1], control[1]});
  if (supervisor < 0) {
    closeAll({hold[1], report[0], control[0]});
    return error;
  }

  // The supervisor answers the tool's pid (its group is made by then), or minus the errno of
  // its fork.
  int message = 0;
  if (readAll(control[0], &message, sizeof message) != sizeof message) message = -EAGAIN;
  if (message <= 0) {
    closeAll({hold[1], report[0], control[0]});
    (void)waitForExitCode(supervisor);
    return -message;
  }
  child = HeldChild{static_cast<pid_t>(message), supervisor, hold[1], report[0], control[0]};
  return 0;
}

int releaseHeldChild(HeldChild& child) {
  // Closing (rather than writing) cannot raise SIGPIPE when the child was already killed.
  ::close(child.holdFd);
  child.holdFd = -1;
  int error = 0;
  bool reported = readAll(child.reportFd, &error, sizeof error) == sizeof error;
  ::close(child.reportFd);
  child.reportFd = -1;
  return reported ? (error != 0 ? error : ENOEXEC) : 0;
}

int finishSupervisedChild(HeldChild& child) {
  ::close(child.controlFd);
  child.controlFd = -1;
  return waitForExitCode(child.supervisor);
}

}  // namespace tarnwick::posix
