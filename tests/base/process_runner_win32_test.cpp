#include "base/process_runner.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

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

// The stand-in tool (helpers/stand_in_win32.cpp) lies beside this test.
std::filesystem::path standIn() {
  std::wstring own(32768, L'\0');
  own.resize(GetModuleFileNameW(nullptr, own.data(), static_cast<DWORD>(own.size())));
  return std::filesystem::path(own).parent_path() / L"base_stand_in.exe";
}

std::wstring command(const std::filesystem::path& program, std::initializer_list<std::wstring> steps) {
  std::wstring line = quoteArgument(program.wstring());
  for (const std::wstring& step : steps) line += L" " + quoteArgument(step);
  return line;
}

std::wstring standInCommand(std::initializer_list<std::wstring> steps) {
  return command(standIn(), steps);
}

struct RunResult {
  int exitCode = 0;
  Lines lines;
};

RunResult run(const std::wstring& commandLine, ProcessSlot& slot = previewProcessJob,
              bool honourCancel = false, std::wstring_view workingDirectory = {}) {
  RunResult result;
  result.exitCode = runProcess(
      commandLine, [&](const std::wstring& line) { result.lines.push_back(line); }, slot, honourCancel,
      workingDirectory);
  return result;
}

RunResult runStandIn(std::initializer_list<std::wstring> steps) {
  return run(standInCommand(steps));
}

ProcessGroupHandle slotValue(const ProcessSlot& slot) {
  std::lock_guard guard(processLock);
  return slot.group;
}

// A process the test watches by its id, opened while it surely runs.
struct Watched {
  HANDLE handle = nullptr;
  explicit Watched(const std::wstring& pid = L"0")
      : handle(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                           static_cast<DWORD>(std::stoul(pid)))) {}
  Watched(Watched&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
  Watched& operator=(Watched&& other) noexcept {
    std::swap(handle, other.handle);
    return *this;
  }
  ~Watched() {
    if (handle) CloseHandle(handle);
  }
  [[nodiscard]] bool ended() const { return handle && WaitForSingleObject(handle, 0) == WAIT_OBJECT_0; }
  [[nodiscard]] DWORD exitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(handle, &code);
    return code;
  }
};

// A named event the stand-in waits on ("wait", "detach") until release().
struct Gate {
  std::wstring name;
  HANDLE event;
  explicit Gate(const std::wstring& label)
      : name(L"tarnwick-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + label),
        event(CreateEventW(nullptr, TRUE, FALSE, name.c_str())) {
    EXPECT_NE(event, nullptr);
  }
  ~Gate() { CloseHandle(event); }
  void release() const { SetEvent(event); }
};

TEST(RunProcessLines, SplitsOnCarriageReturnAndLineFeedAndDropsEmptyLines) {
  EXPECT_EQ(runStandIn({L"out", L"a\\r\\nb"}).lines, (Lines{L"a", L"b"}));
  EXPECT_EQ(runStandIn({L"out", L"\\r\\n\\r\\n"}).lines, Lines{});
  EXPECT_EQ(runStandIn({L"out", L"10%\\r20%\\r\\n\\n\\ndone\\n"}).lines, (Lines{L"10%", L"20%", L"done"}));
  EXPECT_EQ(runStandIn({L"out", L"ok\\n", L"err", L"err\\n"}).lines, (Lines{L"ok", L"err"}));
}

TEST(RunProcessLines, DecodesUtf8PerWholeLine) {
  EXPECT_EQ(runStandIn({L"out", L"caf\\xc3\\xa9 \\xe4\\xb8\\xad \\xf0\\x9f\\x98\\x80\\n\\xffx"}).lines,
            (Lines{L"caf\u00e9 \u4e2d \U0001F600", L"\uFFFDx"}));
}

TEST(RunProcessLines, Utf8CharacterSplitAcrossReadsArrivesWhole) {
  // The first write ends in the middle of "é"; the second half is written only after the line
  // before it was delivered, so the two halves surely come in different reads.
  Gate gate(L"utf8");
  RunResult result;
  result.exitCode = runProcess(
      standInCommand({L"out", L"x\\n\\xc3", L"wait", gate.name, L"out", L"\\xa9t\\xc3\\xa9\\n"}),
      [&](const std::wstring& line) {
        if (result.lines.empty()) gate.release();
        result.lines.push_back(line);
      },
      previewProcessJob, false);
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
      standInCommand({L"cat", file.wstring()}),
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
  EXPECT_EQ(runStandIn({L"code", L"0"}).exitCode, 0);
  EXPECT_EQ(runStandIn({L"out", L"x\\n", L"exit", L"7"}).exitCode, 7);
  EXPECT_EQ(runStandIn({L"exit", L"255"}).exitCode, 255);
  EXPECT_EQ(runStandIn({L"exit", L"70000"}).exitCode, 70000);
  // A grandchild's code, passed on by the stand-in that waited for it.
  EXPECT_EQ(runStandIn({L"spawn", L"exit", L"9"}).exitCode, 9);
}

TEST(RunProcessStart, MissingProgramLogsOneLineWithTheSystemError) {
  ChannelRecorder recorder;
  RunResult result = run(command(Sandbox::current().root() / L"absent.exe", {L"--version"}));
  EXPECT_EQ(result.exitCode, -1);
  EXPECT_TRUE(result.lines.empty());
  // No program at all counts as a missing file.
  EXPECT_EQ(run(L"").exitCode, -1);
  EXPECT_EQ(run(quoteArgument(L"") + L" x").exitCode, -1);
  EXPECT_EQ(recorder.texts(WM_APP_LOG),
            (Lines{L"Error: could not start process (code 2).", L"Error: could not start process (code 2).",
                   L"Error: could not start process (code 2)."}));
  EXPECT_EQ(slotValue(previewProcessJob), noProcessGroup);
}

TEST(RunProcessStart, ProgramThatCannotRunLogsItsSystemError) {
  ChannelRecorder recorder;
  std::filesystem::path notAProgram = Sandbox::current().root() / "plain.exe";
  test::writeFile(notAProgram, "echo hi\n");
  EXPECT_EQ(run(quoteArgument(notAProgram.wstring())).exitCode, -1);
  EXPECT_EQ(recorder.texts(WM_APP_LOG), Lines{L"Error: could not start process (code 193)."});  // bad format
}

TEST(RunProcessStart, ArgumentsArriveAsQuotedWithoutAShell) {
  RunResult result = runStandIn(
      {L"args", L"two words", L"%PATH% \"q\" \\", L"a\\\\b\\", L"", L"x & y | z", L"\u00e9\u4e2d\U0001F600"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.lines, (Lines{L"[two words]", L"[%PATH% \"q\" \\]", L"[a\\\\b\\]", L"[]", L"[x & y | z]",
                                 L"[\u00e9\u4e2d\U0001F600]"}));
}

TEST(RunProcessStart, AProgramInAFolderOfAnyNameStarts) {
  // Folder names as a profile or data folder may have them; the program prints its own path.
  const std::wstring folders[] = {L"two words",     L"caf\u00e9 \u4e2d", L"semi;colon",
                                  L"per%PATH%cent", L"amp & caret^",     L"trailing.dots..x"};
  for (const std::wstring& name : folders) {
    std::filesystem::path folder = Sandbox::current().root() / name;
    std::filesystem::create_directories(folder);
    std::filesystem::path tool = folder / L"tool.exe";
    std::filesystem::copy_file(standIn(), tool, std::filesystem::copy_options::overwrite_existing);
    RunResult result = run(command(tool, {L"whoami", L"x\"y"}));
    EXPECT_EQ(result.exitCode, 0) << wideToUtf8(name);
    EXPECT_EQ(result.lines, Lines{tool.wstring() + L"|x\"y"}) << wideToUtf8(name);
  }
}

TEST(RunProcessStart, RunsInTheWorkingDirectoryItIsGiven) {
  std::filesystem::path folder = Sandbox::current().root() / L"work \u00e9";
  std::filesystem::create_directories(folder);
  EXPECT_EQ(run(standInCommand({L"cwd"}), previewProcessJob, false, folder.wstring()).lines,
            Lines{folder.wstring()});

  ChannelRecorder recorder;
  std::filesystem::path absent = Sandbox::current().root() / L"absent";
  EXPECT_EQ(run(standInCommand({L"cwd"}), previewProcessJob, false, absent.wstring()).exitCode, -1);
  Lines logged = recorder.texts(WM_APP_LOG);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_TRUE(logged[0].starts_with(L"Error: could not start process (code ")) << wideToUtf8(logged[0]);
}

TEST(RunProcessStart, CancelBeforeStartKillsTheChildBeforeItRuns) {
  std::filesystem::path marker = Sandbox::current().root() / "ran";
  cancelRequested = true;
  RunResult result =
      run(standInCommand({L"out", L"started\\n", L"touch", marker.wstring()}), downloadProcessJob, true);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.lines.empty());
  EXPECT_FALSE(std::filesystem::exists(marker));
  EXPECT_EQ(slotValue(downloadProcessJob), noProcessGroup);

  // Without honourCancel the same flag does not stop the run.
  result = run(standInCommand({L"out", L"started\\n"}), searchProcessJob, false);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.lines, Lines{L"started"});
  cancelRequested = false;
}

TEST(RunProcessEnvironment, ChildInheritsOnlyItsStandardHandles) {
  // Inheritable handles of the parent, as another runner's pipe or a library's would be. Many of
  // them, so that the last one's number is far above what a fresh process uses itself.
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  std::vector<HANDLE> leaky;
  for (int i = 0; i < 2000; ++i) leaky.push_back(CreateEventW(&inheritable, TRUE, FALSE, nullptr));
  RunResult result = runStandIn(
      {L"stdhandles", L"inherited", std::to_wstring(reinterpret_cast<std::uintptr_t>(leaky.back()))});
  for (HANDLE handle : leaky) CloseHandle(handle);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.lines, (Lines{L"in char", L"out pipe", L"err pipe", L"closed"}));
}

// The handles this process holds, from the system's list of every handle (Wine's
// GetProcessHandleCount answers 0 whatever is open). Events are left out: the threads library
// gives a mutex its event the first time two threads contend for it and keeps it as long as the
// mutex, so whether one appears depends on timing, not on a run. The runner itself opens no event.
struct HandleEntry {
  void* object;
  ULONG_PTR processId;
  ULONG_PTR handleValue;
  ULONG grantedAccess;
  USHORT creatorBackTraceIndex;
  USHORT objectTypeIndex;
  ULONG attributes;
  ULONG reserved;
};
struct HandleList {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};
constexpr ULONG systemExtendedHandleInformation = 64;

std::vector<HandleEntry> ownHandles() {
  using Query = LONG(NTAPI*)(ULONG, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  std::vector<char> buffer(1 << 20);
  ULONG needed = 0;
  LONG status = 0;
  while ((status = query(systemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                         &needed)) == static_cast<LONG>(0xC0000004))  // buffer too small
    buffer.resize(buffer.size() * 2);
  EXPECT_EQ(status, 0);
  std::vector<HandleEntry> own;
  if (status != 0) return own;
  const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
  for (ULONG_PTR i = 0; i < list->count; ++i)
    if (list->entries[i].processId == GetCurrentProcessId()) own.push_back(list->entries[i]);
  return own;
}

USHORT eventTypeIndex() {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  USHORT index = 0;
  for (const HandleEntry& entry : ownHandles())
    if (reinterpret_cast<HANDLE>(entry.handleValue) == event) index = entry.objectTypeIndex;
  CloseHandle(event);
  return index;
}

std::size_t handleCountBesidesEvents(USHORT eventType) {
  std::size_t count = 0;
  for (const HandleEntry& entry : ownHandles()) count += entry.objectTypeIndex != eventType;
  return count;
}

TEST(RunProcessEnvironment, RunsLeaveNoHandleOpen) {
  const USHORT eventType = eventTypeIndex();
  ASSERT_NE(eventType, 0);
  // The count must see a handle at all, or the check below would prove nothing.
  std::size_t before = handleCountBesidesEvents(eventType);
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  ASSERT_EQ(handleCountBesidesEvents(eventType), before + 2);
  CloseHandle(readEnd);
  CloseHandle(writeEnd);

  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(runStandIn({L"out", L"x\\n", L"exit", L"3"}).exitCode, 3);
    EXPECT_EQ(run(command(Sandbox::current().root() / L"absent.exe", {})).exitCode, -1);
    cancelRequested = true;
    EXPECT_EQ(run(standInCommand({L"out", L"x\\n"}), downloadProcessJob, true).exitCode, 1);
    cancelRequested = false;
  }
  EXPECT_EQ(handleCountBesidesEvents(eventType), before);
}

TEST(RunProcessEnvironment, ChildGetsPythonEncodingOnce) {
  // Windows names are case-insensitive: any spelling is replaced.
  ASSERT_EQ(_wputenv_s(L"PythonIOEncoding", L"latin-1"), 0);
  RunResult result = runStandIn({L"env"});
  ASSERT_EQ(_wputenv_s(L"PythonIOEncoding", L""), 0);
  ASSERT_EQ(result.exitCode, 0);
  int found = 0;
  bool sawProfile = false;
  for (const std::wstring& line : result.lines) {
    if (asciiLower(line).starts_with(L"pythonioencoding=")) {
      ++found;
      EXPECT_EQ(line, L"PYTHONIOENCODING=utf-8");
    }
    sawProfile =
        sawProfile || asciiLower(line) == asciiLower(L"USERPROFILE=" + Sandbox::current().home().wstring());
  }
  EXPECT_EQ(found, 1);
  EXPECT_TRUE(sawProfile);
}

// Runs `steps` on its own thread; `ready` is fulfilled with the lines so far once `lineCount`
// lines have arrived.
struct BackgroundRun {
  std::promise<Lines> ready;
  std::future<RunResult> done;

  BackgroundRun(std::initializer_list<std::wstring> steps, std::size_t lineCount, ProcessSlot& slot,
                bool honourCancel) {
    done = std::async(std::launch::async,
                      [this, commandLine = standInCommand(steps), lineCount, &slot, honourCancel] {
                        RunResult result;
                        result.exitCode = runProcess(
                            commandLine,
                            [&](const std::wstring& line) {
                              result.lines.push_back(line);
                              if (result.lines.size() == lineCount) ready.set_value(result.lines);
                            },
                            slot, honourCancel);
                        return result;
                      });
  }
};

TEST(RunProcessKill, TerminatingTheSlotEndsTheChildAndEverythingItStarted) {
  // The stand-in starts a child, which starts one of its own; each prints its child's id.
  BackgroundRun background({L"spawn", L"spawn", L"block"}, 2, searchProcessJob, false);
  Lines ids = background.ready.get_future().get();
  Watched child(ids[0]);
  Watched grandchild(ids[1]);
  ASSERT_TRUE(child.handle && grandchild.handle);
  EXPECT_FALSE(child.ended() || grandchild.ended());
  ASSERT_NE(slotValue(searchProcessJob), noProcessGroup);
  terminateJobSlot(searchProcessJob);
  RunResult result = background.done.get();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.lines.size(), 2u);
  EXPECT_TRUE(child.ended());
  EXPECT_TRUE(grandchild.ended());
  EXPECT_EQ(child.exitCode(), 1u);
  EXPECT_EQ(grandchild.exitCode(), 1u);
  EXPECT_EQ(slotValue(searchProcessJob), noProcessGroup);
}

TEST(RunProcessKill, CancelKillsTheDownloadSlotsTreeDuringARun) {
  BackgroundRun background({L"out", L"up\\n", L"spawn", L"block"}, 2, downloadProcessJob, true);
  Lines lines = background.ready.get_future().get();
  Watched grandchild(lines[1]);
  ASSERT_TRUE(grandchild.handle);
  cancelDownloadJob();
  EXPECT_TRUE(cancelRequested.load());
  RunResult result = background.done.get();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(grandchild.ended());
  EXPECT_EQ(grandchild.exitCode(), 1u);
  cancelRequested = false;
}

TEST(RunProcessKill, BackgroundChildrenDoNotOutliveTheRun) {
  // The stand-in ends while the child it left behind holds the pipe open: the run must not wait
  // for it, and it must be gone when the run returns.
  Gate gate(L"detach");
  Watched left;
  RunResult result;
  result.exitCode = runProcess(
      standInCommand({L"out", L"done\\n", L"code", L"4", L"detach", gate.name, L"block"}),
      [&](const std::wstring& line) {
        result.lines.push_back(line);
        if (result.lines.size() == 2) {
          left = Watched(line);
          gate.release();
        }
      },
      searchProcessJob, false);
  EXPECT_EQ(result.exitCode, 4);
  ASSERT_EQ(result.lines.size(), 2u);
  EXPECT_EQ(result.lines[0], L"done");
  ASSERT_TRUE(left.handle);
  EXPECT_TRUE(left.ended());
}

TEST(RunProcessKill, NothingTheChildStartsCanLeaveTheJob) {
  EXPECT_EQ(runStandIn({L"breakaway"}).lines, Lines{L"refused 5"});  // access denied
}

TEST(RunProcessKill, ACallbackThatThrowsLeavesNothingBehind) {
  Watched child;
  ProcessGroupHandle group = noProcessGroup;
  auto throwing = [&](const std::wstring& line) {
    child = Watched(line);
    group = slotValue(previewProcessJob);
    throw std::runtime_error("callback failed");
  };
  EXPECT_THROW((void)runProcess(standInCommand({L"pid", L"block"}), throwing, previewProcessJob, false),
               std::runtime_error);
  ASSERT_NE(group, noProcessGroup);
  ASSERT_TRUE(child.handle);
  EXPECT_TRUE(child.ended());
  EXPECT_EQ(slotValue(previewProcessJob), noProcessGroup);
}

TEST(RunProcessKill, ChildAndItsChildrenDieWithTheProcessThatRanIt) {
  // A stand-in for Tarnwick (helpers/run_host_win32.cpp) runs the stand-in tool, which starts a
  // child; the host is killed while both run.
  std::filesystem::path host = standIn().parent_path() / L"base_run_host.exe";
  std::wstring commandLine =
      quoteArgument(host.wstring()) + L" " + standInCommand({L"pid", L"spawn", L"block"});
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inheritable, 0));
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                             nullptr, &startup, &started));
  CloseHandle(writeEnd);
  CloseHandle(started.hThread);

  // Two ids, one a line: the tool's own and its child's.
  std::string output;
  char buffer[256];
  DWORD n = 0;
  while (std::count(output.begin(), output.end(), '\n') < 2 &&
         ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr))
    output.append(buffer, n);
  CloseHandle(readEnd);
  std::size_t cut = output.find('\n');
  ASSERT_NE(cut, std::string::npos) << output;
  Watched tool(utf8ToWide(output.substr(0, cut)));
  Watched child(utf8ToWide(output.substr(cut + 1, output.find('\n', cut + 1) - cut - 1)));
  ASSERT_TRUE(tool.handle && child.handle);

  TerminateProcess(started.hProcess, 9);
  WaitForSingleObject(started.hProcess, INFINITE);
  CloseHandle(started.hProcess);
  EXPECT_EQ(WaitForSingleObject(tool.handle, 60000), WAIT_OBJECT_0)
      << "the tool outlived the process that ran it";
  EXPECT_EQ(WaitForSingleObject(child.handle, 60000), WAIT_OBJECT_0)
      << "its child outlived the process that ran it";
}

TEST(RunProcessKill, ThreeRunnersOnTheThreeSlotsDoNotDisturbEachOther) {
  Gate gateB(L"b");
  Gate gateC(L"c");
  BackgroundRun a({L"out", L"a-up\\n", L"block"}, 1, downloadProcessJob, true);
  BackgroundRun b({L"count", L"20000", L"wait", gateB.name, L"out", L"b-end\\n", L"code", L"3"}, 20000,
                  searchProcessJob, false);
  BackgroundRun c({L"count", L"20000", L"wait", gateC.name, L"out", L"c-end\\n", L"code", L"4"}, 20000,
                  previewProcessJob, false);
  a.ready.get_future().get();
  b.ready.get_future().get();
  c.ready.get_future().get();
  ProcessGroupHandle jobB = slotValue(searchProcessJob);
  ProcessGroupHandle jobC = slotValue(previewProcessJob);
  EXPECT_NE(slotValue(downloadProcessJob), noProcessGroup);
  EXPECT_NE(jobB, noProcessGroup);
  EXPECT_NE(jobC, noProcessGroup);

  cancelDownloadJob();
  EXPECT_EQ(a.done.get().exitCode, 1);
  EXPECT_EQ(slotValue(searchProcessJob), jobB);
  EXPECT_EQ(slotValue(previewProcessJob), jobC);

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
