#include "base/process_runner.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "base/command_line.h"
#include "base/text.h"
#include "channel_recorder.h"
#include "sandbox.h"

namespace tarnwick {
namespace {

using test::ChannelRecorder;
using test::Sandbox;
using Lines = std::vector<std::wstring>;

std::wstring shellCommand(const std::string& script) {
  return quoteArgument(L"/bin/sh") + L" -c " + quoteArgument(utf8ToWide(script));
}

struct RunResult {
  int exitCode = 0;
  Lines lines;
};

RunResult run(const std::wstring& commandLine, ProcessSlot& slot = previewProcessJob,
              bool honourCancel = false) {
  RunResult result;
  result.exitCode = runProcess(
      commandLine, [&](const std::wstring& line) { result.lines.push_back(line); }, slot, honourCancel);
  return result;
}

RunResult runShell(const std::string& script) {
  return run(shellCommand(script));
}

ProcessGroupHandle slotValue(const ProcessSlot& slot) {
  std::lock_guard guard(processLock);
  return slot.group;
}

// True when no process of the group exists any more, zombies included.
bool groupIsGone(ProcessGroupHandle group) {
  errno = 0;
  return ::kill(-static_cast<pid_t>(group), 0) == -1 && errno == ESRCH;
}

TEST(RunProcessLines, SplitsOnCarriageReturnAndLineFeedAndDropsEmptyLines) {
  EXPECT_EQ(runShell("/usr/bin/printf 'a\\r\\nb'").lines, (Lines{L"a", L"b"}));
  EXPECT_EQ(runShell("/usr/bin/printf '\\r\\n\\r\\n'").lines, Lines{});
  EXPECT_EQ(runShell("/usr/bin/printf '10%%\\r20%%\\r\\n\\n\\ndone\\n'").lines,
            (Lines{L"10%", L"20%", L"done"}));
  EXPECT_EQ(runShell("/usr/bin/printf 'ok\\n'; echo err >&2").lines, (Lines{L"ok", L"err"}));
}

TEST(RunProcessLines, DecodesUtf8PerWholeLine) {
  EXPECT_EQ(runShell("/usr/bin/printf 'caf\\303\\251 \\344\\270\\255\\n\\377x'").lines,
            (Lines{L"caf\u00e9 \u4e2d", L"\uFFFDx"}));
}

TEST(RunProcessExit, PassesExitCodesThrough) {
  EXPECT_EQ(runShell("exit 0").exitCode, 0);
  EXPECT_EQ(runShell("exit 7").exitCode, 7);
  EXPECT_EQ(runShell("exit 255").exitCode, 255);
  // Ended by a signal: reported like a killed job.
  EXPECT_EQ(runShell("echo before; kill -9 $$").exitCode, 1);
}

TEST(RunProcessStart, MissingProgramLogsOneLineWithTheErrno) {
  ChannelRecorder recorder;
  RunResult result = run(quoteArgument(L"/nonexistent/tool") + L" --version");
  EXPECT_EQ(result.exitCode, -1);
  EXPECT_TRUE(result.lines.empty());
  EXPECT_EQ(recorder.texts(WM_APP_LOG), Lines{L"Error: could not start process (code 2)."});
  EXPECT_EQ(slotValue(previewProcessJob), noProcessGroup);
}

TEST(RunProcessStart, CancelBeforeStartKillsTheChildBeforeItRuns) {
  std::filesystem::path marker = Sandbox::current().root() / "ran";
  cancelRequested = true;
  RunResult result =
      run(shellCommand("echo started; : > '" + marker.string() + "'"), downloadProcessJob, true);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.lines.empty());
  EXPECT_FALSE(std::filesystem::exists(marker));
  EXPECT_EQ(slotValue(downloadProcessJob), noProcessGroup);

  // Without honourCancel the same flag does not stop the run.
  result = run(shellCommand("echo started"), searchProcessJob, false);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.lines, Lines{L"started"});
  cancelRequested = false;
}

TEST(RunProcessEnvironment, ChildGetsPythonEncodingOnce) {
  ::setenv("PYTHONIOENCODING", "latin-1", 1);
  RunResult result = run(quoteArgument(L"/usr/bin/env"));
  ::unsetenv("PYTHONIOENCODING");
  ASSERT_EQ(result.exitCode, 0);
  int found = 0;
  bool sawHome = false;
  for (const std::wstring& line : result.lines) {
    if (line.starts_with(L"PYTHONIOENCODING=")) {
      ++found;
      EXPECT_EQ(line, L"PYTHONIOENCODING=utf-8");
    }
    sawHome = sawHome || line == L"HOME=" + Sandbox::current().home().wstring();
  }
  EXPECT_EQ(found, 1);
  EXPECT_TRUE(sawHome);
}

// Runs `script` on its own thread; `ready` is fulfilled with the run's group once the line
// `signal` has arrived.
struct BackgroundRun {
  std::promise<ProcessGroupHandle> ready;
  std::future<RunResult> done;

  BackgroundRun(const std::string& script, std::wstring signal, ProcessSlot& slot, bool honourCancel) {
    done = std::async(std::launch::async, [this, script, signal, &slot, honourCancel] {
      RunResult result;
      result.exitCode = runProcess(
          shellCommand(script),
          [&](const std::wstring& line) {
            if (line == signal) ready.set_value(slotValue(slot));
            result.lines.push_back(line);
          },
          slot, honourCancel);
      return result;
    });
  }
};

TEST(RunProcessKill, TerminatingTheSlotEndsTheChildAndEverythingItStarted) {
  BackgroundRun background("/bin/sleep 1000 & /bin/sleep 1000 & echo up; /bin/sleep 1000", L"up",
                           searchProcessJob, false);
  ProcessGroupHandle group = background.ready.get_future().get();
  ASSERT_NE(group, noProcessGroup);
  terminateJobSlot(searchProcessJob);
  RunResult result = background.done.get();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.lines, Lines{L"up"});
  EXPECT_TRUE(groupIsGone(group));
  EXPECT_EQ(slotValue(searchProcessJob), noProcessGroup);
}

TEST(RunProcessKill, CancelKillsTheDownloadSlotOnly) {
  BackgroundRun background("echo up; /bin/sleep 1000", L"up", downloadProcessJob, true);
  ProcessGroupHandle group = background.ready.get_future().get();
  cancelDownloadJob();
  EXPECT_TRUE(cancelRequested.load());
  RunResult result = background.done.get();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(groupIsGone(group));
  cancelRequested = false;
}

TEST(RunProcessKill, BackgroundChildrenDoNotOutliveTheRun) {
  // The shell ends at once, leaving sleepers that hold the pipe open: the run must not wait for
  // them, and they must be gone when it returns.
  ProcessGroupHandle group = noProcessGroup;
  RunResult result;
  result.exitCode = runProcess(
      shellCommand("/bin/sleep 1000 & /bin/sh -c '/bin/sleep 1000 & /bin/sleep 1000' & echo done; exit 4"),
      [&](const std::wstring& line) {
        group = slotValue(searchProcessJob);
        result.lines.push_back(line);
      },
      searchProcessJob, false);
  EXPECT_EQ(result.exitCode, 4);
  EXPECT_EQ(result.lines, Lines{L"done"});
  ASSERT_NE(group, noProcessGroup);
  EXPECT_TRUE(groupIsGone(group));
}

}  // namespace
}  // namespace tarnwick
