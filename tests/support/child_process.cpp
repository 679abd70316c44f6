#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace tarnwick::test {
namespace fs = std::filesystem;
namespace {

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

std::vector<std::string> environmentWith(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry(*e);
    bool replaced = false;
    for (const auto& x : extra) {
      auto eq = x.find('=');
      if (entry.compare(0, eq + 1, x, 0, eq + 1) == 0) replaced = true;
    }
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

// Through syscall(): glibc's <sys/pidfd.h> lacks C linkage for C++ callers.
int pidfdOpen(pid_t pid) {
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}
void pidfdSignal(int pidfd, int sig) {
  ::syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0);
}

int exitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

pid_t spawn(const std::vector<std::string>& argv, int outFd, int inheritFd, int inheritAs,
            const std::vector<std::string>& extraEnv) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (outFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outFd, 2);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  if (inheritFd >= 0) posix_spawn_file_actions_adddup2(&actions, inheritFd, inheritAs);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // Its own process group, so that a test can stop everything it started at once.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  std::vector<std::string> args = argv;
  std::vector<std::string> env = environmentWith(extraEnv);
  auto argp = pointers(args);
  auto envp = pointers(env);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0].c_str(), &actions, &attr, argp.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  return pid;
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !status_) {
    signal(SIGKILL);
    (void)wait(std::chrono::seconds(10));
  }
  if (pidfd_ >= 0) ::close(pidfd_);
}

bool ChildProcess::start(const std::vector<std::string>& argv, const fs::path& output,
                         const std::vector<std::string>& extraEnv) {
  int outFd = output.empty() ? -1 : ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  pid_ = spawn(argv, outFd, -1, -1, extraEnv);
  if (outFd >= 0) ::close(outFd);
  if (pid_ <= 0) return false;
  pidfd_ = pidfdOpen(pid_);
  return pidfd_ >= 0;
}

bool ChildProcess::startWithDescriptor(const std::vector<std::string>& argv, int fd, int as,
                                       const fs::path& output) {
  int outFd = output.empty() ? -1 : ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  pid_ = spawn(argv, outFd, fd, as, {});
  if (outFd >= 0) ::close(outFd);
  if (pid_ <= 0) return false;
  pidfd_ = pidfdOpen(pid_);
  return pidfd_ >= 0;
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds limit) {
  if (status_) return status_;
  if (pid_ <= 0) return std::nullopt;
  pollfd p{pidfd_, POLLIN, 0};
  if (::poll(&p, 1, static_cast<int>(limit.count())) <= 0) return std::nullopt;
  int status = 0;
  if (::waitpid(pid_, &status, 0) != pid_) return std::nullopt;
  status_ = exitCodeOf(status);
  return status_;
}

bool ChildProcess::running() {
  if (status_ || pid_ <= 0) return false;
  return !wait(std::chrono::milliseconds(0));
}

void ChildProcess::signal(int sig) {
  if (pid_ > 0 && !status_) pidfdSignal(pidfd_, sig);
}

ToolResult runProgram(const std::vector<std::string>& argv, std::chrono::milliseconds limit) {
  ToolResult result;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return result;
  pid_t pid = spawn(argv, -1, fds[1], 1, {});
  ::close(fds[1]);
  if (pid <= 0) {
    ::close(fds[0]);
    return result;
  }
  auto deadline = std::chrono::steady_clock::now() + limit;
  char buffer[4096];
  for (;;) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{fds[0], POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
      ::kill(pid, SIGKILL);
      break;
    }
    ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    result.output.append(buffer, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  if (::waitpid(pid, &status, 0) == pid) result.exitCode = exitCodeOf(status);
  return result;
}

std::vector<pid_t> childrenOf(pid_t parent) {
  std::vector<pid_t> out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    std::string name = entry.path().filename();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // pid (comm) state ppid ...; comm may hold spaces and parentheses.
    auto close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 2));
    char state = 0;
    pid_t ppid = 0;
    rest >> state >> ppid;
    if (ppid == parent && state != 'Z') out.push_back(static_cast<pid_t>(std::stoi(name)));
  }
  return out;
}

}  // namespace tarnwick::test
