// Starting a tool inside a job object of its own, held before it runs anything (Windows only;
// included by _win32.cpp files).
//
// The tool is created suspended and put into a fresh job whose last handle closing kills every
// process in it (JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE). Processes it starts join the same job and
// cannot break away, so terminating the job ends the whole tree, and the tree dies with Tarnwick
// (whose death closes the job handle). It inherits exactly two handles: the null device as
// standard input and one handle as standard output and error, whatever other threads are starting
// at the same moment.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tarnwick::win32 {

struct HeldChild {
  HANDLE process = nullptr;
  HANDLE thread = nullptr;  // suspended until releaseHeldChild
  HANDLE job = nullptr;
};

// The parent's environment block with PYTHONIOENCODING=utf-8 (replacing any value it had, in any
// letter case), for CREATE_UNICODE_ENVIRONMENT.
[[nodiscard]] std::wstring childEnvironment();

// Starts `commandLine` (CreateProcessW may write into it) hidden, suspended, in a new job, with
// `output` as standard output and error. A non-empty `workingDirectory` is its current folder.
// Answers 0, or the system error code when no process could be made (then `child` holds nothing).
[[nodiscard]] DWORD startHeldChild(std::wstring& commandLine, std::wstring_view workingDirectory,
                                   HANDLE output, HeldChild& child);

// Lets the tool run.
void releaseHeldChild(HeldChild& child);

// Closes what startHeldChild opened; closing the job kills whatever is still in it.
void closeChild(HeldChild& child);

}  // namespace tarnwick::win32
