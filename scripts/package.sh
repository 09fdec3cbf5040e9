#!/usr/bin/env bash
# Builds the packages into build/packages/:
#   qelscanner_<version>_amd64.deb                  Linux workstations
#   QELScanner-<version>-win32.zip                  the bank branches
#   QELScanner-<version>-win32-virtual-scanner.zip  developers without a scanner
# Installs what the two builds need first, and builds only what the
# packages hold (no tests).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --windows

if [ -z "${JAVA_HOME:-}" ]; then
  JAVA_HOME=$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")")
  export JAVA_HOME
fi

build="$root/build"
packages="$build/packages"
targets=(--target QELScanner MIRBAP32 QelScanApi qelscan)

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2 "${targets[@]}"
(cd "$build" && cpack -B "$packages")

"$root/scripts/build-win32-deps.sh" "$build/win32-deps"
win32="$build/win32"
cmake -S "$root" -B "$win32" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake" \
  -DQELSCAN_WIN32_DEPS="$build/win32-deps/prefix"
cmake --build "$win32" -j2 "${targets[@]}"
(cd "$win32" && cpack -B "$packages")

echo "Packages:"
ls -1 "$packages"/*.deb "$packages"/*.zip | sed 's/^/  /'
