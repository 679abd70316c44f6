#!/usr/bin/env bash
# Installs what is missing, builds Tarnwick for release and makes its Debian package.
# Usage: scripts/package.sh [build-folder]   (default build-package)
# The last line printed is the package's path: <build-folder>/tarnwick_<version>_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}

bash scripts/install-deps.sh
# Debian's hardening flags, as a package built by dpkg-buildpackage would get them. CMake reads
# CFLAGS, CXXFLAGS and LDFLAGS from the environment when it first configures a build folder.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CFLAGS="$CPPFLAGS $CFLAGS" CXXFLAGS="$CPPFLAGS $CXXFLAGS"

# Their -O2 replaces CMake's Release -O3, at which GCC 12 warns falsely (-Wrestrict) inside
# libstdc++'s string concatenation.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG \
  -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG -DTARNWICK_TESTS=OFF -DTARNWICK_BENCHMARKS=OFF
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/tarnwick_*.deb
(cd "$build" && cpack -G DEB)

deb=$(ls "$build"/tarnwick_*_amd64.deb 2>/dev/null || true)
if [ -z "$deb" ]; then
  echo "package.sh: cpack made no tarnwick_*_amd64.deb in $build." >&2
  exit 1
fi
realpath "$deb"
