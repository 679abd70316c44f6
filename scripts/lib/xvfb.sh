# shellcheck shell=bash
# Sourced by the scripts that need a virtual X display of their own; defines start_xvfb.
#
# start_xvfb <log-file>: starts Xvfb on a display number it picks itself from the free ones
# (-displayfd), so runs side by side never race for a number. Xvfb writes that number only once
# it accepts clients, so reading it is the wait: bounded, and over at once if Xvfb ends.
# Sets xvfb_display (":N") and xvfb_pid and registers no trap: the caller's cleanup kills
# xvfb_pid. Returns 1, with both empty and that Xvfb ended, when no display came up within
# 30 seconds; Xvfb's output is in <log-file>.
start_xvfb() {
  local log=$1 fifo_dir number=''
  xvfb_display='' xvfb_pid=''
  fifo_dir=$(mktemp -d) || return 1
  mkfifo "$fifo_dir/display" || { rm -rf "$fifo_dir"; return 1; }
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
    3>"$fifo_dir/display" >"$log" 2>&1 &
  xvfb_pid=$!
  # EOF (Xvfb gone) or the time limit leave the number empty.
  read -r -t 30 number <"$fifo_dir/display" || true
  rm -rf "$fifo_dir"
  if [[ ! $number =~ ^[0-9]+$ ]]; then
    # Only the Xvfb just started: it may still be starting when the time ran out.
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=''
    return 1
  fi
  # shellcheck disable=SC2034  # read by the caller
  xvfb_display=:$number
}
