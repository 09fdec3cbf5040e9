#!/usr/bin/env bash
# Builds the packages into build/packages/:
#   qelscanner_<version>-1_amd64.deb                Linux workstations
#   qelscanner-dbgsym_<version>-1_amd64.deb         its libraries' debug files
#   QELScanner-<version>-win32.zip                  the bank branches
#   QELScanner-<version>-win32-virtual-scanner.zip  developers without a scanner
#   QELScanner-<version>-win32-debug.zip            the two DLLs' debug files
# Installs what the two builds need first, and builds only what the
# packages hold (no tests).
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "$0")/common.sh"
"$root/scripts/install-deps.sh" --windows
use_java_home

build="$root/build"
packages="$build/packages"
targets=(--target QELScanner MIRBAP32 QelScanApi qelscan qelscan_package_files)

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2 "${targets[@]}"
rm -rf "$packages"
(cd "$build" && cpack -B "$packages")

win32="$build/win32"
configure_win32 "$build"
cmake --build "$win32" -j2 "${targets[@]}"
(cd "$win32" && cpack -B "$packages")

echo "Packages:"
ls -1 "$packages"/*.deb "$packages"/*.zip | sed 's/^/  /'
