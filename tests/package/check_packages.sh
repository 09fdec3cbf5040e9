#!/usr/bin/env bash
# Checks the packages as an installer would meet them:
#  - the Debian package declares what it needs, and its files alone,
#    unpacked into a scratch folder (nothing installed, no build folder on
#    any path), run `qelscan info` and a one-document scan whose images the
#    JDK decodes;
#  - the branch zip holds exactly the files a branch needs, its DLL is the
#    one the export check passed, and its tool knows the Windows log
#    folder; the virtual scanner's MIRBAP32.dll travels in its own zip.
# usage: check_packages.sh <packages folder> <folder of the checked QELScanner.dll>
set -uo pipefail
packages=$(cd "$1" && pwd) checked=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail=0
problem() { echo "FAIL: $*"; fail=1; }

# --- the Debian package -------------------------------------------------------
deb=$(ls "$packages"/qelscanner_*_*.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
  problem "no Debian package in $packages"
else
  depends=$(dpkg-deb -f "$deb" Depends)
  for needed in "default-jre-headless | java8-runtime-headless" libpicocli-java libtiff6 libjpeg62-turbo; do
    grep -qF "$needed" <<<"$depends" || problem "the package does not depend on $needed: $depends"
  done
  dpkg-deb -x "$deb" "$scratch/root"
  for file in usr/bin/qelscan usr/lib/jni/libQELScanner.so usr/lib/jni/libMIRBAP32.so \
      usr/share/java/QelScanApi.jar usr/share/java/qelscan.jar; do
    [ -e "$scratch/root/$file" ] || problem "the package lacks /$file"
  done
  if unzip_list=$(cd "$scratch" && jar tf "$scratch/root/usr/share/java/qelscan.jar") &&
      grep -q '^picocli/' <<<"$unzip_list"; then
    problem "the package's qelscan.jar carries its own picocli"
  fi
  # Only the unpacked files and the system's own: no build folder anywhere.
  run() { (cd "$scratch" && env -i PATH=/usr/bin:/bin HOME="$scratch" "$scratch/root/usr/bin/qelscan" "$@"); }
  info=$(run info 2>&1) || problem "qelscan info from the unpacked package failed: $info"
  scan=$(run scan --count 1 --out "$scratch/scan" 2>&1) ||
    problem "a scan from the unpacked package failed: $scan"
  images=("$scratch"/scan/0001-*)
  [ ${#images[@]} -eq 4 ] || problem "the scan left ${#images[@]} images, not 4: ${images[*]}"
  decoded=$(java "$here/DecodeImages.java" "${images[@]}" 2>&1) ||
    problem "the JDK cannot decode the scanned images: $decoded"
fi

# --- the Windows zips ---------------------------------------------------------
listing() { (mkdir -p "$2" && cd "$2" && cmake -E tar xf "$1" && find . -type f | sed 's|^\./||' | sort); }
branch=$(ls "$packages"/QELScanner-*-win32.zip 2>/dev/null | head -n 1)
if [ -z "$branch" ]; then
  problem "no branch zip in $packages"
else
  files=$(listing "$branch" "$scratch/branch")
  expected=$(printf '%s\n' INSTALL.md QELScanner.dll QelScanApi.jar README.md qelscan.cmd qelscan.jar | sort)
  [ "$files" = "$expected" ] || problem "the branch zip holds: $(tr '\n' ' ' <<<"$files")"
  cmp -s "$scratch/branch/QELScanner.dll" "$checked/QELScanner.dll" ||
    problem "the zip's QELScanner.dll is not the one the export check passed"
  (cd "$scratch/branch" && jar xf qelscan.jar QelScan/tool/BuildSettings.class) &&
    grep -qaF 'C:\Temp' "$scratch/branch/QelScan/tool/BuildSettings.class" ||
    problem "the zip's qelscan.jar does not know the log folder C:\\Temp"
fi
virtual=$(ls "$packages"/QELScanner-*-win32-virtual-scanner.zip 2>/dev/null | head -n 1)
if [ -z "$virtual" ]; then
  problem "no virtual scanner zip in $packages"
else
  files=$(listing "$virtual" "$scratch/virtual")
  grep -qx MIRBAP32.dll <<<"$files" || problem "the virtual scanner zip lacks MIRBAP32.dll"
fi

if [ "$fail" -eq 0 ]; then
  echo "packages: $(basename "$deb") runs from its files alone ($(wc -l <<<"$decoded") images decoded);" \
    "$(basename "$branch") holds the checked DLL and the branch's files"
fi
exit "$fail"
