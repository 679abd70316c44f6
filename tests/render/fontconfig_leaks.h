// Fontconfig keeps its font caches for the life of the process and never frees them at exit;
// the leak checker of the sanitizer run is told so, and only about fontconfig.
#pragma once

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
