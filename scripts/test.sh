#!/usr/bin/env bash
# Installs what the build needs, builds everything and runs every test:
# the unit tests (plain and sanitized), the symbol checks and the Java tests
# in a real JVM against the virtual scanner, two and a half minutes of the
# fuzzers (the bridge's exports, the virtual scanner's readers), the code's
# layout and clang-tidy's checks; then the 32-bit
# Windows DLL, cross-built with mingw-w64: its export, import and version
# checks, and the unit tests under Wine where this machine can run 32-bit
# x86 programs (elsewhere ctest reports them as skipped and the last line
# says why), with a JVM through its host under Wine; the 64-bit DLLs, the
# bridge and the proxy, and their tests under Wine in a 64-bit prefix
# (the last line but one says whether they ran);
# finally the Debian packages (lintian's judgement among the checks) and
# the Windows zips, checked from outside.
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "$0")/common.sh"
"$root/scripts/install-deps.sh" --windows
use_java_home

build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2
ctest --test-dir "$build" --output-on-failure -j2

# The fuzzers (tests/fuzz): a minute over all 41 exports of the bridge,
# then 20 seconds for each of the virtual scanner's readers (hopper and
# configuration files, TIFF, JPEG) over libtiff and libjpeg built with the
# sanitizers from Debian's sources (once), and 20 seconds for the host
# process's request reader (and the proxy's reply reader). Each starts from a scratch copy
# of its seed corpus, so that the repository's stays as it is; a crash
# fails the run and leaves its input in build/fuzz/artifacts/<target>/.
fuzz="$build/fuzz"
"$root/scripts/build-fuzz-deps.sh" "$build/fuzz-deps"
cmake -S "$root/tests/fuzz" -B "$fuzz" -DCMAKE_CXX_COMPILER=clang++-14 \
  -DQELFUZZ_DEPS="$build/fuzz-deps"
cmake --build "$fuzz" -j2
for run in bridge:60 hopper:20 config:20 tiff:20 jpeg:20 host:20; do
  target=${run%:*}
  mkdir -p "$fuzz/corpus/$target" "$fuzz/artifacts/$target"
  cp "$root/tests/fuzz/corpus/$target"/* "$fuzz/corpus/$target/"
  ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer \
    "$fuzz/${target}_fuzzer" -max_total_time="${run#*:}" -print_final_stats=1 \
    -artifact_prefix="$fuzz/artifacts/$target/" "$fuzz/corpus/$target"
done

# One layout (.clang-format) and no clang-tidy finding (.clang-tidy) over
# the sources of the two builds above.
"$root/tests/check_style.sh" "$build" "$fuzz"

# The Windows DLL, over libtiff and libjpeg cross-built once from Debian's sources.
win32="$build/win32"
configure_win32 "$build"
cmake --build "$win32" -j2
ctest --test-dir "$win32" --output-on-failure -j2
# The 64-bit Windows DLLs: the x64 bridge over the proxy, the 32-bit host
# in x86\ over the stand-in, under Wine in a 64-bit prefix of their own.
win64="$build/win64"
configure_win64 "$build"
cmake --build "$win64" -j2
ctest --test-dir "$win64" --output-on-failure -j2
# The packages of the two builds just tested, as an installer meets them.
packages="$build/packages"
rm -rf "$packages"
(cd "$build" && cpack -B "$packages")
(cd "$win32" && cpack -B "$packages")
(cd "$win64" && cpack -B "$packages")
lintian --fail-on error,warning "$packages"/*.deb
"$root/tests/package/check_packages.sh" "$packages" "$win32/out" "$win64/out"

verdict=$(sed -n 's/^QELSCAN_WINE_VERDICT:INTERNAL=//p' "$win32/CMakeCache.txt")
verdict64=$(sed -n 's/^QELSCAN_WINE_VERDICT:INTERNAL=//p' "$win64/CMakeCache.txt")
echo "Windows tests under Wine: ${verdict:-unknown}"
echo "Windows x64 tests under Wine: ${verdict64:-unknown}"
