// The Windows runner: every run gets a job object of its own (see child_process_win32.h).
#include "base/process_runner.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <thread>

#include "base/channel.h"
#include "base/child_process_win32.h"
#include "base/command_line.h"
#include "base/line_splitter.h"

namespace tarnwick {
namespace {

// Large reads keep the cost per byte low; the pipe is sized to match so a fast child is not
// switched out after every few kilobytes.
constexpr DWORD readBufferSize = 1 << 18;

HANDLE jobOf(ProcessGroupHandle group) {
  return reinterpret_cast<HANDLE>(group);
}
ProcessGroupHandle groupOf(HANDLE job) {
  return reinterpret_cast<ProcessGroupHandle>(job);
}

void reportStartFailure(DWORD error) {
  postText(WM_APP_LOG, L"Error: could not start process (code " + std::to_wstring(error) + L").");
}

// A command line without a program would make CreateProcessW take the next word as one, or fail
// with a code that differs between versions; it is a missing file, as on POSIX.
bool namesAProgram(std::wstring_view commandLine) {
  std::vector<std::wstring> arguments = splitCommandLine(commandLine);
  return !arguments.empty() && !arguments.front().empty();
}

void publish(ProcessSlot& slot, HANDLE job) {
  std::lock_guard guard(processLock);
  slot.group = groupOf(job);
}

// Cleared only while the slot still names this run's job, and before the job handle is closed,
// so a terminate racing with it never uses a closed handle.
void unpublish(ProcessSlot& slot, HANDLE job) {
  std::lock_guard guard(processLock);
  if (slot.group == groupOf(job)) slot.group = noProcessGroup;
}

// Owns the running child. Once the tool itself has ended, a watcher terminates its job, so that
// whatever the tool started and left running (holding the pipe open) ends too and the read loop
// sees the end of output. Also when a callback throws, nothing outlives the run.
class RunningChild {
 public:
  RunningChild(ProcessSlot& slot, win32::HeldChild& child, HANDLE output)
      : slot_(slot), child_(child), output_(output) {
    watcher_ = std::thread([this] {
      WaitForSingleObject(child_.process, INFINITE);
      if (child_.job) TerminateJobObject(child_.job, 1);
    });
  }
  ~RunningChild() {
    if (!output_) return;
    if (child_.job) TerminateJobObject(child_.job, 1);
    TerminateProcess(child_.process, 1);  // in case it is in no job
    (void)finish();
  }
  RunningChild(const RunningChild&) = delete;
  RunningChild& operator=(const RunningChild&) = delete;

  int finish() {
    CloseHandle(output_);
    output_ = nullptr;
    watcher_.join();  // the tool has ended
    DWORD code = 1;
    GetExitCodeProcess(child_.process, &code);
    unpublish(slot_, child_.job);
    win32::closeChild(child_);
    return static_cast<int>(code);
  }

 private:
  ProcessSlot& slot_;
  win32::HeldChild& child_;
  HANDLE output_;
  std::thread watcher_;
};

void readLines(HANDLE output, const LineCallback& onLine) {
  auto buffer = std::make_unique_for_overwrite<char[]>(readBufferSize);
  LineSplitter splitter;
  std::wstring wide;
  auto deliver = [&](std::string_view line) {
    decodeLine(line, wide);
    onLine(wide);
  };
  DWORD n = 0;
  // A broken pipe (every writer gone) ends the output like a read of nothing.
  while (ReadFile(output, buffer.get(), readBufferSize, &n, nullptr) && n > 0)
    splitter.feed(buffer.get(), n, deliver);
  splitter.finish(deliver);
}

}  // namespace

int runProcess(std::wstring commandLine, const LineCallback& onLine, ProcessSlot& jobSlot, bool honourCancel,
               std::wstring_view workingDirectory) {
  if (!namesAProgram(commandLine)) {
    reportStartFailure(ERROR_FILE_NOT_FOUND);
    return -1;
  }
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, readBufferSize)) return -1;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

  win32::HeldChild child;
  DWORD error = win32::startHeldChild(commandLine, workingDirectory, writeEnd, child);
  // Only the child's copy may remain, so the end of output arrives once it and its own are gone.
  CloseHandle(writeEnd);
  commandLine.clear();
  if (error != 0) {
    CloseHandle(readEnd);
    reportStartFailure(error);
    return -1;
  }

  publish(jobSlot, child.job);
  if (honourCancel && cancelRequested.load()) {
    if (child.job)
      TerminateJobObject(child.job, 1);
    else
      TerminateProcess(child.process, 1);
  }
  RunningChild running{jobSlot, child, readEnd};
  win32::releaseHeldChild(child);
  readLines(readEnd, onLine);
  return running.finish();
}

void terminateJobSlot(ProcessSlot& slot) {
  std::lock_guard guard(processLock);
  if (slot.group != noProcessGroup) TerminateJobObject(jobOf(slot.group), 1);
}

void cancelDownloadJob() {
  cancelRequested.exchange(true);
  terminateJobSlot(downloadProcessJob);
}

}  // namespace tarnwick
