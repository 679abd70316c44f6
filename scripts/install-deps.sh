#!/usr/bin/env bash
# Installs everything Tarnwick needs to build, run and test on Debian 12 (run as root).
# Safe to run again: it only adds what is missing.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh: run as root (it calls apt-get)." >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive

packages=(
  build-essential cmake pkg-config git ca-certificates xz-utils
  libgtk-4-dev libcairo2-dev libpango1.0-dev libgdk-pixbuf-2.0-dev
  libcurl4-openssl-dev libarchive-dev libcpp-httplib-dev
  libcurl4 libarchive13  # loaded at run time (libcurl.so.4, libarchive.so.13), not linked
  libgtest-dev libgmock-dev libbenchmark-dev
  ffmpeg xvfb xdotool xauth dbus dbus-daemon dbus-x11 imagemagick
  at-spi2-core gir1.2-atspi-2.0 python3-gi  # the accessibility test walks the tree through AT-SPI
  fonts-inter fonts-noto-core fonts-noto-cjk fonts-jetbrains-mono
  fonts-material-design-icons-iconfont fonts-dejavu-core locales
  dpkg-dev file lintian desktop-file-utils appstream  # the Debian package and its checks
)
# The Windows core: cross-built with mingw-w64 (its posix thread model, for std::thread) and
# tested under Wine; wine64 runs the 64-bit programs.
windows_packages=(g++-mingw-w64-x86-64-posix wine wine64)
# The Windows release: rsvg-convert draws the icon from its SVG, icotool packs the .ico (wrestool
# reads the resources back), makensis builds the installer; its test reads the window's icon with
# xprop (x11-utils).
windows_packages+=(librsvg2-bin icoutils nsis x11-utils)
packages+=("${windows_packages[@]}")
# npm fetches deno; a machine that already has Node.js keeps its own.
command -v npm >/dev/null 2>&1 || packages+=(npm)

# yt-dlp comes from trixie-backports: bookworm's lacks --no-quiet and bookworm-backports' lacks
# --js-runtimes. Only that one suite is added, on the mirror this machine already uses.
add_trixie_backports() {
  local list=/etc/apt/sources.list.d/tarnwick-trixie-backports.sources
  [ -f "$list" ] && return 0
  local uris
  uris=$(grep -m1 '^URIs:' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
  if [ -z "$uris" ]; then
    uris=$(awk '/^deb / && $3 ~ /^bookworm$/ {print "URIs: " $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
  fi
  if [ -z "$uris" ]; then
    echo "install-deps.sh: cannot find this machine's Debian mirror." >&2
    exit 1
  fi
  cat >"$list" <<SRC
Types: deb
$uris
Suites: trixie-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  # Never take anything else from that suite unless asked for by name.
  cat >/etc/apt/preferences.d/tarnwick-trixie-backports <<PREF
Package: *
Pin: release n=trixie-backports
Pin-Priority: 100
PREF
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
need_ytdlp=1
if command -v yt-dlp >/dev/null 2>&1 && [ "$(yt-dlp --version 2>/dev/null || echo 0)" \> "2025.11.11" ]; then
  need_ytdlp=0
fi

if [ ${#missing[@]} -gt 0 ] || [ "$need_ytdlp" -eq 1 ]; then
  add_trixie_backports
  apt-get update -q
  [ ${#missing[@]} -gt 0 ] && apt-get install -y -q --no-install-recommends "${missing[@]}"
  [ "$need_ytdlp" -eq 1 ] && apt-get install -y -q --no-install-recommends -t trixie-backports yt-dlp
fi

# A locale with a decimal comma, so the tests can prove numbers never follow the locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE.utf8$'; then
  sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi

# deno for yt-dlp's JavaScript runtime, from the npm package that carries the real binary.
deno_dir=/opt/tarnwick-deno
if [ ! -x "$deno_dir/node_modules/@deno/linux-x64-glibc/deno" ]; then
  mkdir -p "$deno_dir"
  npm install --prefix "$deno_dir" --no-save --no-audit --no-fund @deno/linux-x64-glibc >/dev/null
fi
ln -sf "$deno_dir/node_modules/@deno/linux-x64-glibc/deno" /usr/local/bin/deno

echo "install-deps.sh: all dependencies present (yt-dlp $(yt-dlp --version), $(deno --version | head -n1))."
