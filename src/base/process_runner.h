// Runs one child process and reads its output line by line.
//
// The runner lives in the base layer because the pipeline, setup and lookup layers all drive
// tools through it. On POSIX each run gets its own process group, which plays the role of the
// Windows job object: terminating the slot kills the whole group.
#pragma once

#include <functional>
#include <string>

#include "base/job_control.h"

namespace tarnwick {

// Called on the running worker's thread, once per non-empty output line (line end removed).
using LineCallback = std::function<void(const std::wstring& line)>;

// Starts `commandLine` (quoted with quoteArgument; its first argument is the program's path)
// without a shell: standard input /dev/null, standard output and error on one pipe, every other
// descriptor closed. The child's process group is published in `jobSlot` under processLock
// before the child may run; with honourCancel a cancelRequested already set kills it before it
// executes anything. Returns the exit code once the child has ended and its output has been read
// to the end: 1 for a killed run, -1 when it cannot be started (then one WM_APP_LOG line
// "Error: could not start process (code N)." with the errno).
[[nodiscard]] int runProcess(std::wstring commandLine, const LineCallback& onLine, ProcessSlot& jobSlot,
                             bool honourCancel);

// UI thread, on Cancel and at quit: sets cancelRequested and kills the download slot's group.
void cancelDownloadJob();
// UI thread, at quit: kills the slot's group. The runner clears the slot when its child has ended.
void terminateJobSlot(ProcessSlot& slot);

}  // namespace tarnwick
