#!/usr/bin/env bash
# The symbol check against two small libraries linked as the bridge is: it
# must pass a constant table of pointers (in .data.rel.ro, which GNU_RELRO
# covers) and fail a writable global and a writable table, naming each.
# usage: self_test.sh <export table> <constant library> <its object>
#                     <writable library> <its object>
set -uo pipefail
check="$(dirname "$0")/../check_bridge_symbols.sh"
table=$1 constant=$2 constant_object=$3 writable=$4 writable_object=$5

fail=0
# Without the table in .data.rel.ro the passing case would prove nothing.
objdump -t "$constant" | c++filt | grep -qE '\.data\.rel\.ro\s.*::kTable$' ||
  { echo "kTable is not in .data.rel.ro of $(basename "$constant")"; fail=1; }

echo "--- $(basename "$constant")"
"$check" "$constant" "$table" "$constant_object" ||
  { echo "the check refused a constant table"; fail=1; }

echo "--- $(basename "$writable")"
output=$("$check" "$writable" "$table" "$writable_object")
status=$?
echo "$output"
[ "$status" -ne 0 ] || { echo "the check accepted writable data"; fail=1; }
while IFS= read -r expected; do
  grep -qxF "$expected" <<<"$output" || { echo "not reported: $expected"; fail=1; }
done <<EXPECTED
writable data in $(basename "$writable"):
  counter in .bss
  table in .data
EXPECTED
exit "$fail"
