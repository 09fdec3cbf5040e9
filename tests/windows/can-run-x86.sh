#!/usr/bin/env bash
# Tells whether this machine can execute 32-bit x86 programs, which Wine
# needs to run the Windows tests. Some kernels cannot: there Wine's 32-bit
# loader fails with "Exec format error". Asking the loader for its version
# starts no server and touches no prefix.
# usage: can-run-x86.sh [wine command [kind, "32-bit" unless said]]
# Exit 0 when it can, or when Wine fails for any other reason (the tests
# then run and show that failure); exit 1, with the reason on standard
# output, when it cannot.
wine=${1:-wine}
kind=${2:-32-bit}
if output=$("$wine" --version 2>&1); then
  exit 0
fi
if grep -q "Exec format error" <<<"$output"; then
  echo "this machine cannot run $kind x86 programs"
  exit 1
fi
exit 0
