#!/usr/bin/env bash
# Checks the packages as an installer would meet them:
#  - the Debian package declares what it needs, and its files alone,
#    unpacked into a scratch folder (nothing installed, no build folder on
#    any path), run `qelscan info` and a one-document scan whose images the
#    JDK decodes;
#  - the branch zip holds exactly the files a branch needs, its DLL is the
#    one the export check passed, and its tool knows the Windows log
#    folder; the virtual scanner's MIRBAP32.dll travels in its own zip;
#  - both carry the capture library, qelscan-capture.jar beside qelscan.jar
#    (an automatic module, holding none of QelScanApi.jar's classes), and
#    the whole of its Javadoc;
#  - every package and zip carries
#    LICENSE, NOTICE and third-party notices naming exactly the components
#    its binaries show they hold or link; its libraries and DLLs carry no
#    debug information, and the debug package or zip holds theirs.
#  - the 64-bit zip holds exactly the x64 bridge, the proxy, x86\'s host
#    and the branch's files, its DLLs the ones the x64 checks passed;
# usage: check_packages.sh <packages folder> <folder of the checked QELScanner.dll>
#                          <folder of the checked x64 DLLs>
set -uo pipefail
packages=$(cd "$1" && pwd) checked=$(cd "$2" && pwd) checked64=$(cd "$3" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail=0
problem() { echo "FAIL: $*"; fail=1; }

# --- what binaries hold, as they show it --------------------------------------
# The Debian source package of each component, from the symbols it defines
# (on 32-bit Windows C names carry one more leading underscore).
symbol_components='
^_?TIFF                                tiff
^_?jpeg_                               libjpeg-turbo
^_?(pthread_|__mingw_)                 mingw-w64
^_?(__stack_chk_|__gcc_|_Unwind_|__cxa_) gcc-mingw-w64'
# holds FILE SYMBOLS: the components binary FILE holds or links, SYMBOLS
# being its debug file (which keeps the symbol table): the libraries an ELF
# file needs, by the Debian package that installs them, the components
# whose symbols it defines, and picocli in a jar.
holds() {
  local file=$1 symbols=$2 soname path
  case $file in
  *.jar) jar tf "$file" | grep -q '^picocli/' && echo picocli; return ;;
  esac
  for soname in $(objdump -p "$file" | awk '$1 == "NEEDED" {print $2}'); do
    path=$(ldconfig -p | awk -v n="$soname" '$1 == n && /x86-64/ {print $NF; exit}')
    # dpkg knows a library by the path its package ships (/lib or /usr/lib).
    [ -n "$path" ] && package=$(dpkg-query -S "$path" 2>/dev/null ||
      dpkg-query -S "$(readlink -f "$path")" 2>/dev/null) &&
      dpkg-query -W -f='${source:Package}\n' "${package%%:*}" | head -n 1
  done
  nm --defined-only "$symbols" 2>/dev/null | awk '{print $NF}' | sort -u |
    awk -v table="$symbol_components" 'BEGIN {
        rows = split(table, row, "\n")
        for (r = 1; r <= rows; r++) if (split(row[r], f, " ") == 2) pattern[f[1]] = f[2] }
      { for (p in pattern) if ($0 ~ p) print pattern[p] }'
}
# debug_file BINARY FOLDER: the debug file in FOLDER that BINARY's debug
# link names, if its CRC matches (gzip's trailer holds the same CRC-32).
debug_file() {
  local hex link
  hex=$(objdump -s -j .gnu_debuglink "$1" 2>/dev/null |
    awk '/^ [0-9a-f]+ / {line = substr($0, length($1) + 3, 35); gsub(/ /, "", line); printf "%s", line}')
  # The name: the bytes up to the first NUL.
  link=$(printf '%b' "$(awk '{for (i = 1; i < length($0); i += 2) {
    byte = substr($0, i, 2); if (byte == "00") exit; printf "\\x%s", byte}}' <<<"$hex")")
  [ -n "$link" ] && [ -f "$2/$link" ] &&
    [ "${hex: -8}" = "$(gzip -c "$2/$link" | tail -c 8 | head -c 4 | od -An -tx1 | tr -d ' \n')" ] &&
    echo "$2/$link"
}
# check_archive NAME FOLDER DEBUG_FOLDER DOCS: the unpacked archive in
# FOLDER carries LICENSE, NOTICE and THIRD-PARTY-NOTICES.txt in DOCS (a
# folder under FOLDER), and the notices name exactly what its binaries
# hold; its binaries are stripped, their debug files in DEBUG_FOLDER.
check_archive() {
  local name=$1 folder=$2 debug_folder=$3 docs=$2/$4 file symbols held listed
  cmp -s "$docs/LICENSE" "$here/../../LICENSE" || problem "$name: no LICENSE, or another one"
  cmp -s "$docs/NOTICE" "$here/../../NOTICE" || problem "$name: no NOTICE, or another one"
  held=$(find "$folder" -type f \( -name '*.so' -o -name '*.dll' -o -name '*.jar' -o -name '*.debug' \
      -o -name qelscanhost -o -name qelscanhost32.exe \) | sort | while read -r file; do
      symbols=$file
      case $file in
      *.so | *.dll | */qelscanhost | */qelscanhost32.exe)
        objdump -h "$file" | grep -qE ' \.z?debug_' && echo "!$file carries debug information"
        # The debug files lie as the binaries do, folder for folder.
        symbols=$(debug_file "$file" "$debug_folder/$(dirname "${file#"$folder"/}")") ||
          echo "!$file has no matching debug file"
        ;;
      esac
      holds "$file" "$symbols"
    done | sort -u)
  grep '^!' <<<"$held" | while read -r line; do echo "FAIL: $name: ${line#!}"; done
  grep -q '^!' <<<"$held" && fail=1
  held=$(grep -v '^!' <<<"$held")
  listed=$(sed -n 's/^Component: \([^ ]*\) .*/\1/p' "$docs/THIRD-PARTY-NOTICES.txt" 2>/dev/null | sort -u)
  [ "$held" = "$listed" ] || problem "$name: its binaries hold or link" $held "- its notices name" $listed
  notices+=("$name: ${held//$'\n'/ }")
}
notices=()

# check_capture_jar NAME JAR: the packaged capture library is still the
# automatic module QelScan.capture and holds only its own classes (an
# application brings QelScanApi.jar).
check_capture_jar() {
  local manifest=$scratch/capture-manifest foreign
  [ -f "$2" ] || return
  rm -rf "$manifest" && mkdir -p "$manifest"
  (cd "$manifest" && jar xf "$2" META-INF/MANIFEST.MF) &&
    grep -q '^Automatic-Module-Name: QelScan\.capture' "$manifest/META-INF/MANIFEST.MF" ||
    problem "$1: qelscan-capture.jar is no automatic module QelScan.capture"
  foreign=$(jar tf "$2" | grep '\.class$' | grep -v '^QelScan/capture/')
  [ -z "$foreign" ] || problem "$1: qelscan-capture.jar carries" $foreign
}

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
  dbgsym=$(ls "$packages"/qelscanner-dbgsym_*_*.deb 2>/dev/null | head -n 1)
  if [ -z "$dbgsym" ]; then
    problem "no debug symbols package in $packages"
  else
    # The kept debug files, by build id, where gdb looks for them.
    dpkg-deb -x "$dbgsym" "$scratch/dbgsym"
    for library in "$scratch"/root/usr/lib/jni/*.so "$scratch"/root/usr/lib/qelscanner/qelscanhost \
        "$scratch"/root/usr/lib/qelscanner/isolated/*.so; do
      id=$(readelf -n "$library" | sed -n 's/^ *Build ID: //p')
      by_id="$scratch/dbgsym/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug"
      place=$(dirname "${library#"$scratch"/root/}")
      mkdir -p "$scratch/debug/$place"
      if [ -n "$id" ] && [ -f "$by_id" ]; then
        cp "$by_id" "$scratch/debug/$place/$(basename "$library").debug"
      else
        problem "the debug symbols package has no file for $(basename "$library")'s build id '$id'"
      fi
    done
  fi
  check_archive "$(basename "$deb")" "$scratch/root" "$scratch/debug" usr/share/doc/qelscanner
  man_page=$(MANPATH="$scratch/root/usr/share/man" man -P cat qelscan 2>&1) &&
    grep -q 'QELSCAN SCAN' <<<"$man_page" || problem "man qelscan in the package fails: $man_page"
  for file in usr/bin/qelscan usr/lib/jni/libQELScanner.so usr/lib/jni/libMIRBAP32.so \
      usr/lib/qelscanner/qelscanhost usr/lib/qelscanner/libMIRBAP32.so \
      usr/lib/qelscanner/isolated/libQELScanner.so usr/lib/qelscanner/isolated/libMIRBAP32.so \
      usr/share/java/QelScanApi.jar usr/share/java/qelscan.jar \
      usr/share/java/qelscan-capture.jar usr/share/doc/qelscanner/api/index.html; do
    [ -e "$scratch/root/$file" ] || problem "the package lacks /$file"
  done
  # Java policy's names: each jar a link to its versioned file.
  for link in QelScanApi.jar qelscan.jar qelscan-capture.jar; do
    target=$(readlink "$scratch/root/usr/share/java/$link")
    [[ $target =~ ^[a-z-]+-[0-9.]+\.jar$ ]] && [ -f "$scratch/root/usr/share/java/$target" ] ||
      problem "/usr/share/java/$link is no link to a versioned jar: '$target'"
  done
  check_capture_jar "$(basename "$deb")" "$scratch/root/usr/share/java/qelscan-capture.jar"
  if unzip_list=$(cd "$scratch" && jar tf "$scratch/root/usr/share/java/qelscan.jar") &&
      grep -q '^picocli/' <<<"$unzip_list"; then
    problem "the package's qelscan.jar carries its own picocli"
  fi
  # Only the unpacked files and the system's own: no build folder anywhere.
  run() { (cd "$scratch" && env -i PATH=/usr/bin:/bin HOME="$scratch" \
    QELSCAN_JAVA_OPTIONS="${QELSCAN_JAVA_OPTIONS:-}" "$scratch/root/usr/bin/qelscan" "$@"); }
  info=$(run info 2>&1) || problem "qelscan info from the unpacked package failed: $info"
  scan=$(run scan --count 1 --out "$scratch/scan" 2>&1) ||
    problem "a scan from the unpacked package failed: $scan"
  images=("$scratch"/scan/0001-*)
  [ ${#images[@]} -eq 4 ] || problem "the scan left ${#images[@]} images, not 4: ${images[*]}"
  decoded=$(java "$here/DecodeImages.java" "${images[@]}" 2>&1) ||
    problem "the JDK cannot decode the scanned images: $decoded"
  # The same through the isolated folder: the scanner library in the host.
  isolated=-Djava.library.path=$scratch/root/usr/lib/qelscanner/isolated
  info=$(QELSCAN_JAVA_OPTIONS=$isolated run info 2>&1) && grep -q "in a host process" <<<"$info" ||
    problem "qelscan info through the isolated folder: $info"
  scan=$(QELSCAN_JAVA_OPTIONS=$isolated run scan --count 1 --out "$scratch/scan-isolated" 2>&1) &&
    [ "$(ls "$scratch"/scan-isolated/0001-* | wc -l)" -eq 4 ] ||
    problem "a scan through the isolated folder failed: $scan"
fi

# --- the Windows zips ---------------------------------------------------------
listing() { (mkdir -p "$2" && cd "$2" && cmake -E tar xf "$1" && find . -type f | sed 's|^\./||' | sort); }
branch=$(ls "$packages"/QELScanner-*-win32.zip 2>/dev/null | head -n 1)
if [ -z "$branch" ]; then
  problem "no branch zip in $packages"
else
  files=$(listing "$branch" "$scratch/branch")
  # The Javadoc as the checked build made it, file for file.
  javadoc=qelscan-capture-javadoc
  [ -f "$checked/$javadoc/index.html" ] || problem "no Javadoc in $checked/$javadoc"
  expected=$( (printf '%s\n' INSTALL.md LICENSE NOTICE QELScanner.dll QelScanApi.jar README.md \
    THIRD-PARTY-NOTICES.txt qelscan.cmd qelscan.jar qelscan-capture.jar
    cd "$checked" && find "$javadoc" -type f) | sort)
  [ "$files" = "$expected" ] || problem "the branch zip holds: $(tr '\n' ' ' <<<"$files")"
  diff -rq "$checked/$javadoc" "$scratch/branch/$javadoc" >/dev/null ||
    problem "the zip's $javadoc is not the one the build made"
  check_capture_jar "$(basename "$branch")" "$scratch/branch/qelscan-capture.jar"
  # Both packages document the same library.
  [ -n "$deb" ] && [ "$(cd "$scratch/branch/$javadoc" && find . -type f | sort)" != \
    "$(cd "$scratch/root/usr/share/doc/qelscanner/api" && find . -type f | sort)" ] &&
    problem "the Debian package's Javadoc and the zip's differ in their files"
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
debug=$(ls "$packages"/QELScanner-*-win32-debug.zip 2>/dev/null | head -n 1)
if [ -z "$debug" ]; then
  problem "no zip of the DLLs' debug files in $packages"
else
  listing "$debug" "$scratch/debug-win32" >/dev/null
  check_archive "$(basename "$debug")" "$scratch/debug-win32" "$scratch/debug-win32" .
  [ -n "$branch" ] && check_archive "$(basename "$branch")" "$scratch/branch" "$scratch/debug-win32" .
  [ -n "$virtual" ] && check_archive "$(basename "$virtual")" "$scratch/virtual" "$scratch/debug-win32" .
fi

win64=$(ls "$packages"/QELScanner-*-win64.zip 2>/dev/null | head -n 1)
debug64=$(ls "$packages"/QELScanner-*-win64-debug.zip 2>/dev/null | head -n 1)
if [ -z "$win64" ] || [ -z "$debug64" ]; then
  problem "no 64-bit zip, or no zip of its debug files, in $packages"
else
  javadoc=qelscan-capture-javadoc
  files=$(listing "$win64" "$scratch/win64")
  expected=$( (printf '%s\n' INSTALL.md LICENSE NOTICE QELScanner.dll MIRBAP32.dll QelScanApi.jar \
    README.md THIRD-PARTY-NOTICES.txt qelscan.cmd qelscan.jar qelscan-capture.jar x86/qelscanhost32.exe
    cd "$checked64" && find "$javadoc" -type f) | sort)
  [ "$files" = "$expected" ] || problem "the 64-bit zip holds: $(tr '\n' ' ' <<<"$files")"
  for dll in QELScanner.dll MIRBAP32.dll x86/qelscanhost32.exe; do
    cmp -s "$scratch/win64/$dll" "$checked64/$dll" ||
      problem "the 64-bit zip's $dll is not the one the x64 checks passed"
  done
  check_capture_jar "$(basename "$win64")" "$scratch/win64/qelscan-capture.jar"
  listing "$debug64" "$scratch/debug-win64" >/dev/null
  check_archive "$(basename "$debug64")" "$scratch/debug-win64" "$scratch/debug-win64" .
  check_archive "$(basename "$win64")" "$scratch/win64" "$scratch/debug-win64" .
fi

if [ "$fail" -eq 0 ]; then
  echo "packages: $(basename "$deb") runs from its files alone ($(wc -l <<<"$decoded") images decoded);" \
    "$(basename "$branch") holds the checked DLL and the branch's files"
  echo "each package's notices name what its binaries hold or link:"
  printf '  %s\n' "${notices[@]}"
fi
exit "$fail"
