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
dir=$(cd "$1" && pwd)
prefix="$dir/prefix"
stamp="$dir/stamp"

declare -A version
image_source_versions

key=$(
  echo "libjpeg-turbo ${version[libjpeg-turbo]}"
  echo "tiff ${version[tiff]}"
  i686-w64-mingw32-gcc-posix --version | head -n 1
  sha256sum "$0" "$toolchain" | cut -d' ' -f1
  declare -p jpeg_options tiff_options
)
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$key" ]; then
  echo "Windows libraries up to date in $prefix"
  exit 0
fi

start=$SECONDS
rm -rf "$dir/src" "$dir/build" "$prefix" "$stamp"
fetch_image_sources "$dir/src"

common=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_INSTALL_PREFIX="$prefix")

cmake -S "$dir/src/libjpeg-turbo" -B "$dir/build/libjpeg-turbo" "${common[@]}" \
  "${jpeg_options[@]}"
cmake --build "$dir/build/libjpeg-turbo" -j2
cmake --install "$dir/build/libjpeg-turbo"

cmake -S "$dir/src/tiff" -B "$dir/build/tiff" "${common[@]}" "${tiff_options[@]}"
cmake --build "$dir/build/tiff" -j2
cmake --install "$dir/build/tiff"

echo "$key" >"$stamp"
echo "Windows libraries libjpeg-turbo ${version[libjpeg-turbo]} and tiff ${version[tiff]}" \
  "built into $prefix in $((SECONDS - start)) s"
