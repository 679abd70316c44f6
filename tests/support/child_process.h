// Starting, watching and stopping real programs from a test, without a shell.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::test {

// One started program. Its standard output and error go to `output` (or /dev/null); it inherits
// the test's environment plus `extraEnv` ("NAME=value").
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // kills and reaps a program still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool start(const std::vector<std::string>& argv, const std::filesystem::path& output = {},
             const std::vector<std::string>& extraEnv = {});
  // As start, and the program also gets `fd` of this process as its descriptor `as`.
  bool startWithDescriptor(const std::vector<std::string>& argv, int fd, int as,
                           const std::filesystem::path& output = {});
  // Waits for the program to end (on its process descriptor, not on a clock); its exit code, or
  // 128 + signal, or nullopt when it still runs after `limit`.
  std::optional<int> wait(std::chrono::milliseconds limit);
  [[nodiscard]] bool running();
  void signal(int sig);
  [[nodiscard]] pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int pidfd_ = -1;
  std::optional<int> status_;
};

struct ToolResult {
  int exitCode = -1;
  std::string output;  // standard output only
};

// Runs a program to its end and collects its standard output.
ToolResult runProgram(const std::vector<std::string>& argv,
                   std::chrono::milliseconds limit = std::chrono::seconds(30));

// Process ids of every living process whose parent is `parent`.
std::vector<pid_t> childrenOf(pid_t parent);

}  // namespace tarnwick::test
