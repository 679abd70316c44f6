// Looks at a running Tarnwick window from outside, for scripts/test-windows-gui.sh: run under the
// same WINEPREFIX as the program, it answers one command and exits.
//
//   count                         top-level "TarnwickDesktopWnd" windows
//   foreground                    "yes" (exit 0) when the foreground window is it, else "no" (1)
//   iconic                        "yes" (exit 0) when it is minimised, else "no" (1)
//   minimize                      minimises it and waits (bounded) until Windows says so
//   log | link                    the log's or the link box's text (WM_GETTEXT), UTF-8
//   rect <element> [video|audio]  screen pixels "left top right bottom" of a drawn element, from
//                                 the portable layout on the window's client size; the mode
//                                 replaces the saved one for chips after a mode click
//   control-rect log|link         screen pixels of the EDIT itself, to hold the layout against
//   processes <name.exe>          running processes of that name
//   wait-log <text> <ms>          polls the log until it holds the text (exit 0) or time is up (1)
//   wait-count <n> <ms>           polls until there are n windows
//   wait-processes <name> <n> <ms>
//   wait-exit <name.exe> <ms>     holds the one process of that name, prints "watching", and once
//                                 it has ended (exit 0; 1 when time is up) its exit code
// Exit 2 means the question could not be asked (no window, bad arguments).
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <tlhelp32.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/text.h"
#include "window_probe_layout.h"

namespace {

using namespace std::chrono_literals;
using tarnwick::wideToUtf8;

constexpr wchar_t windowClass[] = L"TarnwickDesktopWnd";
constexpr int linkEditId = 101;
constexpr int logEditId = 102;

void print(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

int fail(std::string_view why) {
  std::fprintf(stderr, "window_probe: %.*s\n", static_cast<int>(why.size()), why.data());
  return 2;
}

BOOL CALLBACK collectWindow(HWND window, LPARAM found) {
  wchar_t name[64];
  if (GetClassNameW(window, name, 64) && std::wstring_view(name) == windowClass)
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

std::vector<HWND> tarnwickWindows() {
  std::vector<HWND> found;
  EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND tarnwickWindow() {
  std::vector<HWND> found = tarnwickWindows();
  return found.empty() ? nullptr : found.front();
}

// A hung window must not hang the probe: every message to it has a time limit.
std::optional<std::wstring> controlText(int id) {
  HWND control = GetDlgItem(tarnwickWindow(), id);
  if (!control) return std::nullopt;
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
    return std::nullopt;
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, 5000, &copied))
    return std::nullopt;
  text.resize(copied);
  return text;
}

// The ids of the running processes with that exe name (any case); nullopt without a snapshot.
std::optional<std::vector<DWORD>> processIds(std::wstring_view exeName) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<DWORD> ids;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (CompareStringOrdinal(entry.szExeFile, -1, exeName.data(), static_cast<int>(exeName.size()), TRUE) ==
        CSTR_EQUAL)
      ids.push_back(entry.th32ProcessID);
  CloseHandle(snapshot);
  return ids;
}

int processCount(std::wstring_view exeName) {
  const auto ids = processIds(exeName);
  return ids ? static_cast<int>(ids->size()) : -1;
}

// The script sends the close only after "watching", so the exit cannot come before the handle.
int waitForExit(std::wstring_view exeName, std::chrono::milliseconds limit) {
  const auto ids = processIds(exeName);
  if (!ids || ids->size() != 1) return fail("not exactly one such process");
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ids->front());
  if (!process) return fail("the process cannot be opened");
  print("watching");
  const bool ended = WaitForSingleObject(process, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
  DWORD code = 0;
  if (ended && GetExitCodeProcess(process, &code)) print(std::to_string(code));
  CloseHandle(process);
  return ended ? 0 : 1;
}

// Asks until `done` or the limit passes; answers whether it was done.
bool pollUntil(std::chrono::milliseconds limit, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(100ms);
  }
}

std::optional<int> number(const wchar_t* text) {
  wchar_t* end = nullptr;
  const long value = std::wcstol(text, &end, 10);
  if (end == text || *end != L'\0' || value < 0) return std::nullopt;
  return static_cast<int>(value);
}

std::string rectText(const RECT& r) {
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
         std::to_string(r.bottom);
}

int yesNo(bool yes) {
  print(yes ? "yes" : "no");
  return yes ? 0 : 1;
}

int run(const std::vector<std::wstring>& args) {
  const std::wstring command = args.empty() ? L"" : args[0];
  const std::size_t n = args.size();
  if (command == L"count" && n == 1) {
    print(std::to_string(tarnwickWindows().size()));
    return 0;
  }
  if (command == L"processes" && n == 2) {
    const int count = processCount(args[1]);
    if (count < 0) return fail("no process snapshot");
    print(std::to_string(count));
    return 0;
  }
  if (command == L"wait-processes" && n == 4) {
    const auto wanted = number(args[2].c_str());
    const auto limit = number(args[3].c_str());
    if (!wanted || !limit) return fail("wait-processes <name> <count> <ms>");
    const bool reached =
        pollUntil(std::chrono::milliseconds(*limit), [&] { return processCount(args[1]) == *wanted; });
    print(std::to_string(processCount(args[1])));
    return reached ? 0 : 1;
  }
  if (command == L"wait-exit" && n == 3) {
    const auto limit = number(args[2].c_str());
    if (!limit) return fail("wait-exit <name> <ms>");
    return waitForExit(args[1], std::chrono::milliseconds(*limit));
  }
  if (command == L"wait-count" && n == 3) {
    const auto wanted = number(args[1].c_str());
    const auto limit = number(args[2].c_str());
    if (!wanted || !limit) return fail("wait-count <count> <ms>");
    const bool reached = pollUntil(std::chrono::milliseconds(*limit), [&] {
      return tarnwickWindows().size() == static_cast<std::size_t>(*wanted);
    });
    print(std::to_string(tarnwickWindows().size()));
    return reached ? 0 : 1;
  }

  HWND window = tarnwickWindow();
  if (!window) return fail("no TarnwickDesktopWnd window");
  if (command == L"foreground" && n == 1) return yesNo(GetForegroundWindow() == window);
  if (command == L"iconic" && n == 1) return yesNo(IsIconic(window));
  if (command == L"minimize" && n == 1) {
    // ShowWindow on another process's window is carried out by that window's thread.
    ShowWindowAsync(window, SW_MINIMIZE);
    return yesNo(pollUntil(5s, [&] { return IsIconic(window) != FALSE; }));
  }
  if ((command == L"log" || command == L"link") && n == 1) {
    std::optional<std::wstring> text = controlText(command == L"log" ? logEditId : linkEditId);
    if (!text) return fail("the EDIT did not answer");
    print(wideToUtf8(*text));
    return 0;
  }
  if (command == L"wait-log" && n == 3) {
    const auto limit = number(args[2].c_str());
    if (!limit) return fail("wait-log <text> <ms>");
    std::wstring last;
    const bool found = pollUntil(std::chrono::milliseconds(*limit), [&] {
      last = controlText(logEditId).value_or(L"");
      return last.find(args[1]) != std::wstring::npos;
    });
    if (!found) std::fprintf(stderr, "the log holds:\n%s\n", wideToUtf8(last).c_str());
    return found ? 0 : 1;
  }
  if (command == L"control-rect" && n == 2 && (args[1] == L"log" || args[1] == L"link")) {
    RECT r{};
    if (!GetWindowRect(GetDlgItem(window, args[1] == L"log" ? logEditId : linkEditId), &r))
      return fail("no such EDIT");
    print(rectText(r));
    return 0;
  }
  if (command == L"rect" && (n == 2 || n == 3)) {
    std::optional<bool> audioMode;
    if (n == 3) {
      if (args[2] != L"audio" && args[2] != L"video") return fail("rect <element> [video|audio]");
      audioMode = args[2] == L"audio";
    }
    std::optional<RECT> r = elementScreenRect(window, args[1], audioMode);
    if (!r) return fail("no such element, or the layout could not be made");
    print(rectText(*r));
    return 0;
  }
  return fail("unknown command or wrong arguments");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // "\n" alone, as the shell that reads it expects
  return run(std::vector<std::wstring>(argv + 1, argv + argc));
}
