#!/usr/bin/env bash
# Resolves an address in QELScanner.dll as support does with a JVM crash
# log's "QELScanner.dll+0xOFFSET": the DLL carries no debug information,
# only a debug link to .debug/QELScanner.dll.debug beside it,
# where addr2line finds the function and source line of image base plus
# offset. The offset taken is an export's, from the DLL's export table; its
# source file is the one whose object defines that export.
# usage: check_debug_file.sh <objdump> <nm> <addr2line> <QELScanner.dll>
#                            <file listing the bridge objects>
set -euo pipefail
objdump=$1 nm=$2 addr2line=$3 dll=$4 object_list=$5
debug="$(dirname "$dll")/.debug/$(basename "$dll").debug"

fail=0
problem() { echo "FAIL: $*"; fail=1; }

! "$objdump" -h "$dll" | grep -qE ' \.z?debug_' || problem "$dll carries debug sections"
"$objdump" -s -j .gnu_debuglink "$dll" | grep -qF "$(basename "$debug" | cut -c1-16)" ||
  problem "$dll has no debug link to $(basename "$debug")"

dump=$("$objdump" -p "$dll")
base=$(awk '$1 == "ImageBase" {print $2; exit}' <<<"$dump")
# The first named export: its index in the name table is its entry in the
# address table.
read -r index name < <(awk '/^\[Ordinal\/Name Pointer\] Table/ {on = 1; next}
  on {gsub(/[][]/, " "); print $1, $2; exit}' <<<"$dump")
offset=$(awk -v i="$index" '/^Export Address Table/ {on = 1; next}
  on {gsub(/[][]/, " "); if ($1 == i) {print $4; exit}}' <<<"$dump")
address=$(printf '0x%x' $((16#$base + 16#$offset)))

mapfile -t objects <"$object_list"
source=$(for object in "${objects[@]}"; do
  if "$nm" --defined-only "$object" | grep -qF " T $name"; then echo "$object"; fi
done | sed 's|.*\.dir/||; s|\.obj$||')
resolved=$("$addr2line" -f -e "$debug" "$address")
function=$(head -n 1 <<<"$resolved") line=$(tail -n 1 <<<"$resolved")
echo "QELScanner.dll+0x$offset ($name): 0x$base + 0x$offset = $address -> $function at $line"
[ "_$function" = "$name" ] || problem "$address resolves to the function '$function'"
[[ -n $source && $line == *"$source":[0-9]* ]] || problem "$address is not resolved to $source: $line"
exit "$fail"
