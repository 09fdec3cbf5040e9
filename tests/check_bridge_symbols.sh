#!/usr/bin/env bash
# Checks the built bridge: it exports exactly the methods of the export
# table, each defined by its objects, and nothing else; and none
# of its object files holds writable data (the bridge keeps no state
# between calls).
# usage: check_bridge_symbols.sh <libQELScanner.so> <export table> <object>...
set -euo pipefail
library=$1
table=$2
shift 2

fail=0
exports=$(nm -D --defined-only "$library" | awk '{print $3}' |
  grep -vE '^(_edata|_end|__bss_start|_init|_fini)$' | sort)
defined=$(nm --defined-only "$@" | awk '$2 == "T" && $3 ~ /^Java_/ {print $3}' | sort)
# The table lists the decorated Windows names: _Java_..._Method@N.
known=$(sed -E 's/^_//; s/@[0-9]+$//' "$table" | sort)

unexpected=$(comm -23 <(echo "$exports") <(echo "$defined"))
if [ -n "$unexpected" ]; then
  echo "exported but not a JNI method of the bridge:"; echo "$unexpected"; fail=1
fi
hidden=$(comm -13 <(echo "$exports") <(echo "$defined"))
if [ -n "$hidden" ]; then
  echo "JNI methods the library does not export:"; echo "$hidden"; fail=1
fi
unknown=$(comm -23 <(echo "$defined") <(echo "$known"))
if [ -n "$unknown" ]; then
  echo "JNI methods that are not in the export table:"; echo "$unknown"; fail=1
fi
missing=$(comm -13 <(echo "$exports") <(echo "$known"))
if [ -n "$missing" ]; then
  echo "methods of the export table the library does not export:"; echo "$missing"; fail=1
fi

for object in "$@"; do
  writable=$(nm --defined-only "$object" | awk '$2 ~ /^[BbDdGgSs]$/ {print $3}')
  if [ -n "$writable" ]; then
    echo "writable data in $(basename "$object"):"; echo "$writable"; fail=1
  fi
done

if [ "$fail" -eq 0 ]; then
  echo "bridge exports $(wc -l <<<"$exports") JNI methods and holds no writable data"
fi
exit "$fail"
