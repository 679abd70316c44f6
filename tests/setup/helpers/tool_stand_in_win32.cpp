// Stands in for yt-dlp.exe, deno.exe and ffmpeg.exe in the Windows setup tests: a real Windows
// program that answers the calls the setup makes ("--version", "-version", "-U") and exits 0.
#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wcscmp(argv[1], L"--version") == 0) std::puts("2026.11.23");
  if (argc > 1 && std::wcscmp(argv[1], L"-version") == 0) std::puts("ffmpeg version n8.0-stand-in");
  if (argc > 1 && std::wcscmp(argv[1], L"-U") == 0) std::puts("yt-dlp is up to date (stable@2026.11.23)");
  return 0;
}
