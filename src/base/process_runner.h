// Runs one child process and reads its output line by line.
//
// The runner lives in the base layer because the pipeline, setup and lookup layers all drive
// tools through it. On Windows each run gets a job object of its own, on POSIX a process group
// that plays its role: terminating the slot kills the whole job, the child and all it started.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/job_control.h"

namespace tarnwick {

// Called on the running worker's thread, once per non-empty output line (line end removed). The
// string is valid only during the call: the runner reuses it for the next line.
using LineCallback = std::function<void(const std::wstring& line)>;

// Starts `commandLine` (quoted with quoteArgument; its first argument is the program's path,
// which is not looked up on PATH) without a shell: standard input /dev/null, standard output and
// error on one pipe, every other descriptor closed, PYTHONIOENCODING=utf-8 added to the
// environment. The child's process group is published in `jobSlot` under processLock before the
// child may run; with honourCancel a cancelRequested already set kills it before it executes
// anything. Returns once the child has ended and its output has been read to the end: its exit
// code, 1 when a signal ended it (a killed run), -1 when it cannot be started (then one
// WM_APP_LOG line "Error: could not start process (code N)." with the errno, 2 for a missing
// file). The callback runs on the calling thread, never under processLock.
//
// When the child ends, whatever is left of its group is killed and reaped before the return, so
// nothing it started outlives the run. The reaping is done by a small supervisor process between
// Tarnwick and the child (see child_process_posix.h), so Tarnwick is never a subreaper and
// programs that others start for the window are never left as its zombies. A descendant that
// left the group (setsid) is not killed and keeps the run waiting for the end of output at most a
// second. The child dies with Tarnwick, and with the thread that runs it, which stays inside
// runProcess until the child has ended.
//
// On Windows the same text goes to CreateProcessW unchanged: the null device as standard input,
// only the pipe and that handle inherited, the job published before the suspended child is
// resumed, and TerminateJobObject(job, 1) as the kill. The error code is the system's
// (ERROR_FILE_NOT_FOUND, 2, for a missing file; a command line without a program counts as that);
// CreateProcessW's own rules apply to the program's name, so Tarnwick always passes a full path.
// Once the child has ended, its job is terminated, so whatever it started ends with it; nothing
// can leave the job. The job dies with Tarnwick (its last handle closes).
//
// A non-empty `workingDirectory` is the child's current folder; when it cannot be entered the run
// fails to start like a missing program (its errno in the log line).
[[nodiscard]] int runProcess(std::wstring commandLine, const LineCallback& onLine, ProcessSlot& jobSlot,
                             bool honourCancel, std::wstring_view workingDirectory = {});

// UI thread, on Cancel and at quit: sets cancelRequested and kills the download slot's group.
void cancelDownloadJob();
// UI thread, at quit: kills the slot's group. The runner clears the slot when its child has ended.
void terminateJobSlot(ProcessSlot& slot);

}  // namespace tarnwick
