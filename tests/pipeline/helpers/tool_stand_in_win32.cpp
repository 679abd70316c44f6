// Stand-in for yt-dlp.exe, ffmpeg.exe and deno.exe in the Windows pipeline tests: one program
// that acts by the name it was started as (its file name without ".exe").
//
// Every run first writes "<name>-<pid>.txt" into the folder TARNWICK_STAND_IN_RECORDS: its
// working folder, its command line exactly as received, then each argument as the C runtime
// parsed it, one a line.
//
// yt-dlp: "--version" prints a version; "-U" (the window's start-up self-update) says it is up
// to date, without any network. Otherwise it downloads the way the job's command line
// asks: the name from the "-o" template (title "Stand-in clip", id "si1", playlist "Playlist",
// index 1, the extension "-x --audio-format" or "--merge-output-format" asks for), printed as
// "[download] Destination: <name>", a ".part" file written beside it, "[P]" progress lines in the
// job's progress template, then the rename to the name and "[F]<path as JSON>".
// With TARNWICK_STAND_IN_HOLD set it stops after the first progress line instead: it starts a
// copy of itself that records itself and waits ("--stand-in-child <ready event>"), prints
// "[debug] helper <pid>" once the helper has its record, and waits for ever, so that only a kill
// of the whole tree ends both.
// ffmpeg: "-version" prints a version; otherwise it copies the file after "-i" to its last
// argument and prints a duration and "-progress" lines. deno: "--version" prints a version.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace {

using tarnwick::wideToUtf8;

void writeAll(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
      ExitProcess(90);
    bytes.remove_prefix(written);
  }
}

void line(std::wstring_view text) {
  writeAll(GetStdHandle(STD_OUTPUT_HANDLE), wideToUtf8(text) + "\n");
}

bool writeFile(const std::wstring& path, std::string_view bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  writeAll(file, bytes);
  CloseHandle(file);
  return true;
}

std::wstring environment(const wchar_t* name) {
  std::wstring value(32768, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
  return value;
}

std::wstring ownPath() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

std::wstring currentFolder() {
  std::wstring folder(32768, L'\0');
  folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
  return folder;
}

void record(const std::wstring& name, int argc, wchar_t** argv) {
  std::wstring text = currentFolder() + L"\n" + GetCommandLineW() + L"\n";
  for (int i = 1; i < argc; ++i) text += std::wstring(argv[i]) + L"\n";
  std::wstring folder = environment(L"TARNWICK_STAND_IN_RECORDS");
  if (folder.empty()) ExitProcess(91);
  if (!writeFile(folder + L"\\" + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L".txt",
                 wideToUtf8(text)))
    ExitProcess(92);
}

// The argument after `option`, or empty.
std::wstring valueOf(const std::vector<std::wstring>& args, std::wstring_view option) {
  for (std::size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == option) return args[i + 1];
  return {};
}

bool has(const std::vector<std::wstring>& args, std::wstring_view option) {
  for (const std::wstring& arg : args)
    if (arg == option) return true;
  return false;
}

// Fills yt-dlp's "%(field|fallback)<format>" fields of the template.
std::wstring fillTemplate(std::wstring_view outputTemplate, const std::wstring& extension) {
  std::wstring out;
  for (std::size_t i = 0; i < outputTemplate.size(); ++i) {
    if (outputTemplate.substr(i, 2) != L"%(") {
      out += outputTemplate[i];
      continue;
    }
    std::size_t close = outputTemplate.find(L')', i);
    if (close == std::wstring_view::npos) ExitProcess(93);
    std::wstring_view field = outputTemplate.substr(i + 2, close - i - 2);
    field = field.substr(0, field.find(L'|'));
    i = outputTemplate.find_first_of(L"sdBjS", close);
    if (i == std::wstring_view::npos) ExitProcess(93);
    if (field == L"file_title")
      out += L"Stand-in clip";
    else if (field == L"file_id")
      out += L"si1";
    else if (field == L"ext")
      out += extension;
    else if (field == L"playlist_title")
      out += L"Playlist";
    else if (field == L"playlist_index")
      out += L"001";
    else
      ExitProcess(94);
  }
  return out;
}

std::wstring extensionOf(const std::vector<std::wstring>& args) {
  if (has(args, L"-x")) {
    std::wstring format = valueOf(args, L"--audio-format");
    return format == L"vorbis" ? L"ogg" : format == L"aac" ? L"m4a" : format.empty() ? L"m4a" : format;
  }
  std::wstring merged = valueOf(args, L"--merge-output-format");
  return merged.empty() ? L"webm" : merged;
}

std::wstring json(std::wstring_view text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') out += L'\\';
    out += c;
  }
  return out + L"\"";
}

// Starts the helper and waits until it has written its record, so that the test finds both.
void startHelper() {
  const std::wstring ready = L"tarnwick-stand-in-ready-" + std::to_wstring(GetCurrentProcessId());
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, ready.c_str());
  std::wstring commandLine = L"\"" + ownPath() + L"\" --stand-in-child " + ready;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!event || !CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                &startup, &started))
    ExitProcess(95);
  WaitForSingleObject(event, INFINITE);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  line(L"[debug] helper " + std::to_wstring(started.dwProcessId));
}

int ytDlp(const std::vector<std::wstring>& args) {
  if (has(args, L"--version")) {
    line(L"2026.11.23");
    return 0;
  }
  if (has(args, L"-U")) {
    line(L"Latest version: stable@2026.11.23");
    line(L"yt-dlp is up to date (stable@2026.11.23)");
    return 0;
  }
  std::wstring name = fillTemplate(valueOf(args, L"-o"), extensionOf(args));
  if (name.empty()) return 2;
  for (wchar_t& c : name)
    if (c == L'/') c = L'\\';
  if (std::size_t cut = name.rfind(L'\\'); cut != std::wstring::npos)
    CreateDirectoryW(name.substr(0, cut).c_str(), nullptr);
  line(L"[generic] Extracting URL: " + args.back());
  line(L"[download] Destination: " + name);
  if (!writeFile(name + L".part", "half a clip")) return 1;
  line(L"[P] 50.0%|  1.00MiB/s|00:01");
  if (!environment(L"TARNWICK_STAND_IN_HOLD").empty()) {
    startHelper();
    Sleep(INFINITE);
  }
  if (!writeFile(name + L".part", "a whole clip") || !MoveFileExW((name + L".part").c_str(), name.c_str(), 0))
    return 1;
  line(L"[P]100.0%|  1.00MiB/s|00:00");
  line(L"[F]" + json(currentFolder() + L"\\" + name));
  return 0;
}

int ffmpeg(const std::vector<std::wstring>& args) {
  if (has(args, L"-version")) {
    line(L"ffmpeg version 7.1-stand-in");
    return 0;
  }
  std::wstring input = valueOf(args, L"-i");
  line(L"  Duration: 00:00:02.00, start: 0.000000, bitrate: 128 kb/s");
  if (input.empty() || !CopyFileW(input.c_str(), args.back().c_str(), FALSE)) return 1;
  line(L"out_time_us=2000000");
  line(L"progress=end");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring name = ownPath();
  name = name.substr(name.find_last_of(L"\\/") + 1);
  if (name.size() > 4 && name.ends_with(L".exe")) name.resize(name.size() - 4);
  record(name, argc, argv);
  std::vector<std::wstring> args(argv + 1, argv + argc);
  if (std::wstring ready = valueOf(args, L"--stand-in-child"); !ready.empty()) {
    SetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, ready.c_str()));
    Sleep(INFINITE);
  }
  if (name == L"yt-dlp") return ytDlp(args);
  if (name == L"ffmpeg") return ffmpeg(args);
  if (name == L"deno" && has(args, L"--version")) {
    line(L"deno 2.1.4");
    return 0;
  }
  return 3;
}
