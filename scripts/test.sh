#!/usr/bin/env bash
# Installs what the build needs, builds everything and runs every test:
# the unit tests (plain and sanitized), the symbol checks and the Java tests
# in a real JVM against the virtual scanner.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

# CMake finds the JDK's headers through JAVA_HOME.
if [ -z "${JAVA_HOME:-}" ]; then
  JAVA_HOME=$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")")
  export JAVA_HOME
fi

build="$root/build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2
ctest --test-dir "$build" --output-on-failure -j2

