// Tarnwick's entry point.
#include <cstdlib>

#include "shell/shell_app.h"

int main(int, char** argv) {
  // Every yt-dlp child writes UTF-8 to its pipes. Set before any thread exists: setenv is not
  // safe while other threads read the environment.
  setenv("PYTHONIOENCODING", "utf-8", 1);
  return tarnwick::runApplication(argv[0]);
}
