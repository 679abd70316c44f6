// A stand-in tool for the Windows runner tests. Its arguments are steps, run in order:
//   out TEXT / err TEXT   write TEXT to standard output / error; \r \n \\ and \xNN are decoded
//   args                  print each remaining argument as "[argument]" and stop
//   whoami TEXT           print "<own path>|TEXT"
//   env                   print every environment entry
//   cwd                   print the current folder
//   stdhandles            print the kind of the three standard handles
//   inherited VALUE       print "open" when the handle VALUE exists in this process, else "closed"
//   cat PATH              copy the file to standard output
//   wait EVENT            wait until the named event is set
//   touch PATH            create an empty file
//   pid                   print its own process id
//   count N               print the numbers 1 to N, one a line
//   breakaway             try to start a copy of itself outside its job; print "refused N" with
//                         the error code, or "escaped"
//   code N                exit with N at the end
//   exit N                exit with N now
//   block                 wait forever
//   spawn STEPS...        start a copy of itself with the remaining steps, print its process id,
//                         and exit with its exit code once it has ended
//   detach EVENT STEPS... the same without waiting for it: exit once the named event is set
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

void write(DWORD which, std::string_view bytes) {
  HANDLE handle = GetStdHandle(which);
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
      ExitProcess(90);
    bytes.remove_prefix(written);
  }
}

std::string utf8(std::wstring_view text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                 nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                      nullptr);
  return out;
}

void line(std::wstring_view text) {
  write(STD_OUTPUT_HANDLE, utf8(text) + "\n");
}

// Escapes give the tests exact bytes, invalid UTF-8 included.
std::string decode(std::wstring_view text) {
  std::string wide = utf8(text);
  std::string out;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] != '\\' || i + 1 == wide.size()) {
      out += wide[i];
      continue;
    }
    char next = wide[++i];
    if (next == 'r') {
      out += '\r';
    } else if (next == 'n') {
      out += '\n';
    } else if (next == 'x' && i + 2 < wide.size()) {
      out += static_cast<char>(std::stoi(wide.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += next;
    }
  }
  return out;
}

// The Windows quoting rules, as Tarnwick's quoteArgument.
std::wstring quote(std::wstring_view text) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : text) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, L'\\');
  return out + L"\"";
}

std::wstring ownPath() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

// Starts a copy of this program with `steps`; its standard handles are ours.
PROCESS_INFORMATION startCopy(const std::vector<std::wstring>& steps) {
  std::wstring commandLine = quote(ownPath());
  for (const std::wstring& step : steps) commandLine += L" " + quote(step);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &started))
    ExitProcess(91);
  CloseHandle(started.hThread);
  line(std::to_wstring(started.dwProcessId));
  return started;
}

const wchar_t* kindOf(DWORD which) {
  switch (GetFileType(GetStdHandle(which))) {
    case FILE_TYPE_CHAR:
      return L"char";
    case FILE_TYPE_PIPE:
      return L"pipe";
    case FILE_TYPE_DISK:
      return L"disk";
    default:
      return L"none";
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> steps(argv + 1, argv + argc);
  UINT code = 0;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const std::wstring& step = steps[i];
    auto next = [&]() -> const std::wstring& {
      if (i + 1 >= steps.size()) ExitProcess(92);
      return steps[++i];
    };
    if (step == L"out") {
      write(STD_OUTPUT_HANDLE, decode(next()));
    } else if (step == L"err") {
      write(STD_ERROR_HANDLE, decode(next()));
    } else if (step == L"args") {
      while (i + 1 < steps.size()) line(L"[" + steps[++i] + L"]");
    } else if (step == L"whoami") {
      line(ownPath() + L"|" + next());
    } else if (step == L"env") {
      wchar_t* block = GetEnvironmentStringsW();
      for (const wchar_t* entry = block; *entry; entry += std::wstring_view(entry).size() + 1) line(entry);
      FreeEnvironmentStringsW(block);
    } else if (step == L"cwd") {
      std::wstring folder(32768, L'\0');
      folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
      line(folder);
    } else if (step == L"stdhandles") {
      line(std::wstring(L"in ") + kindOf(STD_INPUT_HANDLE));
      line(std::wstring(L"out ") + kindOf(STD_OUTPUT_HANDLE));
      line(std::wstring(L"err ") + kindOf(STD_ERROR_HANDLE));
    } else if (step == L"inherited") {
      DWORD flags = 0;
      HANDLE handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::stoull(next())));
      line(GetHandleInformation(handle, &flags) ? L"open" : L"closed");
    } else if (step == L"cat") {
      HANDLE file =
          CreateFileW(next().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      if (file == INVALID_HANDLE_VALUE) ExitProcess(93);
      std::vector<char> buffer(1 << 20);
      DWORD n = 0;
      while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr) && n > 0)
        write(STD_OUTPUT_HANDLE, std::string_view(buffer.data(), n));
      CloseHandle(file);
    } else if (step == L"wait") {
      HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, next().c_str());
      if (!event) ExitProcess(94);
      WaitForSingleObject(event, INFINITE);
      CloseHandle(event);
    } else if (step == L"touch") {
      CloseHandle(CreateFileW(next().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    } else if (step == L"pid") {
      line(std::to_wstring(GetCurrentProcessId()));
    } else if (step == L"count") {
      unsigned long last = std::stoul(next());
      std::string numbers;
      for (unsigned long n = 1; n <= last; ++n) numbers += std::to_string(n) + "\n";
      write(STD_OUTPUT_HANDLE, numbers);
    } else if (step == L"breakaway") {
      std::wstring commandLine = quote(ownPath()) + L" block";
      STARTUPINFOW startup{};
      startup.cb = sizeof startup;
      PROCESS_INFORMATION started{};
      if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_BREAKAWAY_FROM_JOB,
                         nullptr, nullptr, &startup, &started)) {
        line(L"escaped");
        TerminateProcess(started.hProcess, 0);
        CloseHandle(started.hProcess);
        CloseHandle(started.hThread);
      } else {
        line(L"refused " + std::to_wstring(GetLastError()));
      }
    } else if (step == L"code") {
      code = static_cast<UINT>(std::stoul(next()));
    } else if (step == L"exit") {
      ExitProcess(static_cast<UINT>(std::stoul(next())));
    } else if (step == L"block") {
      Sleep(INFINITE);
    } else if (step == L"spawn") {
      PROCESS_INFORMATION child =
          startCopy({steps.begin() + static_cast<std::ptrdiff_t>(i) + 1, steps.end()});
      WaitForSingleObject(child.hProcess, INFINITE);
      DWORD childCode = 0;
      GetExitCodeProcess(child.hProcess, &childCode);
      CloseHandle(child.hProcess);
      return static_cast<int>(childCode);
    } else if (step == L"detach") {
      HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, next().c_str());
      if (!event) ExitProcess(94);
      PROCESS_INFORMATION child =
          startCopy({steps.begin() + static_cast<std::ptrdiff_t>(i) + 1, steps.end()});
      CloseHandle(child.hProcess);
      WaitForSingleObject(event, INFINITE);
      return static_cast<int>(code);
    } else {
      ExitProcess(95);
    }
  }
  return static_cast<int>(code);
}
