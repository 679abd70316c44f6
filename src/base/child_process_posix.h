// Starting a tool that is held before it runs anything (POSIX only; included by _posix.cpp files).
//
// The runner forks a small supervisor, which forks the tool and becomes the subreaper of the
// tool's subtree: whatever the tool starts is reaped there, never by Tarnwick, so Tarnwick itself
// needs no subreaper role (which would leave every program GLib launches for the window as a
// zombie of ours once its launcher exits). The tool gets a process group of its own, /dev/null as
// standard input, one descriptor as standard output and error and no other descriptor, then waits
// until the runner releases it. That gives the runner a moment to publish the group and to kill
// it before the program executes.
//
// The runner and the supervisor talk over one channel: the supervisor sends the tool's pid, then
// makes the channel readable once the tool has ended (having killed the tool's group). Closing the
// channel tells the supervisor to reap the group and exit with the tool's exit code; a channel
// closed early (the runner, or Tarnwick, is gone) makes it kill the group first. The tool dies with
// its supervisor (parent-death signal).
//
// Known cost: the supervisor is a copy-on-write image of Tarnwick for as long as the tool runs, so
// pages Tarnwick writes meanwhile are copied once. A supervisor started from a small helper (forked
// before the window exists, or its own executable) would avoid that.
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
  pid_t pid = -1;         // the tool; also the id of its process group
  pid_t supervisor = -1;  // our own child, the tool's parent
  int holdFd = -1;        // closing it lets the tool go on to exec
  int reportFd = -1;      // carries the errno of a failed exec; end of file once exec succeeded
  int controlFd = -1;     // readable once the tool has ended; see finishSupervisedChild
};

// The parent's environment with PYTHONIOENCODING=utf-8 (replacing any value it had).
[[nodiscard]] std::vector<std::string> childEnvironment();

// Forks the supervisor and through it the held tool with `outputFd` as its standard output and
// error. Answers 0, or the errno when no tool could be made. The caller still owns outputFd.
[[nodiscard]] int startHeldChild(const ChildLaunch& launch, int outputFd, HeldChild& child);

// Lets the tool exec and waits until it has (or has died). Answers 0, or the errno of the failed
// exec. Closes the tool's two sync descriptors.
[[nodiscard]] int releaseHeldChild(HeldChild& child);

// Closes the channel and waits for the supervisor, which reaps the tool's group first (killing it
// when the tool has not ended yet). Answers the tool's exit code, 1 when a signal ended it.
[[nodiscard]] int finishSupervisedChild(HeldChild& child);

// pipe2 with close-on-exec, both ends above the standard descriptors.
[[nodiscard]] bool makePipe(int fds[2]);

}  // namespace tarnwick::posix
