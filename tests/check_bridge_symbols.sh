#!/usr/bin/env bash
# Checks the built bridge: it exports JNI names and nothing else, every
# export listed in the expected file is there, and none of its own object
# files holds writable data (the bridge keeps no state between calls).
# usage: check_bridge_symbols.sh <libQELScanner.so> <expected exports> <object>...
set -euo pipefail
library=$1
expected=$2
shift 2

fail=0
exports=$(nm -D --defined-only "$library" | awk '{print $3}' |
  grep -vE '^(_edata|_end|__bss_start|_init|_fini)$' | sort)

unexpected=$(grep -v '^Java_QelScan_QelScanApi_' <<<"$exports" || true)
if [ -n "$unexpected" ]; then
  echo "exported symbols that are no JNI method:"; echo "$unexpected"; fail=1
fi
while read -r name; do
  [ -z "$name" ] && continue
  if ! grep -qx "$name" <<<"$exports"; then
    echo "missing export: $name"; fail=1
  fi
done < "$expected"

for object in "$@"; do
  writable=$(nm --defined-only "$object" | awk '$2 ~ /^[BbDdGgSs]$/ {print $3}')
  if [ -n "$writable" ]; then
    echo "writable data in $(basename "$object"):"; echo "$writable"; fail=1
  fi
done

count=$(wc -l <<<"$exports")
if [ "$fail" -eq 0 ]; then
  echo "bridge exports $count JNI methods and holds no writable data"
fi
exit "$fail"
