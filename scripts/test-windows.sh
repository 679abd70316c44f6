#!/usr/bin/env bash
# Cross-builds the Windows core with mingw-w64 and runs its tests under Wine, in a fresh prefix
# made for this run. Usage: scripts/test-windows.sh [build-folder]   (default build-windows)
# Ends with "N passed, N failed" and, when something failed, the failing tests' names.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}

bash scripts/install-deps.sh
# A compiler launcher (ccache) passes through when the environment names one; none is needed.
launchers=()
for lang in C CXX; do
  var=CMAKE_${lang}_COMPILER_LAUNCHER
  if [ -n "${!var:-}" ]; then launchers+=("-D$var=${!var}"); fi
done
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "${launchers[@]}"
cmake --build "$build" -j"$(nproc)"

# The Cairo side of the Direct2D comparison, from a Linux build of the render layer inside this
# build folder: the reference frame and its layout, where the Windows test reads them.
reference=$build/cairo-reference
cmake -S . -B "$reference" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_BENCHMARKS=OFF "${launchers[@]}" >/dev/null
cmake --build "$reference" -j"$(nproc)" --target render_cairo_reference
"$reference/tests/render_cairo_reference" "$build/screenshots"

# Direct2D under Wine draws through wined3d on OpenGL, which needs an X display: a virtual one of
# this run's own, on whichever display number is free (Xvfb picks it and reports it when ready).
source scripts/lib/xvfb.sh
xvfb_pid=''
trap '[ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true' EXIT
start_xvfb /dev/null || { echo "test-windows.sh: Xvfb did not start" >&2; exit 1; }

# A fresh prefix: nothing a previous run left in it (processes, registry, files) counts here.
prefix=$(cd "$build" && pwd)/wineprefix
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY
export DISPLAY=$xvfb_display TARNWICK_WINE_DISPLAY=$xvfb_display  # wine-run.sh keeps it
wineserver -k 2>/dev/null || true
rm -rf "$prefix"
wineboot -i >/dev/null 2>&1
wineserver -w  # the prefix is complete once its first server has finished
bash scripts/wine-fonts.sh "$prefix"

set +e
rm -f "$build/Testing/Temporary/LastTestsFailed.log"  # an earlier run's list must not be shown
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" 2>&1 | tee "$build/ctest-output.txt"
status=${PIPESTATUS[0]}
set -e
# Whatever a failing test left running in the prefix goes with its server.
wineserver -k 2>/dev/null || true

# ctest's summary: "<p>% tests passed, <f> tests failed out of <n>".
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$build/ctest-output.txt" || true)
failed=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$summary")
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
if [ -z "$summary" ]; then
  echo "Windows core under Wine: ctest gave no summary (exit $status)"
  exit $((status == 0 ? 1 : status))
fi
if [ -s "$build/Testing/Temporary/LastTestsFailed.log" ]; then
  echo "Failing tests under Wine:"
  sed 's/^[0-9]*:/  /' "$build/Testing/Temporary/LastTestsFailed.log"
fi
echo "Windows core under Wine: $((total - failed)) passed, $failed failed"
exit "$status"
