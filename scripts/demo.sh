#!/usr/bin/env bash
# Main job: installs what the build needs, builds what the demo runs (the
# bridge, the virtual scanner and the jar) into build/ and runs the demo, which opens a session on the virtual scanner with tracing
# on, shows the library version and the trace, and closes the session.
#
# The log folder is the one the bridge was built with (QELSCAN_LOG_DIR,
# /tmp unless configured otherwise).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

# CMake's JNI search does not know every JDK folder; point it at the one javac belongs to.
if [ -z "${JAVA_HOME:-}" ]; then
  JAVA_HOME=$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")")
  export JAVA_HOME
fi

build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2 --target QELScanner MIRBAP32 QelScanApi

log_dir=$(sed -n 's/^QELSCAN_LOG_DIR:[A-Z]*=//p' "$build/CMakeCache.txt")
java -Djava.library.path="$build/out" -cp "$build/out/QelScanApi.jar" QelScan.Demo "${log_dir:-/tmp}"
