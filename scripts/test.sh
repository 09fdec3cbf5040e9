#!/usr/bin/env bash
# Installs what the build needs, builds everything and runs every test:
# the unit tests (plain and sanitized), the symbol checks and the Java tests
# in a real JVM against the virtual scanner; then the 32-bit Windows DLL,
# cross-built with mingw-w64: its export, import and version checks, and the
# unit tests under Wine where this machine can run 32-bit x86 programs
# (elsewhere ctest reports them as skipped and the last line says why).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --windows

# CMake finds the JDK's headers through JAVA_HOME.
if [ -z "${JAVA_HOME:-}" ]; then
  JAVA_HOME=$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")")
  export JAVA_HOME
fi

build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2
ctest --test-dir "$build" --output-on-failure -j2

# libtiff and libjpeg for Windows, from Debian's sources; built once.
win32_deps="$build/win32-deps"
"$root/scripts/build-win32-deps.sh" "$win32_deps"
win32="$build/win32"
cmake -S "$root" -B "$win32" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake" \
  -DQELSCAN_WIN32_DEPS="$win32_deps/prefix"
cmake --build "$win32" -j2
ctest --test-dir "$win32" --output-on-failure -j2
verdict=$(sed -n 's/^QELSCAN_WINE_VERDICT:INTERNAL=//p' "$win32/CMakeCache.txt")
echo "Windows tests under Wine: ${verdict:-unknown}"
