#include "base/child_process_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string_view>

extern char** environ;

namespace tarnwick::posix {
namespace {

constexpr std::string_view pythonEncoding = "PYTHONIOENCODING=utf-8";

// Everything the child needs, prepared before fork: after fork only async-signal-safe calls are
// allowed, because another thread may have held the allocator's lock at that moment.
struct ChildPlan {
  const char* program;
  char* const* argv;
  char* const* envp;
  const char* workingDirectory;  // null: the parent's
  pid_t parentPid;
  int outputFd;
  int holdFd;
  int reportFd;
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

// ---- child side: async-signal-safe only ----

void closeRange(unsigned first, unsigned last, unsigned maxFd) {
  if (first > last) return;
  if (::close_range(first, last, 0) == 0) return;
  for (unsigned fd = first; fd <= last && fd < maxFd; ++fd) ::close(static_cast<int>(fd));
}

// Closes every descriptor from 3 up except the two sync pipes. Closing rather than marking
// close-on-exec matters: a sibling child forked by another thread holds copies of our pipes, and
// it must drop them before it waits on its own hold pipe, or two held children could keep each
// other's hold pipe open.
void closeOthers(const ChildPlan& plan) {
  unsigned low = static_cast<unsigned>(std::min(plan.holdFd, plan.reportFd));
  unsigned high = static_cast<unsigned>(std::max(plan.holdFd, plan.reportFd));
  closeRange(3, low - 1, plan.maxFd);
  closeRange(low + 1, high - 1, plan.maxFd);
  closeRange(high + 1, ~0u, plan.maxFd);
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

[[noreturn]] void runChild(const ChildPlan& plan) {
  ::setpgid(0, 0);
  // Die with the parent; if it is already gone the signal will never come, so leave now.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != plan.parentPid) ::_exit(127);

  int nullFd = ::open("/dev/null", O_RDONLY);
  if (nullFd < 0)
    ::close(0);
  else if (nullFd != 0)
    ::dup2(nullFd, 0);
  ::dup2(plan.outputFd, 1);
  ::dup2(plan.outputFd, 2);
  closeOthers(plan);

  // Held until the parent has published our group and checked for a Cancel; it may kill us here.
  char byte;
  while (::read(plan.holdFd, &byte, 1) < 0 && errno == EINTR) {
  }
  ::close(plan.holdFd);

  resetSignals();
  if (plan.workingDirectory == nullptr || ::chdir(plan.workingDirectory) == 0)
    ::execve(plan.program, plan.argv, plan.envp);
  int error = errno;
  ssize_t written = ::write(plan.reportFd, &error, sizeof error);
  (void)written;
  ::_exit(127);
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

int startHeldChild(const ChildLaunch& launch, int outputFd, HeldChild& child) {
  if (launch.arguments.empty()) return ENOENT;
  std::vector<char*> argv = pointerArray(launch.arguments);
  std::vector<char*> envp = pointerArray(launch.environment);

  int hold[2];
  int report[2];
  if (!makePipe(hold)) return errno;
  if (!makePipe(report)) {
    int error = errno;
    ::close(hold[0]);
    ::close(hold[1]);
    return error;
  }
  const char* workingDirectory = launch.workingDirectory.empty() ? nullptr : launch.workingDirectory.c_str();
  const ChildPlan plan{argv[0],  argv.data(), envp.data(), workingDirectory, ::getpid(),
                       outputFd, hold[0],     report[1],   descriptorLimit()};

  // No handler of the parent may run in the child before exec: block everything across fork.
  sigset_t all;
  sigset_t previous;
  sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &previous);
  pid_t pid = ::fork();
  if (pid == 0) runChild(plan);
  int forkError = errno;
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);

  ::close(hold[0]);
  ::close(report[1]);
  if (pid < 0) {
    ::close(hold[1]);
    ::close(report[0]);
    return forkError;
  }
  // Also in the parent, so the group exists whichever side runs first.
  ::setpgid(pid, pid);
  child = HeldChild{pid, hold[1], report[0]};
  return 0;
}

int releaseHeldChild(HeldChild& child) {
  // Closing (rather than writing) cannot raise SIGPIPE when the child was already killed.
  ::close(child.holdFd);
  child.holdFd = -1;
  int error = 0;
  std::size_t got = 0;
  char* into = reinterpret_cast<char*>(&error);
  while (got < sizeof error) {
    ssize_t n = ::read(child.reportFd, into + got, sizeof error - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(child.reportFd);
  child.reportFd = -1;
  return got == sizeof error ? (error != 0 ? error : ENOEXEC) : 0;
}

}  // namespace tarnwick::posix
