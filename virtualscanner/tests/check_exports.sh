#!/bin/sh
# check_exports.sh <libMIRBAP32.so> <entries.h>: the library exports
# exactly the entries listed in entries.h, by name, and nothing else.
set -eu
lib=$1
entries=$2
expected=$(sed -n 's/^ *X([0-9]*, [^,]*, \([A-Za-z0-9_]*\),.*/\1/p' "$entries" | sort)
actual=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TtWwDdBbRrVv]$/ {print $3}' | sort)
if [ "$expected" != "$actual" ]; then
  echo "exports differ from entries.h (< expected, > actual):"
  printf '%s\n' "$expected" > "${TMPDIR:-/tmp}/vs-exp.$$"
  printf '%s\n' "$actual" | diff "${TMPDIR:-/tmp}/vs-exp.$$" - || true
  rm -f "${TMPDIR:-/tmp}/vs-exp.$$"
  exit 1
fi
echo "$(printf '%s\n' "$actual" | wc -l) entries exported, nothing else"
