// Starting a child that is held before it runs anything (POSIX only; included by _posix.cpp files).
//
// The child gets a process group of its own, /dev/null as standard input, one descriptor as
// standard output and error and no other descriptor, then waits until the parent releases it.
// That gives the parent a moment to publish the group and to kill it before the program executes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tarnwick::posix {

struct ChildLaunch {
  std::vector<std::string> arguments;  // arguments[0] is the program's path (no PATH search)
  std::vector<std::string> environment;
  std::string workingDirectory;  // empty: the parent's
};

struct HeldChild {
  pid_t pid = -1;     // also the id of its process group
  int holdFd = -1;    // closing it lets the child go on to exec
  int reportFd = -1;  // carries the errno of a failed exec; end of file once exec succeeded
};

// The parent's environment with PYTHONIOENCODING=utf-8 (replacing any value it had).
[[nodiscard]] std::vector<std::string> childEnvironment();

// Forks the held child with `outputFd` as its standard output and error. Answers 0, or the errno
// when no child could be made. The caller still owns outputFd.
[[nodiscard]] int startHeldChild(const ChildLaunch& launch, int outputFd, HeldChild& child);

// Lets the child exec and waits until it has (or has died). Answers 0, or the errno of the failed
// exec. Closes the child's two sync descriptors.
[[nodiscard]] int releaseHeldChild(HeldChild& child);

// pipe2 with close-on-exec, both ends above the standard descriptors.
[[nodiscard]] bool makePipe(int fds[2]);

}  // namespace tarnwick::posix
