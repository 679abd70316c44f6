// Tarnwick's entry point.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "shell/renderer_choice.h"
#include "shell/shell_app.h"

namespace {

// glibc's defaults suit servers more than a window that lives for hours: a freed frame-sized
// surface would raise the mmap threshold and leave later ones in the heap, where they stay
// resident after they are freed, and every short-lived worker thread would keep an arena.
void tuneAllocator() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  mallopt(M_ARENA_MAX, 2);
#endif
}

}  // namespace

int main(int, char** argv) {
  tuneAllocator();
  // Every yt-dlp child writes UTF-8 to its pipes. Set before any thread exists: setenv is not
  // safe while other threads read the environment.
  setenv("PYTHONIOENCODING", "utf-8", 1);
  tarnwick::applyRendererChoice();
  return tarnwick::runApplication(argv[0]);
}
