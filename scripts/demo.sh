#!/usr/bin/env bash
# Main job: installs what the build needs, builds what the demo runs (the
# bridge, the virtual scanner, QelScanApi.jar and the qelscan tool; no
# tests) into build/, switches tracing on and scans five checks of the
# virtual scanner with qelscan into build/demo-scan, with a page that shows
# them; ends by saying where the images, the page and the trace are.
#
# The log folder is the one the bridge was built with (QELSCAN_LOG_DIR,
# /tmp unless configured otherwise); qelscan knows it from the same build.
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "$0")/common.sh"
"$root/scripts/install-deps.sh"
use_java_home

build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2 --target QELScanner MIRBAP32 QelScanApi qelscan

qelscan="$build/out/qelscan"
scans="$build/demo-scan"
# qelscan refuses to scan over an earlier run's images: each demo starts afresh.
rm -rf "$scans"
"$qelscan" trace on
# Its last lines say where the images and the page are; the trace follows.
"$qelscan" scan --count 5 --out "$scans"
"$qelscan" trace | sed 's/^/Trace:  /'
echo "        ('$qelscan trace show' prints it, '$qelscan trace off' stops it)"
