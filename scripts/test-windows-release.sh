#!/usr/bin/env bash
# Meets the Windows release the way a user's machine would, under Wine in a fresh prefix: makes the
# zip and the installer (scripts/package-windows.sh), installs silently, reads the installed
# tarnwick.exe's resources back, checks the files, the Start-menu shortcut and the uninstall entry,
# starts the installed program and closes its window (the installer and the uninstaller refusing
# while it runs), installs again over it, uninstalls and checks that the user's tools and settings
# stayed, installs into a folder with spaces and removes it through the registered command, and
# starts the program from the unpacked zip.
# Usage: scripts/test-windows-release.sh [build-folder]   (default build-windows)
# Screenshots go to <build-folder>/screenshots/. Ends with one summary line.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
build=${1:-build-windows}

passed=0 failed=0
pass() {
  passed=$((passed + 1))
  echo "ok: $*"
}
failure() {
  failed=$((failed + 1))
  echo "FAILED: $*"
}
# check <what> <command...>: one check, counted.
check() {
  local what=$1
  shift
  if "$@"; then pass "$what"; else failure "$what"; fi
}
summary() {
  echo "Windows release under Wine: $passed checks passed, $failed failed"
}
# A step the rest cannot do without: counted, and the run ends here.
fatal() {
  failure "$*"
  summary
  exit 1
}

packaged=$(bash scripts/package-windows.sh "$build" | tee /dev/stderr) ||
  fatal "scripts/package-windows.sh made the release"
pass "scripts/package-windows.sh made the release"
zip=$(tail -n2 <<<"$packaged" | head -n1)
setup=$(tail -n1 <<<"$packaged")
version4=$(sed -n 's/^version4=//p' "$build/packaging/windows/release.env")
project_version=$(sed -n 's/^project(Tarnwick VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=$(realpath "$build")/tarnwick-$project_version-windows-x64
check "the release names the project's version ($project_version)" \
  test "$zip" = "$name.zip" -a "$setup" = "$name-setup.exe" -a -f "$zip" -a -f "$setup"

build=$(realpath "$build")
# The probe that reads the program's Windows exit code (tests/shell/win32/helpers).
cmake --build "$build" -j"$(nproc)" --target shell_window_probe >/dev/null ||
  fatal "the window probe builds"
probe_exe=$build/tests/window_probe.exe
screenshots=$build/screenshots
mkdir -p "$screenshots"
rm -f "$screenshots"/installed.png "$screenshots"/portable.png

# Nothing of the real user: HOME and the XDG folders in a sandbox (Wine links the prefix's user
# folders to HOME's), the prefix in the build folder. winemenubuilder is off: it would copy the
# Start-menu shortcut into the desktop's menu.
sandbox=$(mktemp -d)
mkdir -p "$sandbox"/{home,config,data,cache,state,runtime}
chmod 700 "$sandbox/runtime"
export HOME=$sandbox/home XDG_CONFIG_HOME=$sandbox/config XDG_DATA_HOME=$sandbox/data \
  XDG_CACHE_HOME=$sandbox/cache XDG_STATE_HOME=$sandbox/state XDG_RUNTIME_DIR=$sandbox/runtime
export WINEPREFIX=$build/release/wineprefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WAYLAND_DISPLAY

xvfb_pid='' app_pid=''
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$sandbox"
}
trap cleanup EXIT

# A display of our own, on whichever number is free (Xvfb picks it).
source scripts/lib/xvfb.sh
start_xvfb "$sandbox/xvfb.log" || fatal "an Xvfb display of its own ($(cat "$sandbox/xvfb.log"))"
export DISPLAY=$xvfb_display
echo "Xvfb on $DISPLAY"

wineserver -k 2>/dev/null
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
wineserver -w # the prefix is complete once its first server has finished
[ -f "$WINEPREFIX/system.reg" ] || fatal "wineboot made the prefix $WINEPREFIX"
# Text in the screenshots: Tarnwick's fonts registered in the prefix, where the script exists.
if [ -f scripts/wine-fonts.sh ]; then
  bash scripts/wine-fonts.sh "$WINEPREFIX" || failure "scripts/wine-fonts.sh registered the fonts"
fi

# Windows' own names for the places, turned into this machine's paths.
win_env() { wine cmd /c "echo %$1%" 2>/dev/null | tr -d '\r'; }
localappdata=$(win_env LOCALAPPDATA)
appdata=$(win_env APPDATA)
[[ $localappdata == [A-Z]:\\* && $appdata == [A-Z]:\\* ]] ||
  fatal "Wine names LOCALAPPDATA and APPDATA ('$localappdata', '$appdata')"
install_win="$localappdata\\Programs\\Tarnwick"
install_dir=$(winepath -u "$install_win" 2>/dev/null)
shortcut=$(winepath -u "$appdata\\Microsoft\\Windows\\Start Menu\\Programs" 2>/dev/null)/"Tarnwick App.lnk"
data_dir=$(winepath -u "$localappdata\\Tarnwick" 2>/dev/null)
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick'

# The value of one registry value as `reg query` prints it ("    Name    REG_SZ    text").
reg_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print; exit }'
}
reg_type() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v name="$2" '$1 == name { print $2; exit }'
}
# Polls until a path is gone, for at most 60 seconds.
wait_gone() {
  local _
  for _ in $(seq 600); do
    [ -e "$1" ] || return 0
    sleep 0.1
  done
  return 1
}

echo "--- installing: wine setup.exe /S"
wine "$setup" /S
status=$?
check "the installer ends with status 0 (it was $status)" test "$status" -eq 0
for name in tarnwick.exe uninstall.exe README.txt LICENSE.txt; do
  check "installed $install_win\\$name" test -s "$install_dir/$name"
done
exe=$install_dir/tarnwick.exe
[ -f "$exe" ] || fatal "tarnwick.exe was installed"

# --- the program's resources, read back from the installed copy ---
unpacked=$sandbox/zip
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$zip")
check "the zip holds tarnwick.exe, README.txt and LICENSE.txt and nothing else" \
  test "$(cd "$unpacked" && find . -mindepth 1 | sort | tr '\n' ' ')" = \
  "./LICENSE.txt ./README.txt ./tarnwick.exe "
check "the installed tarnwick.exe is the zip's" cmp -s "$exe" "$unpacked/tarnwick.exe"

# VS_VERSIONINFO: a tree of (length, value length, type, UTF-16 key, value, children), each node
# 4-byte aligned; the root's value is VS_FIXEDFILEINFO.
# version_resource <exe>: its version resource's fields as name=value lines.
version_resource() {
  wrestool -x --raw -t 16 "$1" >"$sandbox/version.res" 2>/dev/null
  python3 - "$sandbox/version.res" <<'PY'
import struct, sys

data = open(sys.argv[1], "rb").read()

def align(p):
    return (p + 3) & ~3

def node(off, path):
    length, value_length, kind = struct.unpack_from("<HHH", data, off)
    end = off + length
    key_end = off + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[off + 6:key_end].decode("utf-16-le")
    p = align(key_end + 2)
    if kind == 1:  # text: the length counts UTF-16 units, the terminator included
        print(f"{key}={data[p:p + value_length * 2].decode('utf-16-le').rstrip(chr(0))}")
        p += value_length * 2
    elif key == "VS_VERSION_INFO":
        sig, _, fms, fls, pms, pls = struct.unpack_from("<6I", data, p)
        if sig == 0xFEEF04BD:
            print(f"fixed.FileVersion={fms >> 16}.{fms & 0xFFFF}.{fls >> 16}.{fls & 0xFFFF}")
            print(f"fixed.ProductVersion={pms >> 16}.{pms & 0xFFFF}.{pls >> 16}.{pls & 0xFFFF}")
        p += value_length
    else:
        p += value_length
    p = align(p)
    while p < end:
        p = node(p, path + [key])
    return align(end)

if len(data) >= 6:
    node(0, [])
PY
}
version_resource "$exe" >"$sandbox/version.txt"
version_field() { sed -n "s/^$1=//p" "$sandbox/version.txt"; }
check "ProductVersion is the project's version ($project_version, read: '$(version_field ProductVersion)')" \
  test "$(version_field ProductVersion)" = "$project_version"
check "FileVersion is the project's version ($project_version)" \
  test "$(version_field FileVersion)" = "$project_version"
check "the fixed product and file versions are $version4" \
  test "$(version_field fixed.ProductVersion) $(version_field fixed.FileVersion)" = "$version4 $version4"
check "the version resource names the product (ProductName, FileDescription, CompanyName, OriginalFilename)" \
  test "$(version_field ProductName)|$(version_field FileDescription)|$(version_field CompanyName)|$(
    version_field OriginalFilename)" = "Tarnwick App|Tarnwick App|Tarnwick|tarnwick.exe"

version_resource "$setup" >"$sandbox/setup-version.txt"
check "the installer's own ProductVersion is the project's version" \
  grep -qxF "ProductVersion=$project_version" "$sandbox/setup-version.txt"

# Icon group 1 with every size, and the manifest with its settings.
wrestool -x -t 14 -n 1 "$exe" >"$sandbox/icon.ico" 2>/dev/null
sizes=$(icotool -l "$sandbox/icon.ico" 2>/dev/null |
  sed -n 's/.*--width=\([0-9]*\) --height=\1 --bit-depth=32.*/\1/p' | sort -n | tr '\n' ' ')
check "icon 1 has 32-bit images at 16 20 24 32 40 48 64 256 (has: $sizes)" \
  test "$sizes" = "16 20 24 32 40 48 64 256 "
wrestool -x --raw -t 24 -n 1 "$exe" >"$sandbox/manifest.xml" 2>/dev/null
manifest_settings=$(python3 - "$sandbox/manifest.xml" <<'PY'
import sys, xml.etree.ElementTree as ET

def local(tag):
    return tag.rsplit("}", 1)[-1]

root = ET.parse(sys.argv[1]).getroot()
for e in root.iter():
    name = local(e.tag)
    if name in ("dpiAware", "dpiAwareness", "activeCodePage"):
        print(f"{name}={e.text.strip()}")
    elif name == "requestedExecutionLevel":
        print(f"level={e.get('level')}")
    elif name == "supportedOS":
        print(f"os={e.get('Id')}")
    elif name == "assemblyIdentity" and e.get("name") == "Microsoft.Windows.Common-Controls":
        print(f"controls={e.get('version')}")
PY
)
for want in "dpiAware=true/pm" "dpiAwareness=PerMonitorV2" "activeCodePage=UTF-8" "level=asInvoker" \
  "os={8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}" "controls=6.0.0.0"; do
  check "the manifest (RT_MANIFEST 1) says $want" grep -qxF "$want" <<<"$manifest_settings"
done

# --- what the installer registered ---
check "the Start-menu shortcut 'Tarnwick App.lnk' exists" test -s "$shortcut"
check "the shortcut points at the installed tarnwick.exe" \
  grep -qaF "$install_win\\tarnwick.exe" "$shortcut"
while IFS='|' read -r name type want; do
  got_type=$(reg_type "$uninstall_key" "$name")
  got=$(reg_value "$uninstall_key" "$name")
  check "uninstall entry $name is $type '$want' (is $got_type '$got')" test "$got_type|$got" = "$type|$want"
done <<VALUES
DisplayName|REG_SZ|Tarnwick App
DisplayVersion|REG_SZ|$project_version
Publisher|REG_SZ|Tarnwick
DisplayIcon|REG_SZ|$install_win\\tarnwick.exe,0
InstallLocation|REG_SZ|$install_win
UninstallString|REG_SZ|"$install_win\\uninstall.exe"
QuietUninstallString|REG_SZ|"$install_win\\uninstall.exe" /S
NoModify|REG_DWORD|0x1
NoRepair|REG_DWORD|0x1
VALUES
# EstimatedSize is in KiB: the installed files' size, rounded down.
installed_bytes=$(cat "$install_dir"/* | wc -c)
estimated=$(reg_value "$uninstall_key" EstimatedSize)
estimated_type=$(reg_type "$uninstall_key" EstimatedSize)
check "uninstall entry EstimatedSize is the size in KiB ($((installed_bytes / 1024)), is '$estimated')" \
  test "$estimated_type" = REG_DWORD -a "$((${estimated:-0}))" -eq "$((installed_bytes / 1024))"

# --- the program starts and closes ---
# start_program <exe> <screenshot>: starts it, waits for its window, takes the screenshot.
# Leaves app_pid set and window_id set to the window.
window_id=''
start_program() {
  window_id=''
  wine "$1" >"$sandbox/program.log" 2>&1 &
  app_pid=$!
  window_id=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tarnwick App$' 2>/dev/null | head -n1)
  if [ -z "$window_id" ]; then
    failure "$1 shows its window 'Tarnwick App' within 60 seconds"
    kill "$app_pid" 2>/dev/null
    app_pid=''
    echo "--- its output:"
    cat "$sandbox/program.log"
    return 1
  fi
  pass "$1 shows its window 'Tarnwick App'"
  check "the window draws itself: a screenshot with more than 16 colours in $2 (within 30 seconds)" \
    screenshot_when_drawn "$2"
  check "the window's 16 and 32 pixel icons (Wine's _NET_WM_ICON) are the program's icon 1" \
    window_icon_is_ours
}
# The window is mapped before its first frame: screenshots until one shows a drawn frame (the logo's
# gradient and the text's edges alone have far more than 16 colours; an unpainted window has one).
screenshot_when_drawn() {
  local _ colours=0
  for _ in $(seq 60); do
    import -display "$DISPLAY" -window "$window_id" "$1" 2>/dev/null &&
      colours=$(convert "$1" -format '%k' info: 2>/dev/null)
    [ "${colours:-0}" -gt 16 ] && return 0
    sleep 0.5
  done
  echo "the last screenshot has $colours colours"
  return 1
}
# Wine hands the window's large and small icons to X as _NET_WM_ICON: ARGB images, each after its
# width and height. They must be icon 1's own 32 and 16 pixel images, so the window class must
# have loaded it from the program's resources.
window_icon_is_ours() {
  local property='' _ size
  for _ in $(seq 50); do
    property=$(xprop -id "$window_id" -notype -f _NET_WM_ICON 32c _NET_WM_ICON 2>/dev/null)
    [[ $property == *=* ]] && break
    sleep 0.1
  done
  for size in 16 32; do
    icotool -x --width="$size" --height="$size" --bit-depth=32 -o "$sandbox/icon-$size.png" \
      "$sandbox/icon.ico" || return 1
    convert "$sandbox/icon-$size.png" -depth 8 "rgba:$sandbox/icon-$size.rgba" || return 1
  done
  printf '%s\n' "$property" >"$sandbox/window-icon.txt"
  python3 - "$sandbox" <<'PY'
import re, sys

sandbox = sys.argv[1]
text = open(f"{sandbox}/window-icon.txt").read()
numbers = [int(n) for n in re.findall(r"\d+", text.split("=", 1)[1])] if "=" in text else []
images, i = {}, 0
while i + 2 <= len(numbers):
    w, h = numbers[i], numbers[i + 1]
    images[w] = numbers[i + 2:i + 2 + w * h]
    i += 2 + w * h
for size in (16, 32):
    raw = open(f"{sandbox}/icon-{size}.rgba", "rb").read()
    want = [(a << 24) | (r << 16) | (g << 8) | b for r, g, b, a in zip(*[iter(raw)] * 4)]
    got = images.get(size, [])
    # Exact under Wine 8; a little room for a rounding of the alpha.
    if len(got) != size * size or any(
        abs((a >> s & 255) - (b >> s & 255)) > 4 for a, b in zip(want, got) for s in (0, 8, 16, 24)
    ):
        print(f"the window's {size} x {size} icon is not icon 1's (has sizes {sorted(images)})")
        sys.exit(1)
PY
}
# Closes the window as a user does (Alt+F4: WM_SYSCOMMAND SC_CLOSE, then WM_CLOSE) and checks that
# the program ends, with exit code 0, within 30 seconds. The probe holds the process from before the
# key, so it reads the Windows exit code: Wine 8 has been seen to end its own Unix process of the
# program with SIGKILL after the program had exited with 0.
close_program() {
  local watch=$sandbox/exit-watch.txt _
  wine "$probe_exe" wait-exit tarnwick.exe 30000 >"$watch" 2>>"$sandbox/probe-errors.log" &
  local watcher=$!
  for _ in $(seq 100); do
    grep -q watching "$watch" || ! kill -0 "$watcher" 2>/dev/null && break
    sleep 0.1
  done
  if ! grep -q watching "$watch"; then
    failure "the probe holds the program's process before Alt+F4"
    wait "$watcher"
    kill "$app_pid" 2>/dev/null
    app_pid=''
    return 1
  fi
  xdotool key --window "$window_id" alt+F4 2>/dev/null
  local status=0
  wait "$watcher" || status=$?
  if [ "$status" -ne 0 ]; then
    failure "the program ends within 30 seconds of Alt+F4"
    kill "$app_pid" 2>/dev/null
    app_pid=''
    return 1
  fi
  local code
  code=$(sed -n 2p "$watch")
  check "the program ends with exit code 0 after Alt+F4 (it was $code)" test "$code" = 0
  # Wine's process of it goes too.
  for _ in $(seq 150); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  check "Wine's process of the program ends after it" bash -c "! kill -0 $app_pid 2>/dev/null"
  wait "$app_pid" 2>/dev/null
  app_pid=''
}

echo "--- starting the installed program"
if start_program "$exe" "$screenshots/installed.png"; then
  # While it runs its file is in use: the uninstaller must refuse and leave everything as it was.
  # _?= runs the uninstaller in place, so that wine returns only when it has finished.
  wine "$install_win\\uninstall.exe" /S "_?=$install_win"
  status=$?
  check "the uninstaller refuses while the program runs (status $status, 2 expected)" test "$status" -eq 2
  check "... and leaves the program, its shortcut and its uninstall entry" \
    test -f "$exe" -a -f "$shortcut" -a "$(reg_value "$uninstall_key" DisplayName)" = "Tarnwick App"
  # An update over the running program must not report success with the old file left in place.
  wine "$setup" /S
  status=$?
  check "the installer refuses while the program runs (status $status, 2 expected)" test "$status" -eq 2
  close_program
fi
# An update once it is closed: the same installer over the installed program.
wine "$setup" /S
status=$?
check "installing again over the installed program ends with status 0 (it was $status)" test "$status" -eq 0
installed_again() {
  cmp -s "$exe" "$unpacked/tarnwick.exe" && [ -f "$shortcut" ] &&
    [ "$(reg_value "$uninstall_key" DisplayVersion)" = "$project_version" ]
}
check "... and keeps the program, its shortcut and its uninstall entry" installed_again

# --- uninstalling leaves the user's tools and settings alone ---
data_files() { (cd "$data_dir" 2>/dev/null && find . -type f -exec md5sum {} + | sort); }
mkdir -p "$data_dir/tools"
echo "stands in for a downloaded tool" >"$data_dir/tools/yt-dlp.exe"
wine reg add 'HKCU\Software\Tarnwick' /v Folder /t REG_SZ /d 'C:\Downloads\Tarnwick' /f >/dev/null 2>&1
data_before=$(data_files)
settings() { wine reg query 'HKCU\Software\Tarnwick' /s 2>/dev/null | tr -d '\r'; }
settings_before=$(settings)

echo "--- uninstalling: wine uninstall.exe /S"
# The uninstaller copies itself to the temporary folder and returns at once; that copy does the work.
wine "$install_win\\uninstall.exe" /S
status=$?
check "the uninstaller starts with status 0 (it was $status)" test "$status" -eq 0
check "the uninstaller removes $install_win (within 60 seconds)" wait_gone "$install_dir"
check "the uninstaller removes the Start-menu shortcut" test ! -e "$shortcut"
wine reg query "$uninstall_key" >/dev/null 2>&1
check "the uninstaller removes the key $uninstall_key" test $? -ne 0
check "the tools folder is untouched" test "$(data_files)" = "$data_before"
check "the settings key HKCU\\Software\\Tarnwick is untouched" \
  test -n "$settings_before" -a "$(settings)" = "$settings_before"

# --- a folder of the user's choice, with spaces, removed through the registered command ---
# NSIS takes /D= unquoted and last, as cmd passes it on; the uninstall entry's quoting must hold.
custom_win="$localappdata\\My Programs\\Tarnwick Test"
custom_dir=$(winepath -u "$custom_win" 2>/dev/null)
echo "--- installing into $custom_win"
wine cmd /c "$(winepath -w "$setup" 2>/dev/null) /S /D=$custom_win"
status=$?
check "setup.exe /S /D=<folder with spaces> ends with status 0 (it was $status)" test "$status" -eq 0
check "... and installs there" test -s "$custom_dir/tarnwick.exe" -a -s "$custom_dir/uninstall.exe"
check "... and registers that folder as InstallLocation" \
  test "$(reg_value "$uninstall_key" InstallLocation)" = "$custom_win"
quiet=$(reg_value "$uninstall_key" QuietUninstallString)
# Run as the command line it is, untouched by wine's own quoting of its arguments.
printf '%s\r\n' "$quiet" >"$sandbox/quiet-uninstall.bat"
wine cmd /c "$(winepath -w "$sandbox/quiet-uninstall.bat" 2>/dev/null)"
check "the registered QuietUninstallString ($quiet) removes that folder (within 60 seconds)" \
  wait_gone "$custom_dir"
wine reg query "$uninstall_key" >/dev/null 2>&1
check "... and the uninstall entry" test $? -ne 0

# --- the portable zip ---
echo "--- starting tarnwick.exe from the zip"
if start_program "$unpacked/tarnwick.exe" "$screenshots/portable.png"; then
  close_program
fi

wineserver -k 2>/dev/null
summary
[ "$failed" -eq 0 ]
