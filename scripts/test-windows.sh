#!/usr/bin/env bash
# Cross-builds the Windows core with mingw-w64 and runs its tests under Wine, in a fresh prefix
# made for this run. Usage: scripts/test-windows.sh [build-folder]   (default build-windows)
# Ends with "N passed, N failed" and, when something failed, the failing tests' names.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}

bash scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"

# A fresh prefix: nothing a previous run left in it (processes, registry, files) counts here.
prefix=$(cd "$build" && pwd)/wineprefix
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wineserver -k 2>/dev/null || true
rm -rf "$prefix"
wineboot -i >/dev/null 2>&1
wineserver -w  # the prefix is complete once its first server has finished

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
