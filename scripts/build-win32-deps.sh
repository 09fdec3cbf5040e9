#!/usr/bin/env bash
# Cross-builds the libraries that the Windows build links statically into the
# virtual scanner, libjpeg-turbo and libtiff, from Debian's source packages
# with the project's mingw-w64 toolchain, into <folder>/prefix (where
# cmake/Windows.cmake looks for them). A stamp of the source versions, the
# compiler and the build recipe makes a later run that would build the same
# thing do nothing.
#   usage: build-win32-deps.sh <folder>
# Needs what `install-deps.sh --windows` brings: the deb-src entries, dpkg-dev
# and the cross compiler.
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 <folder>" >&2
  exit 2
fi
# shellcheck source=scripts/common.sh
source "$(dirname "$0")/common.sh"
toolchain="$root/cmake/toolchain-mingw32.cmake"
mkdir -p "$1"

declare -A version
image_source_versions
build_image_libraries "$(cd "$1" && pwd)" "Windows libraries" "$(
  i686-w64-mingw32-gcc-posix --version | head -n 1
  sha256sum "$0" "$toolchain" | cut -d' ' -f1
)" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
