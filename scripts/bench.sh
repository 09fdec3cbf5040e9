#!/usr/bin/env bash
# Benchmarks: what one call of the bridge costs, against the floor of a
# native call, the work the log contract requires, and JNA and the Foreign
# Function & Memory API calling the scanner library without the bridge.
# Builds what it needs (release, -O2) into build-bench/ and writes
# docs/benchmarks.md and docs/benchmarks.png. Not part of the test run.
#
#   scripts/bench.sh                 everything (five to ten minutes)
#   BENCH_ROUNDS=5 scripts/bench.sh  fewer rounds, for a quick look
#
# The bridge is built with a log folder of its own (build-bench/bench/logs),
# so the benchmark never touches the log files of a bridge in /tmp.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${QELSCAN_BENCH_BUILD:-$root/build-bench}"
rounds="${BENCH_ROUNDS:-21}"
# The bridge as it was before the benchmark's changes to the log, for the
# before-and-after tables; skipped where the history does not hold it.
baseline_rev="${QELSCAN_BENCH_BASELINE:-1ff9893e4c4241a0957fc532b8b0c160ab011175}"

"$root/scripts/install-deps.sh"

# The bench's own packages, kept out of install-deps.sh: CI never runs it.
bench_packages=(libbenchmark-dev libjna-java gnuplot-nox python3)
missing=()
for package in "${bench_packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -ne 0 ]; then
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

if [ -z "${JAVA_HOME:-}" ]; then
  JAVA_HOME=$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")")
  export JAVA_HOME
fi
java17="$JAVA_HOME/bin/java"

# The newest JDK of 22 or later under /usr/lib/jvm runs the FFM part.
jdk22=""
best=0
for home in /usr/lib/jvm/*/; do
  home=${home%/}
  [ -x "$home/bin/javac" ] && [ -f "$home/release" ] || continue
  feature=$(sed -n 's/^JAVA_VERSION="\([0-9]*\).*/\1/p' "$home/release")
  if [ -n "$feature" ] && [ "$feature" -ge 22 ] && [ "$feature" -gt "$best" ]; then
    best=$feature
    jdk22=$home
  fi
done

work="$build/bench/work"
results="$work/results"
rm -rf "$results"
mkdir -p "$results" "$work/scratch"

baseline_src=""
if git -C "$root" cat-file -e "$baseline_rev^{commit}" 2>/dev/null; then
  baseline_src="$work/baseline-src"
  # Unpacked once per revision, so that its build is not redone every run.
  if [ "$(cat "$work/baseline-src.rev" 2>/dev/null)" != "$baseline_rev" ]; then
    rm -rf "$baseline_src"
    mkdir -p "$baseline_src"
    git -C "$root" archive "$baseline_rev" | tar -x -C "$baseline_src"
    echo "$baseline_rev" > "$work/baseline-src.rev"
  fi
else
  echo "bench: revision $baseline_rev is not in this history; no before-and-after run" >&2
fi

log_dir="$build/bench/logs"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQELSCAN_LOG_DIR="$log_dir" \
  -DQELSCAN_BENCH_JDK22="$jdk22" \
  -DQELSCAN_BENCH_BASELINE_SOURCE="$baseline_src"
cmake --build "$build" -j2 --target qelscan_bench
bench="$build/bench"

if [ -n "$baseline_src" ]; then
  cmake -S "$baseline_src" -B "$work/baseline-build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQELSCAN_TESTS=OFF -DQELSCAN_LOG_DIR="$log_dir"
  cmake --build "$work/baseline-build" -j2 --target QELScanner MIRBAP32 QelScanApi
fi

# A hopper of many documents: the twelve checks of the default stack over
# and over, so that a session outlasts many batches of scans.
hopper="$work/hopper.txt"
# The checks as the virtual scanner's README lists them (its tests keep the
# list equal to the library's own).
mapfile -t checks < <(awk '/^## The default stack/ {on = 1; next} /^## / {on = 0}
  on && /^\| [0-9]+ \| `/ {split($0, cell, "`"); print cell[2]}' "$root/virtualscanner/README.md")
if [ ${#checks[@]} -ne 12 ]; then
  echo "bench: found ${#checks[@]} checks, not 12, in virtualscanner/README.md" >&2
  exit 1
fi
{
  echo "# the default stack, 400 times"
  for ((round = 0; round < 400; round++)); do
    printf '%s\n' "${checks[@]}"
  done
} >"$hopper"
export MIRB_VIRTUAL_HOPPER="$hopper"
export QELBENCH_SCRATCH="$work/scratch"

# The machine, for the report.
{
  echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "kernel: $(uname -srmv)"
  echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "baseline: ${baseline_src:+$baseline_rev}"
  echo "rounds: $rounds"
} > "$results/machine.txt"
lscpu > "$results/lscpu.txt"
"$java17" -version 2> "$results/java17-version.txt"
if [ -n "$jdk22" ]; then
  "$jdk22/bin/java" -version 2> "$results/java22-version.txt"
fi
dpkg-query -W -f='${Package} ${Version}\n' libjna-java libbenchmark-dev 2>/dev/null \
  > "$results/packages.txt" || true
gcc --version | head -1 >> "$results/packages.txt"

# Google Benchmark: every repetition is kept in the JSON, and the report
# takes the median over them. log_bench runs alternately over the current
# log.cpp and the earlier one, a few repetitions at a time, so that a change
# in the machine's load falls on both alike.
gbench=(--benchmark_min_time=0.1 --benchmark_report_aggregates_only=false
        --benchmark_display_aggregates_only=true --benchmark_out_format=json)
alternations=7
per_run=$(( (rounds + alternations - 1) / alternations ))
for i in $(seq 1 "$alternations"); do
  echo "== log_bench, pass $i of $alternations"
  "$bench/log_bench" "${gbench[@]}" --benchmark_repetitions="$per_run" \
    --benchmark_out="$results/log_bench.$i.json"
  if [ -n "$baseline_src" ]; then
    "$bench/log_bench_baseline" "${gbench[@]}" --benchmark_repetitions="$per_run" \
      --benchmark_out="$results/log_bench_baseline.$i.json"
  fi
done
echo "== lib_bench"
"$bench/lib_bench" "${gbench[@]}" --benchmark_repetitions="$rounds" \
  --benchmark_out="$results/lib_bench.json"

jna_native=$(dirname "$(dpkg -L libjna-jni | grep '/libjnidispatch[^/]*\.so$' | head -1)")
# run_java JAVA LABEL LIBRARY_DIR API_JAR EXTRA_CLASSPATH GROUPS OUT [JVM_FLAGS...] [-- BENCH_FLAGS...]
run_java() {
  local java=$1 label=$2 libdir=$3 api=$4 extra=$5 groups=$6 out=$7
  shift 7
  local jvm_flags=() bench_flags=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    jvm_flags+=("$1")
    shift
  done
  [ $# -gt 0 ] && shift
  bench_flags=("$@")
  echo "== Java bench: $label, $(basename "$libdir"), on $("$java" -version 2>&1 | head -1)"
  "$java" -Xms512m -Xmx512m "${jvm_flags[@]}" \
    -Djava.library.path="$libdir:$jna_native" \
    -Dqelbench.jni="$bench/libqelbench_jni.so" \
    -cp "$bench/QelBench.jar:$api:/usr/share/java/jna.jar$extra" QelBench.Bench \
    --logdir "$log_dir" --scanner "$libdir/libMIRBAP32.so" --scratch "$work/scratch" \
    --groups "$groups" --rounds "$rounds" --out "$out" --label "$label" "${bench_flags[@]}"
}
all=floor,copy,bridge,jna-interface,jna-direct
run_java "$java17" after "$build/out" "$build/out/QelScanApi.jar" "" "$all" "$results/java17.tsv"
if [ -n "$jdk22" ]; then
  run_java "$jdk22/bin/java" after "$build/out" "$build/out/QelScanApi.jar" ":$bench/QelBenchFfm.jar" \
    "$all,ffm" "$results/java22.tsv" --enable-native-access=ALL-UNNAMED
else
  echo "bench: no JDK 22 or later under /usr/lib/jvm; FFM left out" >&2
fi
# The bridge alone: over a scanner library whose entries do nothing, with
# the earlier bridge beside it for the before-and-after tables. Under
# glibc's default malloc each pinned 1 MiB copy is fresh memory (mapped and
# faulted in, or trimmed and grown again), which makes the pins slow and
# their times scatter; "steady" keeps such blocks in the heap, so that a pin
# costs its two copies and no more, and the bridge's own share stands out.
steady=glibc.malloc.mmap_threshold=4194304:glibc.malloc.trim_threshold=268435456
empty_groups=floor,copy,bridge
empty_flags=(--empty-scanner --scan-batch-ms 50)
if [ -n "$baseline_src" ]; then
  before="$work/baseline-empty"
  rm -rf "$before"
  mkdir -p "$before"
  cp "$work/baseline-build/out/libQELScanner.so" "$bench/empty-scanner/libMIRBAP32.so" "$before/"
  empty_groups=$empty_groups,change
  empty_flags+=(--earlier-jar "$work/baseline-build/out/QelScanApi.jar"
                --earlier-library "$before/libQELScanner.so")
fi
GLIBC_TUNABLES=$steady run_java "$java17" after "$bench/empty-scanner" "$build/out/QelScanApi.jar" "" \
  "$empty_groups" "$results/java17-empty-steady.tsv" -- "${empty_flags[@]}"
run_java "$java17" after "$bench/empty-scanner" "$build/out/QelScanApi.jar" "" floor,copy,bridge \
  "$results/java17-empty.tsv" -- --empty-scanner --scan-batch-ms 50
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" >> "$results/machine.txt"

python3 "$root/bench/report.py" "$results" "$root/docs/benchmarks.md" "$root/docs/benchmarks.png"
echo "Wrote docs/benchmarks.md and docs/benchmarks.png"
