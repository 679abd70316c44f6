#include "base/process_runner.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <stdexcept>
#include <thread>

#include "base/command_line.h"
#include "base/text.h"
#include "big_output.h"
#include "channel_recorder.h"
#include "sandbox.h"

namespace tarnwick {
namespace {

using test::BigOutput;
using test::bigOutputBytes;
using test::ChannelRecorder;
using test::makeBigOutput;
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

// A named pipe the child blocks on (/bin/cat FIFO) until release() opens and closes it.
struct Gate {
  std::filesystem::path path;
  explicit Gate(const std::string& name) : path(Sandbox::current().root() / name) {
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
  }
  std::string wait() const { return "/bin/cat '" + path.string() + "' > /dev/null"; }
  void release() const { ::close(::open(path.c_str(), O_WRONLY | O_CLOEXEC)); }
};

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

TEST(RunProcessLines, Utf8CharacterSplitAcrossReadsArrivesWhole) {
  // The first write ends in the middle of "é"; the second half is written only after the line
  // before it was delivered, so the two halves surely come in different reads.
  Gate gate("utf8-gate");
  std::promise<void> firstRead;
  RunResult result;
  std::thread releaser([&] {
    firstRead.get_future().wait();
    gate.release();
  });
  result.exitCode = runProcess(
      shellCommand("/usr/bin/printf 'x\\n\\303'; " + gate.wait() + "; /usr/bin/printf '\\251t\\303\\251\\n'"),
      [&](const std::wstring& line) {
        if (result.lines.empty()) firstRead.set_value();
        result.lines.push_back(line);
      },
      previewProcessJob, false);
  releaser.join();
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.lines, (Lines{L"x", L"\u00e9t\u00e9"}));
}

TEST(RunProcessLines, HundredMegabytesArriveLineForLine) {
  BigOutput expected = makeBigOutput(bigOutputBytes);
  std::filesystem::path file = Sandbox::current().root() / "big.txt";
  test::writeFile(file, expected.bytes);
  const std::wstring_view pattern(expected.patternWide);

  std::size_t index = 0;
  std::size_t mismatches = 0;
  int exitCode = runProcess(
      quoteArgument(L"/bin/cat") + L" " + quoteArgument(file.wstring()),
      [&](const std::wstring& line) {
        if (index >= expected.lines.size() ||
            std::wstring_view(line) !=
                pattern.substr(expected.lines[index].wideStart, expected.lines[index].wideLength))
          ++mismatches;
        ++index;
      },
      downloadProcessJob, true);
  std::filesystem::remove(file);
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(index, expected.lines.size());
  EXPECT_EQ(mismatches, 0u);
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

TEST(RunProcessStart, ProgramThatCannotRunLogsItsErrno) {
  ChannelRecorder recorder;
  std::filesystem::path notExecutable = Sandbox::current().root() / "plain.txt";
  test::writeFile(notExecutable, "echo hi\n");
  EXPECT_EQ(run(quoteArgument(notExecutable.wstring())).exitCode, -1);
  EXPECT_EQ(run(L"").exitCode, -1);
  EXPECT_EQ(recorder.texts(WM_APP_LOG), (Lines{L"Error: could not start process (code 13).",
                                               L"Error: could not start process (code 2)."}));
}

TEST(RunProcessStart, ArgumentsArriveAsQuotedWithoutAShell) {
  RunResult result = run(quoteArgument(L"/usr/bin/printf") + L" " + quoteArgument(L"[%s]\n") + L" " +
                         quoteArgument(L"two words") + L" " + quoteArgument(L"$HOME \"q\" \\") + L" " +
                         quoteArgument(L"\u00e9"));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.lines, (Lines{L"[two words]", L"[$HOME \"q\" \\]", L"[\u00e9]"}));
}

TEST(RunProcessStart, AProgramInAFolderOfAnyNameStarts) {
  // Folder names as a home or data folder may have them; the program itself prints its argv[0].
  const std::string folders[] = {"a\"b",       "two words", "back\\slash",
                                 "trailing\\", "\\\"q\\\"", "mixed \"x\\ y\""};
  for (const std::string& name : folders) {
    std::filesystem::path folder = Sandbox::current().makeFolder(name);
    std::filesystem::path tool =
        Sandbox::current().writeScript("tool", "#!/bin/sh\necho \"$0|$1\"\n", folder);
    RunResult result = run(quoteArgument(tool.wstring()) + L" " + quoteArgument(L"x\"y"));
    EXPECT_EQ(result.exitCode, 0) << name;
    EXPECT_EQ(result.lines, Lines{tool.wstring() + L"|x\"y"}) << name;
  }
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

TEST(RunProcessEnvironment, ChildSeesOnlyItsStandardDescriptors) {
  // Descriptors without close-on-exec, as another thread or a library might leave them.
  int leakyFile = ::open("/dev/null", O_RDONLY);
  int leakyPipe[2];
  ASSERT_EQ(::pipe(leakyPipe), 0);
  RunResult result = runShell("/usr/bin/find /proc/$$/fd -mindepth 1 -printf '%f %l\\n'");
  ::close(leakyFile);
  ::close(leakyPipe[0]);
  ::close(leakyPipe[1]);
  ASSERT_EQ(result.exitCode, 0);
  ASSERT_EQ(result.lines.size(), 3u);
  EXPECT_EQ(result.lines[0], L"0 /dev/null");
  EXPECT_TRUE(result.lines[1].starts_with(L"1 pipe:[")) << wideToUtf8(result.lines[1]);
  EXPECT_EQ(result.lines[2], L"2" + result.lines[1].substr(1));
}

std::size_t openDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

TEST(RunProcessEnvironment, RunsLeaveNoDescriptorOpen) {
  std::size_t before = openDescriptors();
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(runShell("echo x; exit 3").exitCode, 3);
    EXPECT_EQ(run(quoteArgument(L"/nonexistent")).exitCode, -1);
    cancelRequested = true;
    EXPECT_EQ(run(shellCommand("echo x"), downloadProcessJob, true).exitCode, 1);
    cancelRequested = false;
  }
  EXPECT_EQ(openDescriptors(), before);
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

TEST(RunProcessKill, ACallbackThatThrowsLeavesNothingBehind) {
  ProcessGroupHandle group = noProcessGroup;
  auto throwing = [&](const std::wstring&) {
    group = slotValue(previewProcessJob);
    throw std::runtime_error("callback failed");
  };
  EXPECT_THROW(
      (void)runProcess(shellCommand("echo up; exec /bin/sleep 1000"), throwing, previewProcessJob, false),
      std::runtime_error);
  ASSERT_NE(group, noProcessGroup);
  EXPECT_TRUE(groupIsGone(group));
  EXPECT_EQ(slotValue(previewProcessJob), noProcessGroup);
}

TEST(RunProcessKill, DescendantThatLeftTheGroupDoesNotHangTheRun) {
  // setsid takes the sleeper out of the group, so the group kill cannot close its copy of the
  // pipe; the run still ends, a moment after its child. The shell ends only once the sleeper has
  // left the group (it reports its pid through the fifo after setsid).
  Gate moved("moved");
  pid_t escaped = 0;
  RunResult result;
  result.exitCode = runProcess(
      shellCommand("/usr/bin/setsid /bin/sh -c 'echo $$ > " + moved.path.string() +
                   "; exec /bin/sleep 1000' & /bin/cat " + moved.path.string()),
      [&](const std::wstring& line) {
        escaped = static_cast<pid_t>(std::stol(line));
        result.lines.push_back(line);
      },
      searchProcessJob, false);
  EXPECT_EQ(result.exitCode, 0);
  ASSERT_GT(escaped, 0);
  EXPECT_EQ(::kill(escaped, SIGKILL), 0);
  // It is no child of ours: the run's supervisor left it to init when it exited.
}

TEST(RunProcessKill, ChildAndItsChildrenDieWithTheProcessThatRanIt) {
  int report[2];
  ASSERT_EQ(::pipe2(report, O_CLOEXEC), 0);
  pid_t runner = ::fork();
  if (runner == 0) {
    // A stand-in for Tarnwick that is killed while its child runs.
    int code = runProcess(
        shellCommand("/bin/sleep 1000 & echo $$ $!; exec /bin/sleep 1000"),
        [&](const std::wstring& line) {
          std::string pids = wideToUtf8(line) + "\n";
          if (::write(report[1], pids.data(), pids.size()) < 0) ::_exit(3);
        },
        searchProcessJob, false);
    ::_exit(code == 1 ? 0 : 2);
  }
  ASSERT_GT(runner, 0);
  ::close(report[1]);
  char text[64] = {};
  ASSERT_GT(::read(report[0], text, sizeof text - 1), 0);
  ::close(report[0]);
  char* rest = nullptr;
  const pid_t pids[] = {static_cast<pid_t>(std::strtol(text, &rest, 10)),
                        static_cast<pid_t>(std::atol(rest))};
  int pidfds[2];
  for (int i = 0; i < 2; ++i) {
    pidfds[i] = static_cast<int>(::syscall(SYS_pidfd_open, pids[i], 0));
    ASSERT_GE(pidfds[i], 0);
  }
  ::kill(runner, SIGKILL);
  ::waitpid(runner, nullptr, 0);
  for (int i = 0; i < 2; ++i) {
    pollfd ended{pidfds[i], POLLIN, 0};
    EXPECT_EQ(::poll(&ended, 1, 60000), 1)
        << (i == 0 ? "the child" : "its child") << " outlived the process that ran it";
    ::close(pidfds[i]);
  }
}

// A program launched for the window (GLib's launcher double-forks and exits) must end up with
// init, not with us: Tarnwick reaps nothing it did not start.
TEST(RunProcessKill, ProgramsOthersStartNeverBecomeOurZombies) {
  EXPECT_EQ(runShell("/bin/sleep 1000 & echo ran").exitCode, 0);
  cancelRequested = true;
  EXPECT_EQ(run(shellCommand("echo x"), downloadProcessJob, true).exitCode, 1);
  cancelRequested = false;
  siginfo_t info{};
  EXPECT_EQ(::waitid(P_ALL, 0, &info, WEXITED | WNOHANG), -1) << "a run left a child of ours behind";

  int report[2];
  ASSERT_EQ(::pipe2(report, O_CLOEXEC), 0);
  pid_t launcher = ::fork();
  if (launcher == 0) {
    pid_t launched = ::fork();
    if (launched == 0) {
      ::execl("/bin/sleep", "sleep", "1000", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::_exit(::write(report[1], &launched, sizeof launched) == sizeof launched ? 0 : 1);
  }
  ::close(report[1]);
  pid_t launched = 0;
  ASSERT_EQ(::read(report[0], &launched, sizeof launched), static_cast<ssize_t>(sizeof launched));
  ::close(report[0]);
  ASSERT_EQ(::waitpid(launcher, nullptr, 0), launcher);
  // Its launcher is gone, so it has its new parent by now.
  errno = 0;
  EXPECT_EQ(::waitid(P_PID, static_cast<id_t>(launched), &info, WEXITED | WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD) << "the launched program was re-parented to us";
  ::kill(launched, SIGKILL);
}

TEST(RunProcessKill, ThreeRunnersOnTheThreeSlotsDoNotDisturbEachOther) {
  Gate gateB("gate-b");
  Gate gateC("gate-c");
  BackgroundRun a("echo a-up; /bin/sleep 1000", L"a-up", downloadProcessJob, true);
  BackgroundRun b("/usr/bin/seq 1 20000; " + gateB.wait() + "; echo b-end; exit 3", L"20000",
                  searchProcessJob, false);
  BackgroundRun c("/usr/bin/seq 1 20000; " + gateC.wait() + "; echo c-end; exit 4", L"20000",
                  previewProcessJob, false);
  ProcessGroupHandle groupA = a.ready.get_future().get();
  ProcessGroupHandle groupB = b.ready.get_future().get();
  ProcessGroupHandle groupC = c.ready.get_future().get();
  EXPECT_NE(groupA, groupB);
  EXPECT_NE(groupB, groupC);
  EXPECT_NE(groupA, groupC);

  cancelDownloadJob();
  EXPECT_EQ(a.done.get().exitCode, 1);
  EXPECT_TRUE(groupIsGone(groupA));
  EXPECT_EQ(slotValue(searchProcessJob), groupB);
  EXPECT_EQ(slotValue(previewProcessJob), groupC);

  gateB.release();
  gateC.release();
  RunResult resultB = b.done.get();
  RunResult resultC = c.done.get();
  EXPECT_EQ(resultB.exitCode, 3);
  EXPECT_EQ(resultC.exitCode, 4);
  Lines expected;
  for (int i = 1; i <= 20000; ++i) expected.push_back(std::to_wstring(i));
  expected.push_back(L"b-end");
  EXPECT_EQ(resultB.lines, expected);
  expected.back() = L"c-end";
  EXPECT_EQ(resultC.lines, expected);
  EXPECT_EQ(slotValue(downloadProcessJob), noProcessGroup);
  EXPECT_EQ(slotValue(searchProcessJob), noProcessGroup);
  EXPECT_EQ(slotValue(previewProcessJob), noProcessGroup);
  cancelRequested = false;
}

}  // namespace
}  // namespace tarnwick
