#!/usr/bin/env bash
# Makes the Windows release from the cross-build: a portable zip and a per-user installer.
# Usage: scripts/package-windows.sh [build-folder]   (default build-windows)
# Configures the folder as scripts/test-windows.sh does, builds only tarnwick.exe, checks that it is
# a 64-bit GUI program importing only Windows' own DLLs, and writes
#   <build-folder>/tarnwick-<version>-windows-x64.zip        tarnwick.exe, README.txt, LICENSE.txt
#   <build-folder>/tarnwick-<version>-windows-x64-setup.exe  packaging/windows/installer.nsi
# The last two lines printed are their paths.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}

fail() {
  echo "package-windows.sh: $*" >&2
  exit 1
}

bash scripts/install-deps.sh
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target tarnwick -j"$(nproc)"

# Written by packaging/windows/CMakeLists.txt: exe, icon, version, version4, release_date.
env_file=$build/packaging/windows/release.env
[ -f "$env_file" ] || fail "$env_file is missing: this build has no tarnwick target"
value() { sed -n "s/^$1=//p" "$env_file"; }
exe=$(value exe) icon=$(value icon) version=$(value version) version4=$(value version4)
release_date=$(value release_date)
[ -f "$exe" ] || fail "$exe was not built"

stage=$build/release/stage
rm -rf "$stage"
mkdir -p "$stage"
# The debug information stays in the build folder; users get the program alone.
x86_64-w64-mingw32-strip -o "$stage/tarnwick.exe" "$exe"

headers=$(x86_64-w64-mingw32-objdump -p "$stage/tarnwick.exe")
grep -q '^Magic[[:space:]]*020b' <<<"$headers" || fail "tarnwick.exe is not a 64-bit (PE32+) program"
# A console program would open a console window beside Tarnwick's own.
grep -q '^Subsystem[[:space:]]*00000002' <<<"$headers" || fail "tarnwick.exe is not a Windows GUI program"

# The zip is the whole program: every DLL it imports must come with Windows 10 itself. A DLL the
# program starts to need goes on this list only once it is known to be part of Windows.
windows_dlls=" advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll d2d1.dll d3d11.dll
  dwmapi.dll dwrite.dll dxgi.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ntdll.dll ole32.dll
  oleacc.dll oleaut32.dll propsys.dll shcore.dll shell32.dll shlwapi.dll urlmon.dll user32.dll
  uxtheme.dll version.dll windowscodecs.dll wininet.dll winmm.dll ws2_32.dll "
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | sort -u)
[ -n "$imports" ] || fail "objdump lists no imported DLL in tarnwick.exe"
foreign=()
for dll in $imports; do
  case "$windows_dlls" in
    *[[:space:]]"$dll"[[:space:]]*) ;;
    *) [[ $dll == api-ms-win-* ]] || foreign+=("$dll") ;;  # API sets are Windows' own too
  esac
done
[ ${#foreign[@]} -eq 0 ] || fail "tarnwick.exe imports DLLs that Windows does not have: ${foreign[*]}"
echo "tarnwick.exe imports only Windows' own DLLs: $(paste -sd ' ' <<<"$imports")"

# Text files for Notepad: CRLF line ends.
crlf() { sed 's/$/\r/'; }
sed "s/@VERSION@/$version/" packaging/windows/README.txt | crlf >"$stage/README.txt"
# The licence from the Debian copyright file: the copyright line and the licence's text.
awk '/^Copyright:/ { sub(/^Copyright: */, ""); print "Tarnwick App\n\nCopyright " $0 "\n" }
     /^License:/ { text = 1; next }
     text && !/^ / { text = 0 }
     text { sub(/^ /, ""); print }' data/debian/copyright | crlf >"$stage/LICENSE.txt"
grep -q 'All rights reserved' "$stage/LICENSE.txt" || fail "no licence text found in data/debian/copyright"

name=tarnwick-$version-windows-x64
zip=$(realpath "$build")/$name.zip
setup=$(realpath "$build")/$name-setup.exe
rm -f "$zip" "$setup"
# Fixed times, so that the same sources give the same zip.
(cd "$stage" && cmake -E tar cf "$zip" --format=zip --mtime="$release_date 00:00:00" \
  tarnwick.exe README.txt LICENSE.txt)

# The finish page's picture: the logo on the window's background colour, instead of NSIS's own.
wizard=$build/release/wizard.bmp
rsvg-convert -w 96 -h 96 -o "$build/release/logo.png" data/icons/app.tarnwick.Tarnwick.svg
convert -size 164x314 xc:'#0B0D17' "$build/release/logo.png" -geometry +34+56 -composite \
  -type TrueColor "BMP3:$wizard"

makensis -V2 -NOCD -DVERSION="$version" -DVERSION4="$version4" -DSTAGE="$(realpath "$stage")" \
  -DICON="$icon" -DWIZARD="$(realpath "$wizard")" -DOUTFILE="$setup" packaging/windows/installer.nsi
[ -f "$setup" ] || fail "makensis made no $setup"
echo "$zip"
echo "$setup"
