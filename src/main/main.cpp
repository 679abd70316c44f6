// Tarnwick's entry point.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "shell/gtk/renderer_choice.h"
#include "shell/gtk/shell_app.h"

namespace {

// glibc's defaults suit servers more than a window that lives for hours: every short-lived
// worker thread would keep an arena of its own. The mmap threshold stays glibc's own, which
// adapts: an animation's frame-sized buffers are then reused from the heap, where a fixed low
// threshold mapped and zero-filled them afresh on every frame (half the CPU of an animated frame).
void tuneAllocator() {
#if defined(__GLIBC__)
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
