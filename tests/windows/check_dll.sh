#!/usr/bin/env bash
# Checks QELScanner.dll as a 32-bit virtual machine and Windows will see it
# (an x64 one as a 64-bit virtual machine does: its names undecorated, as
# the table's without their underscore and argument bytes, and none of the
# decorated ones):
#  - its export names are exactly the table's decorated names, each a JNI
#    method the bridge's objects define (no undecorated aliases, nothing
#    else, nothing by ordinal only);
#  - its export directory names the module QELScanner.dll;
#  - it imports only system DLLs and MIRBAP32.dll, the latter by ordinals
#    that MIRBAP32.def declares;
#  - its version resource gives file and product version 1.0.0.0.
# usage: check_dll.sh <objdump> <nm> <QELScanner.dll> <export table>
#                     <MIRBAP32.def> <file listing the bridge objects>
set -euo pipefail
objdump=$1 nm=$2 dll=$3 table=$4 mirbap32_def=$5 object_list=$6

fail=0
problem() { echo "FAIL: $*"; fail=1; }

dump=$("$objdump" -p "$dll")
x64=0
"$objdump" -f "$dll" | grep -q 'pei-x86-64' && x64=1
if [ "$x64" -eq 1 ]; then
  x64_table=$(mktemp)
  trap 'rm -f "$x64_table"' EXIT
  sed 's/^_//; s/@[0-9]*$//' "$table" >"$x64_table"
  table=$x64_table
fi

# --- exports ---------------------------------------------------------------
exported=$(awk '/^\[Ordinal\/Name Pointer\] Table/ {on=1; next}
                on && NF == 0 {exit}
                on {print $NF}' <<<"$dump" | sort)
address_count=$(awk '/^Number in:/ {on=1; next}
                     on && /Export Address Table/ {print $NF; exit}' <<<"$dump")

mapfile -t objects <"$object_list"
if [ "$x64" -eq 1 ]; then
  implemented=$("$nm" --defined-only "${objects[@]}" |
    sed -n 's/^[0-9a-f]* T \(Java_QelScan_QelScanApi_[A-Za-z0-9_]*\)$/\1/p' | sort -u)
  decorated=$(grep -E '^_|@' <<<"$exported" || true)
  [ -z "$decorated" ] || problem "x64 exports decorated names:" $decorated
else
  implemented=$("$nm" --defined-only "${objects[@]}" |
    sed -n 's/^[0-9a-f]* T \(_Java_QelScan_QelScanApi_[A-Za-z0-9_]*@[0-9]*\)$/\1/p' |
    sort -u)
fi
[ -n "$implemented" ] || problem "the bridge objects define no JNI method"

# A defined method whose name is not in the table has the wrong Java types.
while read -r name; do
  [ -z "$name" ] && continue
  grep -qxF "$name" "$table" ||
    problem "$name is not in the export table (wrong argument size?)"
done <<<"$implemented"
while read -r name; do
  [ -z "$name" ] && continue
  grep -qxF "$name" <<<"$implemented" ||
    problem "exported but not a JNI method of the bridge: $name"
done <<<"$exported"
while read -r name; do
  [ -z "$name" ] && continue
  grep -qxF "$name" <<<"$exported" || problem "not exported: $name"
done <<<"$implemented"
while read -r name; do
  [ -z "$name" ] && continue
  grep -qxF "$name" <<<"$exported" || problem "in the export table but not exported: $name"
done <"$table"
export_count=$(grep -c . <<<"$exported" || true)
if [ $((16#${address_count:-0})) -ne "$export_count" ]; then
  problem "$((16#${address_count:-0})) exports, of which only $export_count have a name"
fi

# --- module name -----------------------------------------------------------
module=$(sed -n 's/^Name[ \t]*[0-9a-fA-F]* \(.*\)$/\1/p' <<<"$dump")
[ "$module" = "QELScanner.dll" ] ||
  problem "export directory names the module '$module'"

# --- imports ---------------------------------------------------------------
system_dlls='^(kernel32|msvcrt|ntdll|user32|advapi32)\.dll$'
imported=$(sed -n 's/^\tDLL Name: //p' <<<"$dump")
while read -r module_name; do
  [ -z "$module_name" ] && continue
  lower=${module_name,,}
  if [ "$module_name" != "MIRBAP32.dll" ] && ! [[ $lower =~ $system_dlls ]]; then
    problem "imports $module_name"
  fi
done <<<"$imported"
grep -qx "MIRBAP32.dll" <<<"$imported" || problem "does not import MIRBAP32.dll"

declared_ordinals=$(grep -oE '@[0-9]+ NONAME' "$mirbap32_def" | tr -d '@' |
  awk '{print $1}' | sort -n)
mirbap32_rows=$(awk '/^\tDLL Name: / {on = ($3 == "MIRBAP32.dll"); next}
                     on && /Hint\/Ord/ {next}
                     on && NF == 0 {on = 0}
                     on {print}' <<<"$dump")
while read -r vma ordinal member; do
  [ -z "$vma" ] && continue
  # x64's objdump prints the ordinals in hexadecimal.
  [ "$x64" -eq 1 ] && ordinal=$((16#$ordinal))
  [ "$member" = "<none>" ] ||
    problem "MIRBAP32.dll import by name: $member"
  grep -qx "$ordinal" <<<"$declared_ordinals" ||
    problem "MIRBAP32.dll import of undeclared ordinal $ordinal"
done <<<"$mirbap32_rows"
[ -n "$mirbap32_rows" ] || problem "no import from MIRBAP32.dll found"

# --- version resource ------------------------------------------------------
# The resource section as one string of hex bytes.
rsrc=$("$objdump" -s -j .rsrc "$dll" |
  awk '/^ [0-9a-f]+ / {line = substr($0, length($1) + 3, 35)
                         gsub(/ /, "", line); printf "%s", line}')
# Little-endian 32-bit word at byte offset $2 of hex string $1.
word_at() { local h=${1:$(($2 * 2)):8}; echo $((16#${h:6:2}${h:4:2}${h:2:2}${h:0:2})); }
version_of() { echo "$(($1 >> 16)).$(($1 & 65535)).$(($2 >> 16)).$(($2 & 65535))"; }
# UTF-16LE hex of an ASCII text.
utf16() { local s=$1 i; for ((i = 0; i < ${#s}; i++)); do printf '%02x00' "'${s:i:1}"; done; }

fixed=${rsrc%%bd04effe*}
if [ "$fixed" = "$rsrc" ]; then
  problem "no version resource"
else
  at=$((${#fixed} / 2 + 8)) # past the signature and the structure version
  file_version=$(version_of "$(word_at "$rsrc" $at)" "$(word_at "$rsrc" $((at + 4)))")
  product_version=$(version_of "$(word_at "$rsrc" $((at + 8)))" "$(word_at "$rsrc" $((at + 12)))")
  [ "$file_version" = "1.0.0.0" ] || problem "file version $file_version"
  [ "$product_version" = "1.0.0.0" ] || problem "product version $product_version"
  for key in FileVersion ProductVersion; do
    [[ $rsrc =~ $(utf16 "$key")(0000)+$(utf16 "1.0.0.0")0000 ]] ||
      problem "version text $key is not 1.0.0.0"
  done
fi

if [ "$fail" -eq 0 ]; then
  echo "QELScanner.dll: $export_count $([ "$x64" -eq 1 ] && echo undecorated x64 || echo decorated) JNI exports, imports" \
    "$(tr '\n' ' ' <<<"$imported")(MIRBAP32.dll by ordinal), version 1.0.0.0"
fi
exit "$fail"
