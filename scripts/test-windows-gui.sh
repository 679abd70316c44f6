#!/usr/bin/env bash
# The Win32 window end to end under Wine, as a user meets it: it opens, a second start brings it
# forward, a link typed and a choice clicked download to "Done!", Esc cancels a running download
# without leaving anything, and closing it ends the program. Stand-ins for yt-dlp, ffmpeg and
# deno sit in the tools folder, so nothing is fetched; the link is a loopback one.
# Usage: scripts/test-windows-gui.sh [build-folder]   (default build-windows)
# Ends with "Windows window under Wine: N passed, M failed"; any failure makes the exit non-zero.
#
# Wine runs in its virtual desktop (explorer /desktop, made the prefix's default so that every
# start lands on the same desktop): on a bare X server without a window manager Wine does not
# raise or focus a window that SetForegroundWindow brings forward, and keys go to whatever window
# lies under the pointer; inside the virtual desktop Wine stacks and focuses its windows itself.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}

# --- Build what the run needs (up to date already after scripts/test-windows.sh) ---
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" -j"$(nproc)" --target tarnwick shell_window_probe \
  pipeline_stand_in_yt-dlp pipeline_stand_in_ffmpeg pipeline_stand_in_deno
build=$(cd "$build" && pwd)
program=$build/src/main/tarnwick.exe
probe_exe=$build/tests/window_probe.exe
for file in "$program" "$probe_exe" "$build"/tests/stand_ins/{yt-dlp,ffmpeg,deno}.exe; do
  [ -f "$file" ] || { echo "test-windows-gui.sh: $file was not built" >&2; exit 1; }
done

# --- A sandbox of our own: HOME, XDG folders, the prefix, the display ---
sandbox=$(mktemp -d)
mkdir -p "$sandbox"/{home,config,data,cache,state,runtime,records,saved,saved-cancel}
chmod 700 "$sandbox/runtime"
export HOME=$sandbox/home XDG_CONFIG_HOME=$sandbox/config XDG_DATA_HOME=$sandbox/data
export XDG_CACHE_HOME=$sandbox/cache XDG_STATE_HOME=$sandbox/state XDG_RUNTIME_DIR=$sandbox/runtime
export WINEPREFIX=$build/wineprefix-gui WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY
screenshots=$build/screenshots
mkdir -p "$screenshots"
rm -f "$screenshots"/window-*.png

xvfb_pid=''
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$sandbox"
}
trap cleanup EXIT

# A display of our own, on whichever number is free (Xvfb picks it).
source scripts/lib/xvfb.sh
start_xvfb "$sandbox/xvfb.log" ||
  { echo "test-windows-gui.sh: no Xvfb display could be started: $(cat "$sandbox/xvfb.log")" >&2; exit 1; }
display=$xvfb_display

# A fresh prefix: made headless, then given the virtual desktop, the save folder and the tools.
unset DISPLAY
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
wineserver -w
if [ -f scripts/wine-fonts.sh ]; then
  bash scripts/wine-fonts.sh "$WINEPREFIX"
fi
windows_path() { winepath -w "$1" 2>/dev/null; }
reg_string() { printf '%s' "${1//\\/\\\\}"; }
saved_folder() {
  cat >"$sandbox/settings.reg" <<EOF
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Tarnwick]
"Folder"="$(reg_string "$(windows_path "$1")")"
EOF
  wine reg import "$sandbox/settings.reg" >/dev/null 2>&1
}
cat >"$sandbox/desktop.reg" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1280x1024"
EOF
wine reg import "$sandbox/desktop.reg" >/dev/null 2>&1
saved_folder "$sandbox/saved"
local_app_data=$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
tools=$(winepath -u "$local_app_data\\Tarnwick\\tools" 2>/dev/null) || true
if [ -z "$local_app_data" ] || [ -z "$tools" ]; then
  echo "test-windows-gui.sh: the prefix names no LocalAppData folder" >&2
  exit 1
fi
mkdir -p "$tools"
cp "$build"/tests/stand_ins/{yt-dlp,ffmpeg,deno}.exe "$tools/"
export TARNWICK_STAND_IN_RECORDS
TARNWICK_STAND_IN_RECORDS=$(windows_path "$sandbox/records")
# The desktop those headless steps made has no display; the window's starts make a new one.
wineserver -w
export DISPLAY=$display

# --- Checks: each reports its own failure, and the run goes on to the next ---
set +e
passed=0 failed=0
pass() {
  echo "PASS $1"
  passed=$((passed + 1))
}
fail() {
  echo "FAIL $1: $2"
  failed=$((failed + 1))
}
probe() { wine "$probe_exe" "$@" 2>>"$sandbox/probe-errors.log"; }
screenshot() { import -display "$display" -window root "$screenshots/$1.png"; }
# Clicks the middle of the element's rectangle ("left top right bottom").
click_element() {
  local left top right bottom
  read -r left top right bottom <<<"$(probe rect "$@")" && [ -n "$bottom" ] || return 1
  xdotool mousemove --sync $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
}
files_in() { (cd "$1" && find . -type f | sed 's|^\./||' | sort); }

program_pid=''
# Starts the program in the background; answers once its window is on the screen.
start_program() {
  wine "$program" >>"$sandbox/tarnwick.log" 2>&1 &
  program_pid=$!
  timeout 60 xdotool search --sync --name '^Tarnwick App$' >/dev/null
}
# Polls (bounded) until the started program has ended.
program_ended() {
  for _ in $(seq 150); do
    kill -0 "$program_pid" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}
# The setup job at start-up runs the stand-in's "-U"; once that is logged, nothing was installed.
setup_logged() { probe wait-log 'yt-dlp is up to date' 30000 >/dev/null; }

link='http://127.0.0.1:1/watch?v=abc'  # link-like, but no video id: no preview, no web lookup
type_link() {
  click_element link-edit || return 1
  xdotool type --delay 15 "$link"
  # xdotool returns once X has the keys; the window takes them a little later.
  for _ in $(seq 100); do
    [ "$(probe link)" = "$link" ] && return 0
    sleep 0.1
  done
  return 1
}

echo "--- Windows window under Wine (display $display, prefix $WINEPREFIX)"

# a. The window opens, once, with the welcome line.
check_opens() {
  start_program || { fail "window opens" "no window named \"Tarnwick App\" within 60 s"; return; }
  local count
  count=$(probe count)
  [ "$count" = 1 ] || { fail "window opens" "$count TarnwickDesktopWnd windows, not 1"; return; }
  probe wait-log 'Welcome to Tarnwick App!' 10000 >/dev/null ||
    { fail "window opens" "no welcome line in the log: $(probe log)"; return; }
  setup_logged || { fail "window opens" "the start-up setup did not run the stand-in's yt-dlp -U"; return; }
  screenshot window-idle
  pass "window opens (1 window, welcome line, start-up setup on the stand-ins)"
}

# b. A second start restores and raises the first window and exits 0.
check_second_start() {
  [ "$(probe minimize)" = yes ] || { fail "second start" "the window did not minimise"; return; }
  # Something else in front, so that the check can tell whether the second start changed it.
  wine notepad >/dev/null 2>&1 &
  local cover=$!
  timeout 30 xdotool search --sync --name 'Notepad' >/dev/null ||
    { fail "second start" "the covering Notepad did not open"; kill "$cover"; return; }
  if [ "$(probe foreground)" = yes ]; then
    fail "second start" "the window stayed in front behind Notepad; nothing to bring forward"
    kill "$cover"
    return
  fi
  local status=0
  timeout 30 wine "$program" >>"$sandbox/tarnwick-second.log" 2>&1 || status=$?
  local count iconic front
  count=$(probe count) iconic=$(probe iconic) front=$(probe foreground)
  screenshot window-front
  kill "$cover" 2>/dev/null
  wait "$cover" 2>/dev/null
  if [ "$status" -ne 0 ]; then
    fail "second start" "the second start exited with $status (124: still running after 30 s)"
  elif [ "$count" != 1 ]; then
    fail "second start" "$count windows after the second start"
  elif [ "$iconic" != no ]; then
    fail "second start" "the first window is still minimised"
  elif [ "$front" != yes ]; then
    fail "second start" "the first window is not the foreground window"
  else
    pass "second start (exit 0, still 1 window, restored and in front)"
  fi
}

# The layout the probe reproduces must be the window's: the link box EDIT sits where the layout
# puts it, so the drawn elements are where the probe says.
layout_matches() {
  local drawn edit
  drawn=$(probe rect link-edit) && edit=$(probe control-rect link) || return 1
  awk -v a="$drawn" -v b="$edit" 'BEGIN {
    split(a, p, " "); split(b, q, " ")
    for (i = 1; i <= 4; i++) if (p[i] - q[i] > 1 || q[i] - p[i] > 1) exit 1
  }' || { echo "layout $drawn, EDIT $edit" >>"$sandbox/probe-errors.log"; return 1; }
}

# c. Typed link, Audio and FLAC clicked, Download clicked: "Done!" and the file in the folder.
check_download() {
  layout_matches || { fail "download" "the probe's layout does not match the window ($(tail -n1 "$sandbox/probe-errors.log"))"; return; }
  type_link || { fail "download" "the link box holds \"$(probe link)\", not the typed link"; return; }
  if ! { click_element audio && click_element format-3 audio && click_element download; }; then
    fail "download" "an element to click was not found"
    return
  fi
  if ! probe wait-log 'Done!' 60000 >/dev/null; then
    fail "download" "no \"Done!\" within 60 s; the log: $(probe log | tail -n 5 | tr '\n' '|')"
    return
  fi
  screenshot window-done
  local log files
  log=$(probe log)
  files=$(files_in "$sandbox/saved")
  if ! grep -qF "$link  (FLAC)" <<<"$log"; then
    fail "download" "the log does not show the link as a FLAC download: $(grep -F "$link" <<<"$log")"
  elif ! grep -qxF -- "$link" <<<"$(cat "$sandbox"/records/yt-dlp-*.txt)"; then
    fail "download" "no yt-dlp run received the typed link"
  elif [ "$(wc -l <<<"$files")" -ne 1 ] || [[ "$files" != "Stand-in clip"*.flac ]] || [[ "$files" == *ctmp* ]]; then
    fail "download" "the save folder holds [$(tr '\n' ',' <<<"$files")], not one finished \"Stand-in clip….flac\""
  elif ! grep -qF "Done!  $(windows_path "$sandbox/saved")\\$files" <<<"$log"; then
    fail "download" "the Done line names another file than $files: $(grep -F 'Done!' <<<"$log")"
  else
    pass "download (link typed, Audio and FLAC clicked, Download clicked: Done!, \"$files\" saved)"
  fi
}

# Closing from the keyboard ends the program with exit code 0. The probe holds the process from
# before the key, so it sees the Windows exit code; Wine's own Unix process may end later (after
# a download Wine 8 has been seen to end it with SIGKILL once the program had exited).
check_close() {
  local watch=$sandbox/exit-watch.txt
  probe wait-exit tarnwick.exe 15000 >"$watch" &
  local watcher=$!
  for _ in $(seq 100); do
    grep -q watching "$watch" || ! kill -0 "$watcher" 2>/dev/null && break
    sleep 0.1
  done
  if ! grep -q watching "$watch"; then
    fail "$1" "the probe could not hold the program's process ($(probe processes tarnwick.exe) running)"
    wait "$watcher"
    return
  fi
  xdotool key alt+F4
  local status=0 code
  wait "$watcher" || status=$?
  code=$(sed -n 2p "$watch")
  if [ "$status" -ne 0 ]; then
    fail "$1" "the program still runs 15 s after Alt+F4 ($(probe count) windows)"
  elif [ "$code" != 0 ]; then
    fail "$1" "the program ended with exit code $code"
  elif ! program_ended; then
    fail "$1" "Wine's process of the program did not end"
  elif [ "$(probe processes tarnwick.exe)" != 0 ]; then
    fail "$1" "a tarnwick.exe process is left"
  else
    wait "$program_pid" 2>/dev/null
    pass "$1 (Alt+F4 ends the program with exit code 0)"
  fi
}

# d. Esc during a download that hangs: the cancelled line, no tool left, nothing in the folder.
check_cancel() {
  saved_folder "$sandbox/saved-cancel"
  export TARNWICK_STAND_IN_HOLD=1
  start_program || { fail "Esc cancels" "no window within 60 s"; unset TARNWICK_STAND_IN_HOLD; return; }
  unset TARNWICK_STAND_IN_HOLD
  setup_logged || { fail "Esc cancels" "the start-up setup did not finish"; return; }
  if ! { type_link && click_element download; }; then
    fail "Esc cancels" "the download could not be started"
    return
  fi
  # The stand-in and the helper it starts, and its partial file: the download is under way.
  if ! probe wait-processes yt-dlp.exe 2 30000 >/dev/null; then
    fail "Esc cancels" "the held download never ran (yt-dlp.exe processes: $(probe processes yt-dlp.exe))"
    return
  fi
  local partial
  partial=$(files_in "$sandbox/saved-cancel")
  [ -n "$partial" ] || { fail "Esc cancels" "the held download wrote no partial file"; return; }
  xdotool key Escape
  if ! probe wait-log 'Cancelled.' 20000 >/dev/null; then
    fail "Esc cancels" "no \"Cancelled.\" within 20 s after Esc"
  elif ! probe wait-processes yt-dlp.exe 0 5000 >/dev/null; then
    fail "Esc cancels" "$(probe processes yt-dlp.exe) yt-dlp.exe processes left after the cancel"
  elif [ -n "$(files_in "$sandbox/saved-cancel")" ]; then
    fail "Esc cancels" "left in the save folder: $(files_in "$sandbox/saved-cancel" | tr '\n' ',')"
  else
    pass "Esc cancels (Cancelled., no yt-dlp.exe left, $(wc -l <<<"$partial") partial file(s) removed)"
  fi
  screenshot window-cancelled
}

check_opens
check_second_start
check_download
check_close "close after the download"
check_cancel
check_close "close"

if [ "$failed" -ne 0 ]; then
  for log in probe-errors tarnwick; do
    [ -s "$sandbox/$log.log" ] && { echo "--- $log.log (last lines)"; tail -n 20 "$sandbox/$log.log"; }
  done
fi
echo "Windows window under Wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
