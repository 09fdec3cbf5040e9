#!/usr/bin/env bash
# The check must fail on a DLL with every fault it looks for, naming each.
# usage: check_dll_rejects.sh <the arguments of check_dll.sh for the faulty DLL>
set -uo pipefail
output=$("$(dirname "$0")/check_dll.sh" "$@")
status=$?
echo "$output"
fail=0
[ "$status" -ne 0 ] || { echo "the check accepted the faulty DLL"; fail=1; }
while read -r expected; do
  grep -qF "FAIL: $expected" <<<"$output" || { echo "not reported: $expected"; fail=1; }
done <<'EXPECTED'
exported but not a JNI method of the bridge: Java_QelScan_QelScanApi_MirbStatus@8
exported but not a JNI method of the bridge: Helper
export directory names the module 'Other.dll'
imports libstdc++-6.dll
MIRBAP32.dll import by name
file version 2.0.0.0
product version 1.0.0.1
version text FileVersion is not 1.0.0.0
EXPECTED
exit "$fail"
