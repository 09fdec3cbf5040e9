#!/usr/bin/env bash
# Benchmarks: what one call of the bridge costs, against the floor of a
# native call, the work the log contract requires, and JNA and the Foreign
# Function & Memory API calling the scanner library without the bridge; and
# the scanner library in its host process against the same in process.
# Builds what it needs (release, -O2) into build-bench/ and writes
# docs/benchmarks.md (from bench/benchmarks.md.in) and docs/benchmarks.png.
# Not part of the test run.
#
#   scripts/bench.sh                 everything (five to ten minutes)
#   BENCH_ROUNDS=5 scripts/bench.sh  fewer rounds, for a quick look
#
# The bridge is built with a log folder of its own (build-bench/bench/logs),
# so the benchmark never touches the log files of a bridge in /tmp.
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "$0")/common.sh"
build="${QELSCAN_BENCH_BUILD:-$root/build-bench}"
rounds="${BENCH_ROUNDS:-21}"

"$root/scripts/install-deps.sh" --bench
use_java_home
java17="$JAVA_HOME/bin/java"
# feature JDK: the feature release (17, 25...) of the JDK in that folder.
feature() { sed -n 's/^JAVA_VERSION="\([0-9]*\).*/\1/p' "$1/release"; }
# The newest JDK of 22 or later under /usr/lib/jvm runs the FFM part.
jdk22=$(for release in /usr/lib/jvm/*/release; do
  version=$(feature "${release%/release}")
  if [ "${version:-0}" -ge 22 ] && [ -x "${release%/release}/bin/javac" ]; then
    echo "$version ${release%/release}"
  fi
done | sort -n | tail -1 | cut -d' ' -f2)

work="$build/bench/work"
results="$work/results"
log_dir="$build/bench/logs"
rm -rf "$results"
mkdir -p "$results" "$work/scratch"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQELSCAN_LOG_DIR="$log_dir" -DQELSCAN_BENCH_JDK22="$jdk22"
cmake --build "$build" -j2 --target qelscan_bench
bench="$build/bench"

# The bench switches tracing on and off by creating and deleting the log
# files; any found there wait in a folder aside for the end of the run.
aside="$build/bench/logs-aside"
if [ -e "$aside" ]; then
  echo "bench: $aside is left from an interrupted run: move its files back to $log_dir" >&2
  exit 1
fi
mkdir -p "$aside"
find "$log_dir" -maxdepth 1 -name 'QelScannerDll_*.txt' -exec mv -t "$aside" {} +
put_logs_back() {
  rm -f "$log_dir"/QelScannerDll_*.txt
  find "$aside" -type f -exec mv -t "$log_dir" {} +
  rmdir "$aside"
}
trap put_logs_back EXIT

# A hopper of many documents, so that a session outlasts many batches of
# scans: the twelve checks of the default stack as the virtual scanner's
# README lists them (its tests keep the list equal to the library's own),
# 400 times over.
awk '/^## The default stack/ {on = 1; next} /^## / {on = 0}
  on && /^\| [0-9]+ \| `/ {split($0, cell, "`"); print cell[2]}' \
  "$root/virtualscanner/README.md" > "$work/checks.txt"
if [ "$(wc -l < "$work/checks.txt")" -ne 12 ]; then
  echo "bench: found $(wc -l < "$work/checks.txt") checks, not 12, in virtualscanner/README.md" >&2
  exit 1
fi
for ((round = 0; round < 400; round++)); do cat "$work/checks.txt"; done > "$work/hopper.txt"
export MIRB_VIRTUAL_HOPPER="$work/hopper.txt"
export QELBENCH_SCRATCH="$work/scratch"

# The machine, for the report: facts as "name: value", and lscpu.
{
  echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "rounds: $rounds"
  echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
  lscpu | sed -n 's/^\(Model name\|CPU(s)\|Hypervisor vendor\): */\1: /p'
  echo "Kernel: $(uname -srmv)"
  for home in "$JAVA_HOME" ${jdk22:+"$jdk22"}; do
    echo "Java $(feature "$home"): $("$home/bin/java" -version 2>&1 | sed -n 2p)"
  done
  if [ -z "$jdk22" ]; then echo "FFM: left out, no JDK 22 or later under /usr/lib/jvm"; fi
  dpkg-query -W -f='${Package}: ${Version}\n' libjna-java libbenchmark-dev
  echo "gcc: $(gcc --version | head -1)"
} > "$results/machine.txt"
lscpu > "$results/lscpu.txt"

# Google Benchmark: every repetition is kept in the JSON, and the report
# takes the median over them.
"$bench/c_bench" --benchmark_min_time=0.1 --benchmark_repetitions="$rounds" \
  --benchmark_display_aggregates_only=true --benchmark_out_format=json \
  --benchmark_out="$results/c_bench.json"

# The scanner library in process and in its host process, from C.
"$bench/host_bench" "$build/out" --benchmark_min_time=0.1 --benchmark_repetitions="$rounds" \
  --benchmark_display_aggregates_only=true --benchmark_out_format=json \
  --benchmark_out="$results/host_bench.json"

jna=/usr/share/java/jna.jar
jna_native=$(dirname "$(dpkg -L libjna-jni | grep '/libjnidispatch[^/]*\.so$' | head -1)")
# java_bench JAVA SCANNER_FOLDER RESULT [JVM_OPTIONS...]: the Java bench
# over the bridge and the scanner library in SCANNER_FOLDER.
java_bench() {
  local java=$1 libdir=$2 out=$3
  shift 3
  echo "== Java bench: $(basename "$out"), on $("$java" -version 2>&1 | head -1)"
  "$java" -Xms512m -Xmx512m --enable-native-access=ALL-UNNAMED "$@" \
    -Djava.library.path="$libdir:$jna_native" -Dqelbench.jni="$bench/libqelbench_jni.so" \
    -Dqelbench.logdir="$log_dir" -Dqelbench.scanner="$libdir/libMIRBAP32.so" \
    -Dqelbench.scratch="$work/scratch" -Dqelbench.hopper="$(wc -l < "$MIRB_VIRTUAL_HOPPER")" \
    -Dqelbench.rounds="$rounds" -Dqelbench.out="$out" \
    -cp "$bench/QelBench.jar:$bench/QelBenchFfm.jar:$build/out/QelScanApi.jar:$jna" \
    QelBench.Bench
}
java_bench "$java17" "$build/out" "$results/java17.tsv" -Dqelbench.jna=true
# The same bridge calls through the isolated folder: the proxy and its host.
java_bench "$java17" "$build/out/isolated" "$results/java17-isolated.tsv"
if [ -n "$jdk22" ]; then
  java_bench "$jdk22/bin/java" "$build/out" "$results/java22.tsv" -Dqelbench.jna=true \
    -Dqelbench.ffm=true
else
  echo "bench: no JDK 22 or later under /usr/lib/jvm; FFM left out" >&2
fi
# The bridge alone: over a scanner library whose entries do nothing. Under
# glibc's default malloc each pinned 1 MiB copy is fresh memory (mapped and
# faulted in, or trimmed and grown again), which makes the pins slow and
# their times scatter; "steady" keeps such blocks in the heap, so that a pin
# costs its two copies and no more, and the bridge's own share stands out.
empty=(-Dqelbench.emptyScanner=true -Dqelbench.scanBatchMs=50)
GLIBC_TUNABLES=glibc.malloc.mmap_threshold=4194304:glibc.malloc.trim_threshold=268435456 \
  java_bench "$java17" "$bench/empty-scanner" "$results/java17-empty-steady.tsv" "${empty[@]}"
java_bench "$java17" "$bench/empty-scanner" "$results/java17-empty.tsv" "${empty[@]}"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" >> "$results/machine.txt"

python3 "$root/bench/report.py" "$results" "$root/bench/benchmarks.md.in" \
  "$root/docs/benchmarks.md" "$root/docs/benchmarks.png"
echo "Wrote docs/benchmarks.md and docs/benchmarks.png"
