#!/usr/bin/env bash
# The x86 probe says "cannot" only for an exec format error: any other Wine
# failure must let the Windows tests run and fail.
set -uo pipefail
probe="$(dirname "$0")/can-run-x86.sh"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fake() { printf '#!/bin/sh\n%s\n' "$2" >"$dir/$1"; chmod +x "$dir/$1"; }
fake runs 'echo wine-8.0'
fake no-x86 'echo "/usr/lib/wine/wine: cannot execute binary file: Exec format error" >&2; exit 126'
fake broken 'echo "wine: could not load kernel32.dll" >&2; exit 1'

fail=0
expect() {
  "$probe" "$dir/$1" >/dev/null
  local got=$?
  [ "$got" -eq "$2" ] || { echo "FAIL: probe with $1 Wine exited $got, expected $2"; fail=1; }
}
expect runs 0
expect no-x86 1
expect broken 0
reason=$("$probe" "$dir/no-x86")
[ "$reason" = "this machine cannot run 32-bit x86 programs" ] || { echo "FAIL: reason '$reason'"; fail=1; }
exit "$fail"
