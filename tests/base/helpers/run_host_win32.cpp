// Stands in for Tarnwick in the test that kills the process running a tool: runs its command line
// (the rest of its own, unchanged) through runProcess and copies each line to its standard output.
#include <windows.h>

#include <string>

#include "base/process_runner.h"
#include "base/text.h"

int wmain(int, wchar_t**) {
  // Past the program's own (quoted) name: the rest is the tool's command line.
  std::wstring_view own = GetCommandLineW();
  std::size_t end = own.find(L'"', 1);
  std::wstring_view rest = own.substr(end == std::wstring_view::npos ? own.size() : end + 1);
  while (!rest.empty() && rest.front() == L' ') rest.remove_prefix(1);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  int code = tarnwick::runProcess(
      std::wstring(rest),
      [&](const std::wstring& line) {
        std::string bytes = tarnwick::wideToUtf8(line) + "\n";
        DWORD written = 0;
        WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
      },
      tarnwick::searchProcessJob, false);
  return code == 1 ? 0 : 2;
}
