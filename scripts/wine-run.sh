#!/usr/bin/env bash
# Runs one Windows program under Wine, headless, in the given prefix.
# Usage: scripts/wine-run.sh <wineprefix> <program.exe> [arguments...]
# The Windows build names it as its cross-compiling emulator, so ctest runs the tests through it.
set -euo pipefail
export WINEPREFIX=$1
shift
export WINEDEBUG=-all
# No Mono or Gecko installer prompts: nothing here needs .NET or the HTML engine.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# Only a display made for the test run (Xvfb, scripts/test-windows.sh), never the desktop's.
if [ -n "${TARNWICK_WINE_DISPLAY:-}" ]; then export DISPLAY=$TARNWICK_WINE_DISPLAY; fi
exec wine "$@"
