#!/usr/bin/env bash
# Stands in for wine-run.sh where Wine cannot run: reports the test as
# skipped (ctest's SKIP_RETURN_CODE) with the reason.
# usage: wine-skip.sh <reason> <program.exe> [argument...]
echo "Windows tests under Wine: skipped, $1"
exit 77
