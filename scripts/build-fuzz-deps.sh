#!/usr/bin/env bash
# Builds libjpeg-turbo and libtiff from Debian's source packages, as
# build-win32-deps.sh does for Windows, but with clang, AddressSanitizer,
# UndefinedBehaviorSanitizer and libFuzzer's coverage: static libraries in
# <folder>/prefix, which the fuzz build (tests/fuzz) links when it finds
# them, so that an overread inside them shows too. A stamp makes a later
# run that would build the same thing do nothing.
#   usage: build-fuzz-deps.sh <folder>      (tests/fuzz looks in build/fuzz-deps)
# Needs the deb-src entries and dpkg-dev of `install-deps.sh --windows`.
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 <folder>" >&2
  exit 2
fi
# shellcheck source=scripts/common.sh
source "$(dirname "$0")/common.sh"
mkdir -p "$1"
dir=$(cd "$1" && pwd)

declare -A version
image_source_versions
# Without UndefinedBehaviorSanitizer's alignment check: libtiff's LZW
# decoder reads its input a word at a time from any address on x86, by
# design, and would stop every fuzz run in its first minute.
flags="-g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined"
flags+=" -fno-sanitize=alignment -fno-sanitize-recover=all"
flags+=" -fsanitize=fuzzer-no-link"
build_image_libraries "$dir" "Sanitised libraries" "$(
  clang-14 --version | head -n 1
  sha256sum "$0" | cut -d' ' -f1
  echo "$flags"
)" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_INSTALL_LIBDIR="$dir/prefix/lib"
