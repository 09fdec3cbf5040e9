# shellcheck shell=bash
# The set-up the scripts share; sourced, never run:
#   source "$(dirname "$0")/common.sh"
# sets root, the repository's folder, and defines the functions below.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Exports JAVA_HOME, unless it is set, as the JDK that javac on PATH belongs
# to: CMake's JNI search does not know every JDK folder.
use_java_home() {
  if [ -z "${JAVA_HOME:-}" ]; then
    JAVA_HOME=$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")")
    export JAVA_HOME
  fi
}

# configure_win32 BUILD: cross-builds libtiff and libjpeg for Windows from
# Debian's sources into BUILD/win32-deps (once), and configures the 32-bit
# Windows build in BUILD/win32 with the mingw-w64 toolchain.
configure_win32() {
  "$root/scripts/build-win32-deps.sh" "$1/win32-deps"
  cmake -S "$root" -B "$1/win32" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake" \
    -DQELSCAN_WIN32_DEPS="$1/win32-deps/prefix"
}
