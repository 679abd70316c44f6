#!/usr/bin/env bash
# Makes the Debian package and meets it the way a user's machine would: lintian finds no error,
# apt installs it, the desktop entry and AppStream metadata validate, the installed program opens
# its window on a virtual display and closes from it, and removing the package leaves none of its
# files behind.
# Usage: scripts/check-package.sh [build-folder]   (as root: it installs and removes the package)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}

fail() {
  echo "check-package.sh: FAILED: $*" >&2
  exit 1
}
step() { echo "--- check-package.sh: $*"; }

[ "$(id -u)" -eq 0 ] || fail "run as root: the check installs and removes the package"
if dpkg-query -W -f='${Status}' tarnwick 2>/dev/null | grep -q 'install ok installed'; then
  fail "tarnwick is installed already; remove it first (the check must see what its own install adds)"
fi
export DEBIAN_FRONTEND=noninteractive
# Other programs may hold the package database for a while.
apt_get() { apt-get -o DPkg::Lock::Timeout=600 "$@"; }

version=$(sed -n 's/^project(Tarnwick VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt's project()"

sandbox=$(mktemp -d)
xvfb_pid='' bus_pid='' app_pid='' installed=0
cleanup() {
  local pid
  for pid in $app_pid $bus_pid $xvfb_pid; do kill "$pid" 2>/dev/null || true; done
  if [ "$installed" -eq 1 ]; then
    echo "check-package.sh: removing the package after the failure" >&2
    apt_get remove -y -q tarnwick >/dev/null || true
  fi
  rm -rf "$sandbox"
}
trap cleanup EXIT

step "building the package"
bash scripts/package.sh "$build"
deb=$(realpath "$build/tarnwick_${version}_amd64.deb" 2>/dev/null) || true
[ -f "$deb" ] || fail "no $build/tarnwick_${version}_amd64.deb"

step "lintian"
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors (tags marked E: above)"

step "control fields"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', CMakeLists.txt says $version"
# One line per wanted relation: field, then the package that must be named in it.
while read -r name wanted; do
  grep -Eq "^ *$wanted( |\$)" <<<"$(field "$name" | tr ',' '\n')" ||
    fail "$name does not name $wanted: $(field "$name")"
done <<'WANTED'
Depends libcurl4
Depends libarchive13
Depends libgtk-4-1
Depends libc6
Recommends yt-dlp
Recommends ffmpeg
WANTED
for name in Section Priority Maintainer Description Homepage; do
  [ -n "$(field "$name")" ] || fail "the control file has no $name"
done

step "installing"
apt_get install -y -q "$deb"
installed=1
dpkg -L tarnwick >"$sandbox/files"
desktop=/usr/share/applications/app.tarnwick.Tarnwick.desktop
metainfo=/usr/share/metainfo/app.tarnwick.Tarnwick.metainfo.xml
for path in /usr/bin/tarnwick "$desktop" "$metainfo" /usr/share/icons/hicolor/scalable/apps/app.tarnwick.Tarnwick.svg \
  /usr/share/doc/tarnwick/copyright /usr/share/doc/tarnwick/changelog.gz /usr/share/man/man1/tarnwick.1.gz; do
  [ -f "$path" ] || fail "$path was not installed"
  grep -qxF "$path" "$sandbox/files" || fail "$path is not listed by dpkg -L tarnwick"
done
[ "$(command -v tarnwick)" = /usr/bin/tarnwick ] || fail "tarnwick on PATH is '$(command -v tarnwick)'"

step "desktop entry and AppStream metadata"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
appstreamcli validate --no-net --explain "$metainfo" || fail "appstreamcli rejects $metainfo"
grep -q "<release version=\"$version\"" "$metainfo" || fail "$metainfo has no release $version"
# The footer's notice is a wide string: UTF-32 in the binary.
grep -qF "Tarnwick $version" <<<"$(strings -e L /usr/bin/tarnwick)" || fail "the footer of /usr/bin/tarnwick does not name $version"

step "starting the installed program"
mkdir -p "$sandbox"/{home,config,data,cache,state,runtime}
chmod 700 "$sandbox/runtime"
source scripts/lib/xvfb.sh
start_xvfb "$sandbox/xvfb.log" || fail "Xvfb did not start: $(cat "$sandbox/xvfb.log")"
export DISPLAY=$xvfb_display
{
  read -r bus_address
  read -r bus_pid
} < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
[ -n "$bus_pid" ] || fail "dbus-daemon did not start"

(
  cd "$sandbox/home"
  export HOME="$sandbox/home" XDG_CONFIG_HOME="$sandbox/config" XDG_DATA_HOME="$sandbox/data" \
    XDG_CACHE_HOME="$sandbox/cache" XDG_STATE_HOME="$sandbox/state" XDG_RUNTIME_DIR="$sandbox/runtime" \
    DBUS_SESSION_BUS_ADDRESS="$bus_address" GDK_BACKEND=x11 GSK_RENDERER=cairo GDK_DEBUG=gl-disable \
    NO_AT_BRIDGE=1 GTK_A11Y=none
  unset WAYLAND_DISPLAY
  exec tarnwick
) >"$sandbox/tarnwick.log" 2>&1 &
app_pid=$!
app_log() {
  echo "--- tarnwick's output:"
  cat "$sandbox/tarnwick.log"
}

window=$(timeout 120 xdotool search --sync --onlyvisible --name '^Tarnwick App$' | head -n1) || true
[ -n "$window" ] || {
  app_log
  fail "the window 'Tarnwick App' did not appear within 120 seconds"
}
echo "window $window is visible"
# The desktop entry's StartupWMClass must match, or a dock shows the running program as another.
class=$(awk -F= '$1 == "StartupWMClass" {print $2}' "$desktop")
grep -qx "$window" <<<"$(xdotool search --onlyvisible --classname "^$class\$")" ||
  fail "the window's WM_CLASS does not name '$class' (the desktop entry's StartupWMClass)"
sleep 3
kill -0 "$app_pid" 2>/dev/null || {
  app_log
  fail "tarnwick ended by itself within 3 seconds of showing its window"
}

step "closing the window"
eval "$(xdotool getwindowgeometry --shell "$window")"
# The close button sits at the right end of the header bar.
xdotool mousemove --sync "$((X + WIDTH - 20))" "$((Y + 22))" click 1
for _ in $(seq 300); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then
  app_log
  fail "tarnwick still runs 30 seconds after its close button was clicked"
fi
status=0
wait "$app_pid" || status=$?
app_pid=''
[ "$status" -eq 0 ] || {
  app_log
  fail "tarnwick ended with status $status after its window was closed"
}
kill "$bus_pid" "$xvfb_pid" 2>/dev/null || true
bus_pid='' xvfb_pid=''
if [ -s "$sandbox/tarnwick.log" ]; then
  echo "tarnwick's output (first 20 lines):"
  head -n 20 "$sandbox/tarnwick.log"
fi

step "removing"
apt_get remove -y -q tarnwick
installed=0
if dpkg-query -W -f='${Status}' tarnwick 2>/dev/null | grep -q 'install ok installed'; then
  fail "tarnwick is still installed after apt-get remove"
fi
# Every file must be gone; a folder may stay only while another package still owns it.
left=()
while read -r path; do
  [ "$path" = /. ] && continue
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    dpkg-query -S "$path" >/dev/null 2>&1 || [ -n "$(ls -A "$path")" ] || left+=("$path/ (empty, owned by no package)")
  elif [ -e "$path" ] || [ -L "$path" ]; then
    left+=("$path")
  fi
done <"$sandbox/files"
if [ ${#left[@]} -gt 0 ]; then
  printf '  left behind: %s\n' "${left[@]}" >&2
  fail "apt-get remove left ${#left[@]} of the package's files behind"
fi
echo "check-package.sh: tarnwick $version passed: lintian, install, validation, window, removal."
