#!/usr/bin/env bash
# Checks the built bridge: it exports exactly the methods of the export
# table, each defined by its objects, and nothing else; and it writes no
# global variable (the bridge keeps no state between calls). A constant
# table is no variable, also one of pointers: those the loader relocates
# lie in a writable section that the GNU_RELRO segment covers, read-only
# once relocated (-z relro -z now). So a symbol of the bridge's objects
# fails when it lies in a section of a writable (PF_W) load segment that
# GNU_RELRO does not cover, or in thread-local storage.
# A stripped library is judged by the symbols of the debug file its debug
# link names (in .debug/ beside it), which must carry its build id.
# symbol_check/self_test.sh checks the check.
# usage: check_bridge_symbols.sh <libQELScanner.so> <export table> <object>...
set -euo pipefail
library=$1
table=$2
shift 2

fail=0
symbols=$library
link=$(readelf --string-dump=.gnu_debuglink "$library" 2>/dev/null | sed -n 's/^ *\[ *0\] *//p')
if [ -n "$link" ]; then
  symbols="$(dirname "$library")/.debug/$link"
  build_id() { readelf -n "$1" | sed -n 's/^ *Build ID: //p'; }
  if [ ! -f "$symbols" ] || [ "$(build_id "$library")" != "$(build_id "$symbols")" ]; then
    echo "$symbols is missing or not the debug file of $(basename "$library")"
    exit 1
  fi
fi
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

# One stream, in parts: the library's segments and sections, the data
# symbols the bridge's objects define, and the library's symbols (each
# with the index of its section).
writable=$({
  echo "#segments"; readelf -lW "$library"
  echo "#sections"; readelf -SW "$symbols"
  echo "#bridge"; nm --defined-only "$@" | awk '$2 ~ /^[BbCDdGgRrSsVvu]$/ {print $3}'
  echo "#symbols"; readelf -sW "$symbols"
} | awk '
  # Addresses and sizes are hexadecimal (mawk has no strtonum).
  function hex(text,   i, value) {
    text = tolower(text); sub(/^0x/, "", text); value = 0
    for (i = 1; i <= length(text); i++)
      value = value * 16 + index("0123456789abcdef", substr(text, i, 1)) - 1
    return value
  }
  /^#/ { part = $1; next }
  # Type Offset VirtAddr PhysAddr FileSiz MemSiz Flg (one word or more) Align
  part == "#segments" && $1 == "LOAD" {
    flags = ""; for (i = 7; i < NF; i++) flags = flags $i
    if (flags ~ /W/) { loadFrom[++loads] = hex($3); loadTo[loads] = hex($3) + hex($6) }
  }
  part == "#segments" && $1 == "GNU_RELRO" { relroFrom = hex($3); relroTo = hex($3) + hex($6) }
  # [Nr] Name Type Address Off Size ES Flg Lk Inf Al, where Flg may be empty
  part == "#sections" && /^ *\[ *[0-9]+\]/ {
    line = $0; sub(/^ *\[ */, "", line); number = line + 0; sub(/^[0-9]+\]/, "", line)
    fields = split(line, field, " ")
    name[number] = field[1]; from = hex(field[3]); to = from + hex(field[5])
    # Thread-local storage is written per thread, wherever its image lies.
    if (fields == 10 && field[7] ~ /T/) { fault[number] = 1; next }
    writableLoad = 0
    for (l = 1; l <= loads; l++)
      if (from >= loadFrom[l] && to <= loadTo[l]) writableLoad = 1
    fault[number] = writableLoad && !(from >= relroFrom && to <= relroTo)
  }
  part == "#bridge" { ours[$1] = 1 }
  # Num: Value Size Type Bind Vis Ndx Name
  part == "#symbols" && ($8 in ours) && fault[$7] { print "  " $8 " in " name[$7] }
  ' | c++filt | sort -u)
if [ -n "$writable" ]; then
  echo "writable data in $(basename "$library"):"
  echo "$writable"; fail=1
fi

if [ "$fail" -eq 0 ]; then
  echo "$(basename "$library") exports $(wc -l <<<"$exports") JNI methods and writes no global variable"
fi
exit "$fail"
