#!/usr/bin/env bash
# Runs a Windows console program under Wine in a prefix of the build tree,
# with C:\Temp present for the bridge's log files.
# usage: wine-run.sh <prefix folder> <program.exe> [argument...]
# QELSCAN_WINE names the loader (default wine; /usr/lib/wine/wine64 for a
# 64-bit program, with WINEARCH=win64 for its prefix).
set -euo pipefail
export WINEPREFIX=$1
shift
export WINEDEBUG=-all
# Console programs need no display; keeps Wine from opening windows.
export DISPLAY=
export WINEDLLOVERRIDES="mscoree,mshtml="

mkdir -p "$WINEPREFIX"
# The first run creates the prefix; tests started in parallel wait for it.
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "${QELSCAN_WINE:-wine}" wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
) 9>"$WINEPREFIX.lock"
mkdir -p "$WINEPREFIX/drive_c/Temp"

exec "${QELSCAN_WINE:-wine}" "$@"
