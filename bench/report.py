#!/usr/bin/env python3
"""Turns the results of scripts/bench.sh into docs/benchmarks.md and its plot.

Usage: report.py RESULTS_DIR OUT_MD OUT_PNG

Every number written comes from the result files of the run; the prose
around the numbers says how they were taken and what they are set against,
and where it draws a conclusion it computes it from them.
"""
import csv
import glob
import json
import os
import statistics
import subprocess
import sys

results, out_md, out_png = sys.argv[1:4]
LIMIT = 1.2


def path(name):
    return os.path.join(results, name)


def read(name, default=""):
    try:
        with open(path(name)) as f:
            return f.read()
    except FileNotFoundError:
        return default


def gbench(pattern):
    """Google Benchmark: the median over every repetition in the files that
    match, in ns: {name: (wall, cpu)}."""
    files = sorted(glob.glob(path(pattern)))
    if not files:
        return None
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
    samples = {}
    for name in files:
        with open(name) as f:
            for b in json.load(f)["benchmarks"]:
                if b.get("run_type") != "iteration":
                    continue
                factor = scale[b["time_unit"]]
                walls, cpus = samples.setdefault(b["run_name"], ([], []))
                walls.append(b["real_time"] * factor)
                cpus.append(b["cpu_time"] * factor)
    return {k: (statistics.median(w), statistics.median(c)) for k, (w, c) in samples.items()}


def java(name):
    """The Java bench's medians: {(id, logs): row}, and its notes."""
    text = read(name)
    if not text:
        return None
    rows = {}
    body = [l for l in text.splitlines() if not l.startswith("#")]
    for row in csv.DictReader(body, delimiter="\t"):
        rows[(row["id"], row["logs"])] = row
    rows["_notes"] = [l[len("# note: "):] for l in text.splitlines() if l.startswith("# note: ")]
    return rows


log_after = gbench("log_bench.*.json")
log_before = gbench("log_bench_baseline.*.json")
lib = gbench("lib_bench.json")
j17 = java("java17.tsv")
j22 = java("java22.tsv")
e17 = java("java17-empty.tsv")
es17 = java("java17-empty-steady.tsv")
machine = dict(line.split(": ", 1) for line in read("machine.txt").splitlines() if ": " in line)


def jv(data, id_, logs="absent", metric="wall"):
    if data is None:
        return None
    row = data.get((id_, logs))
    return None if row is None else float(row[metric + "_median_ns"])


def gb(data, name, metric="wall"):
    if data is None or name not in data:
        return None
    return data[name][1 if metric == "cpu" else 0]


def feature(data):
    for key, row in (data or {}).items():
        if isinstance(key, tuple):
            return row["java"]
    return None


def fmt(ns):
    if ns is None:
        return "–"
    a = abs(ns)
    if a < 1e3:
        return f"{ns:.1f} ns" if a < 100 else f"{ns:.0f} ns"
    if a < 1e6:
        return f"{ns / 1e3:.2f} µs" if a < 1e5 else f"{ns / 1e3:.0f} µs"
    return f"{ns / 1e6:.2f} ms"


def ratio(a, b):
    if a is None or b is None or b == 0:
        return "–"
    return f"{a / b:.2f}"


def java_version(name):
    text = read(name).splitlines()
    return text[1].strip() if len(text) > 1 else (text[0].strip() if text else "")


def lines(data, id_):
    """Lines per call to the information and the error log, both present."""
    row = (data or {}).get((id_, "both"))
    return None if row is None else (float(row["info_lines"]), float(row["error_lines"]))


def test_price(data, metric):
    """One existence test with the file absent, as this process saw it: the
    floor with one LogBoth's work, less the floor and a clock read (from C),
    halved."""
    due = jv(data, "jni.contract", metric=metric)
    floor = jv(data, "jni.constant", metric=metric)
    clock = gb(log_after, "ClockRead", metric)
    if None in (due, floor, clock):
        return None, None
    return clock, (due - floor - clock) / 2


def log_work(data, id_, metric):
    """What the log contract owes an entry's lines with both files absent: a
    clock read per log call and an existence test per line. The entries
    measured send only their call line to the error log, with LogBoth, which
    reads the clock once for both files."""
    counted = lines(data, id_)
    clock, test = test_price(data, metric)
    if counted is None or test is None or counted[1] != 1:
        return counted, None
    info, error = counted
    return counted, info * clock + (info + error) * test


md = []
w = md.append

# The widest run over the virtual scanner: the one with FFM, else the build's JDK.
main = j22 if j22 is not None else j17
main_name = f"Java {feature(main)}" if main else "Java"
# The build's JDK (Java 17 on Debian 12), which runs everything but FFM.
base_name = f"Java {feature(j17) or feature(e17) or '?'}"
rounds = machine.get("rounds", "?")
entries = [
    ("MirbStatus", "Status", "`MirbStatus`"),
    ("MirbGetParam", "GetParam", "`MirbGetParam(0)`"),
    ("MirbScan", "ScanToFiles", "`MirbScan` (two TIFF files, code line)"),
    ("MirbScanMemory", "ScanMemory", "`MirbScanMemory` (two 1 MiB arrays, code line)"),
    ("QelScanToMemory", "FullScanToMemory", "`QelScanToMemory` (four 1 MiB arrays, results)"),
]
pieces = [
    ("ClockRead", "clock read alone (`clock_gettime`)"),
    ("LocalTimeConversion", "local-time conversion of a reading (`localtime_r`)"),
    ("ReadLocalTime", "`ReadLocalTime()`: both"),
    ("FormatEntry", "formatting an entry (`FormatLogEntry`: stamp and text)"),
    ("FileExistsAbsent", "existence test, file absent (`stat`)"),
    ("FileExistsPresent", "existence test, file present"),
    ("LogInfoAbsent", "`LogInfo`, file absent"),
    ("LogBothAbsent", "`LogBoth`, both absent"),
    ("LogInfoFormattedAbsent", "`LogInfoFormatted` (a traced value), file absent"),
    ("FormatAndLogAbsent", "`FormatText` then `LogInfo`, file absent"),
    ("LogInfoPresent", "`LogInfo`, file present"),
    ("LogBothPresent", "`LogBoth`, both present"),
    ("LogInfoFormattedPresent", "`LogInfoFormatted`, file present"),
    ("AppendLineInC", "open, write, close of the same bytes in plain C"),
    ("TestAndAppendInC", "`stat`, then open, write, close, in plain C"),
]


def scan_to_memory_share(data, metric):
    """QelScanToMemory over the empty library less the JNI work of its
    arguments: the bridge's own share, and one copy of the four images."""
    total = jv(data, "bridge.QelScanToMemory", metric=metric)
    arguments = jv(data, "jni.scanToMemoryArguments", metric=metric)
    copy = jv(data, "java.copy4", metric=metric)
    if None in (total, arguments, copy):
        return None
    return total, arguments, total - arguments, copy


w("# Benchmarks")
w("")
w("What one call of the bridge costs, against the floor of any native call, the")
w("work the log contract requires of it, the scanner library's own work, and")
w("two ways of calling that library from Java without our bridge (JNA and the")
w("Foreign Function & Memory API). This page and `benchmarks.png` are written,")
w("numbers and all, by one command:")
w("")
w("    scripts/bench.sh")
w("")
w(f"This run: {machine.get('date', '?')}, {rounds} rounds. The benchmarks are")
w("programs of their own and never part of the test run.")
w("")

# ---------------------------------------------------------------- headline
w("## Headline")
w("")
for label, data, over in ((f"the bridge alone ({base_name}, empty library)", e17, None),
                          (f"over the virtual scanner, {base_name}", j17, lib),
                          (f"over the virtual scanner, {main_name}", j22, lib)):
    if data is None:
        continue
    found = {}
    for entry, libname, _ in entries[:2]:
        for metric in ("cpu", "wall"):
            bridge = jv(data, "bridge." + entry, metric=metric)
            due = jv(data, "jni.contract", metric=metric)
            own = 0.0 if over is None else gb(over, libname, metric)
            if None not in (bridge, due, own):
                found[(entry, metric)] = bridge / (due + own)
    if not found:
        continue
    cpu = [v for (e, m), v in found.items() if m == "cpu"]
    own_text = ("" if over is None else
                f", plus the library's own `MIRBStatus` from C ({fmt(gb(over, 'Status', 'cpu'))})")
    w(f"- **Tracing off, {label}:** `MirbStatus` takes {fmt(jv(data, 'bridge.MirbStatus', metric='cpu'))} "
      f"of CPU time; the floor with the contract's work (a JNI call that reads the clock and "
      f"tests both log files) {fmt(jv(data, 'jni.contract', metric='cpu'))}{own_text}. "
      f"The bridge costs **{max(cpu):.2f} times** that at most "
      f"(`MirbStatus` {found.get(('MirbStatus', 'cpu'), 0):.2f}, "
      f"`MirbGetParam` {found.get(('MirbGetParam', 'cpu'), 0):.2f}): "
      f"**{'within' if max(cpu) <= LIMIT else 'above'} the limit of {LIMIT}**. "
      f"By wall clock: {found.get(('MirbStatus', 'wall'), 0):.2f} and "
      f"{found.get(('MirbGetParam', 'wall'), 0):.2f}.")
share = scan_to_memory_share(es17, "cpu")
if share:
    total, arguments, rest, copy = share
    counted, work = log_work(es17, "bridge.QelScanToMemory", "cpu")
    work_text = ""
    if work is not None:
        work_text = (f", about what its {counted[0]:.0f} + {counted[1]:.0f} trace lines owe the "
                     f"contract with the logs absent ({fmt(work)})")
    w(f"- **Scan to memory ({base_name}, empty library, steady malloc):** `QelScanToMemory` into "
      f"four 1 MiB arrays takes {fmt(total)}; the JNI work of its arguments done the bridge's "
      f"way (four images pinned, each copied out and back, and the small arrays) "
      f"{fmt(arguments)}. The bridge's own share is **{fmt(rest)}, {rest / copy:+.2f} of one "
      f"copy of the four images** ({fmt(copy)}){work_text}: "
      + ("**no image copy beyond the JVM's own pin copies**." if rest < copy / 2 else
         "**as much as an image copy or more**."))
if es17 is not None and jv(es17, "change.before.MirbScan", metric="cpu") is not None:
    b = jv(es17, "change.before.MirbScan", metric="cpu")
    a = jv(es17, "change.after.MirbScan", metric="cpu")
    w(f"- **The change to the log** (sections 6 and 7): a traced value with its file absent "
      f"went from {fmt(gb(log_before, 'LogInfoFormattedAbsent', 'cpu'))} to "
      f"{fmt(gb(log_after, 'LogInfoFormattedAbsent', 'cpu'))}; `MirbScan` over the empty "
      f"library with the logs absent from {fmt(b)} to {fmt(a)} ({ratio(a, b)}).")
w("")

# ------------------------------------------------------------------ method
w("## Method")
w("")
w("- **Build.** `scripts/bench.sh` installs what it needs (the build's packages,")
w("  then `libbenchmark-dev`, `libjna-java`, `gnuplot-nox` and `python3`) and")
w("  builds into `build-bench/` with `CMAKE_BUILD_TYPE=RelWithDebInfo` (`-O2 -g`,")
w("  the product's build) and a log folder of its own, `build-bench/bench/logs`.")
w("  Log files found there are moved aside for the run and put back afterwards.")
w("- **C programs** (Google Benchmark, repetitions of at least 0.1 s, median over")
w(f"  {rounds} repetitions): `log_bench`, the log's pieces, run in turns over the")
w("  current `log.cpp` and the earlier one; `lib_bench`, the scanner library's")
w("  entries called from C without a JVM.")
w(f"- **Java program** `QelBench.Bench`, one process per configuration: {base_name}")
w(f"  and {main_name} over the virtual scanner, and {base_name} over an *empty*")
w("  scanner library whose 41 entries return 0 at once, so that a call costs")
w("  the bridge and the JVM alone. Each variant is warmed up and sized to")
w("  batches of about 20 ms (scans 100 ms, 50 ms over the empty library); a")
w("  round runs one batch of every variant in turn, so that a disturbance falls")
w(f"  on all of them alike, and the result is the median over {rounds} rounds of")
w("  the time per call. Every batch checks its calls' results: all scans must")
w("  succeed.")
w("- **Wall clock and CPU time.** Both are taken for every batch. The machine")
w("  was shared (below), so the wall clock also counts time other processes")
w("  held the CPU; the calling thread's CPU time (user and system) does not.")
w("  Work that never waits (the bridge alone, the log's pieces) is given in CPU")
w("  time; anything over the virtual scanner in wall-clock time, as a scan to")
w("  files waits for the disk (the scanner syncs each file).")
w("- **The floor** is a JNI call into the bench's own library that returns a")
w("  constant. **The contract's work** is the same call reading the clock")
w("  (`clock_gettime`) and testing both log files (`stat`) at the bridge's paths:")
w("  what a call traced with `LogBoth` owes while both files are absent.")
w("  **The JNI work of `QelScanToMemory`'s arguments** is a JNI function of the")
w("  bench that pins, checks and releases the same twelve arguments in the")
w("  bridge's order, without scan and log.")
w("- **Lines per call** are counted in the files after a batch with both")
w("  present. With the files absent each line owes an existence test and each")
w("  log call a clock read (the call line goes to both files on one reading).")
w("- **Scans** take documents from a hopper file of 4800 checks; the session is")
w("  opened again, outside the timing, when a batch would run it dry.")
w("  `MirbScan` writes both sides as TIFF files into `build-bench/bench/work`.")
w("- **Steady malloc.** HotSpot pins a `byte[]` by copying it into a block from")
w("  `malloc`. glibc serves 1 MiB from fresh pages and soon gives them back, so")
w("  by default every pin also faults its pages in, and that time scatters. The")
w("  empty-library run is repeated with `GLIBC_TUNABLES` keeping such blocks in")
w("  the heap; there a pin costs its two copies and little more.")
w("- **Before and after.** The earlier bridge (revision")
w(f"  `{machine.get('baseline', '')[:10] or '–'}`, before the change of section 6) is built from")
w("  the history and loaded in the same JVM beside the current one, by a class")
w("  loader of its own; both are called through method handles alike, batch by")
w("  batch.")
w("- **Noise.** Two cores, shared with other people's builds while this ran")
w(f"  (load average {machine.get('load before', '?')} before the run,")
w(f"  {machine.get('load after', '?')} after). Scans' times vary from run to")
w("  run by more than the bridge's share of them; ratios within one process")
w("  hold better than absolute times, and a rerun gives other numbers.")
w("  Debian's Google Benchmark library says it was built as DEBUG; that is its")
w("  own harness, not the code measured.")
w("")

# ----------------------------------------------------------------- machine
w("## Machine")
w("")
lscpu = dict((k.strip(), v.strip())
             for k, v in (l.split(":", 1) for l in read("lscpu.txt").splitlines() if ":" in l))
for key in ("Architecture", "Model name", "CPU(s)", "Thread(s) per core", "Core(s) per socket",
            "CPU max MHz", "BogoMIPS", "Hypervisor vendor", "L1d cache", "L2 cache", "L3 cache"):
    if key in lscpu:
        w(f"- {key}: {lscpu[key]}")
w(f"- Kernel: {machine.get('kernel', '?')}")
w(f"- {base_name}: {java_version('java17-version.txt')}")
if read("java22-version.txt"):
    w(f"- {main_name}: {java_version('java22-version.txt')}")
else:
    w("- No JDK 22 or later under /usr/lib/jvm: the FFM variants were skipped.")
for line in read("packages.txt").splitlines():
    w(f"- {line}")
w("")
w("<details><summary>lscpu (without the flags and the vulnerability lines)</summary>")
w("")
w("```")
w("\n".join(l for l in read("lscpu.txt").splitlines()
             if not l.startswith(("Flags:", "Vulnerability"))))
w("```")
w("")
w("</details>")
w("")

# ------------------------------------------------------ 1. the log's pieces
w("## 1. The log contract's pieces, in C")
w("")
w("`log_bench`, CPU time per call, over the bridge's `log.cpp` (section 7 has")
w("it before the change). The contract: the time is read first, each line tests")
w("its file's existence, nothing is written to an absent file, and a present")
w("file gets the line appended: open, one write, close.")
w("")
w("| piece | time |")
w("|---|---:|")
for name, what in pieces:
    w(f"| {what} | {fmt(gb(log_after, name, 'cpu'))} |")
w("")
clock = gb(log_after, "ClockRead", "cpu")
absent = gb(log_after, "FileExistsAbsent", "cpu")
both_absent = gb(log_after, "LogBothAbsent", "cpu")
info_absent = gb(log_after, "LogInfoAbsent", "cpu")
if None not in (clock, absent, both_absent, info_absent):
    w(f"With its file absent a line costs what the contract requires: `LogInfo` "
      f"{fmt(info_absent)} against one clock read and one existence test, "
      f"{fmt(clock + absent)} ({ratio(info_absent, clock + absent)}); `LogBoth` "
      f"{fmt(both_absent)} against one clock read and two, {fmt(clock + 2 * absent)} "
      f"({ratio(both_absent, clock + 2 * absent)}).")
line = gb(log_after, "LogInfoPresent", "cpu")
append = gb(log_after, "AppendLineInC", "cpu")
tested = gb(log_after, "TestAndAppendInC", "cpu")
convert = gb(log_after, "LocalTimeConversion", "cpu")
entry_fmt = gb(log_after, "FormatEntry", "cpu")
if None not in (line, append, tested, clock, convert, entry_fmt):
    due = clock + tested + convert + entry_fmt
    w(f"With its file present a traced line costs {fmt(line)}, {ratio(line, append)} times "
      f"the {fmt(append)} of one open, write and close of the same bytes in plain C. The "
      f"contract puts the existence test before the append ({fmt(tested)} for both in "
      f"plain C: testing a file just written costs more than the test alone), and a "
      f"written line needs its stamp converted and its entry formatted; with the clock "
      f"read these add up to {fmt(due)}, and the line costs {ratio(line, due)} times that.")
w("")

# ------------------------------------------------ 2. the bridge alone
w("## 2. The bridge alone, by log state")
w("")
w(f"{base_name} over the empty scanner library, CPU time per call: the bridge's and")
w("the JVM's work and nothing else. *Log work* is what the contract owes the")
w("call's lines with both files absent, priced by this process's floor with")
w("one `LogBoth`'s work; the *rest* is the call less the floor and the log work:")
w("turning arguments into buffers and results back (strings, pins), which the")
w("calls require too.")
w("")
if e17 is not None:
    floor = jv(e17, "jni.constant", metric="cpu")
    clock_p, test_p = test_price(e17, "cpu")
    w(f"JNI floor {fmt(floor)}; floor with one `LogBoth`'s work "
      f"{fmt(jv(e17, 'jni.contract', metric='cpu'))}, that is a clock read of {fmt(clock_p)} "
      f"and existence tests of {fmt(test_p)} each.")
    w("")
    w("| entry | logs absent | error log only | both logs | lines per call (info + error) "
      "| log work | rest | absent ÷ (floor + log work) |")
    w("|---|---:|---:|---:|---:|---:|---:|---:|")
    for entry, _, what in entries:
        a = jv(e17, "bridge." + entry, metric="cpu")
        counted, work = log_work(e17, "bridge." + entry, "cpu")
        rest = None if None in (a, work, floor) else a - floor - work
        counted_text = "–" if counted is None else f"{counted[0]:.0f} + {counted[1]:.0f}"
        w(f"| {what} | {fmt(a)} | {fmt(jv(e17, 'bridge.' + entry, 'error only', 'cpu'))} | "
          f"{fmt(jv(e17, 'bridge.' + entry, 'both', 'cpu'))} | {counted_text} | {fmt(work)} | "
          f"{fmt(rest)} | {ratio(a, None if work is None else floor + work)} |")
    w("")
    w("`MirbScan`'s rest is its strings (two file names fetched, four texts made")
    w("and stored); the scans to memory's rest is the JVM's pin copies (section 5).")
    w("A rest below zero is scatter: the call and the floor with the contract's")
    w("work are timed in different batches, and an existence test varies by some")
    w("ten per cent from batch to batch.")
    w("")

# ------------------------------------------------ 3. over the virtual scanner
w("## 3. Over the virtual scanner, by log state")
w("")
w("Wall-clock time per call. *Library in C* is `lib_bench` calling the same")
w("entry without a JVM: what the virtual scanner itself costs. A scan draws the")
w("check and encodes it (Group 4 TIFF; for `QelScanToMemory` gray JPEGs too);")
w("`MirbScan` also writes and syncs two files. The last column is the call")
w("with the logs absent over the library's own time.")
w("")
for data in (j17, j22):
    if data is None:
        continue
    w(f"**Java {feature(data)}** (JNI floor {fmt(jv(data, 'jni.constant'))}, floor with one "
      f"`LogBoth`'s work {fmt(jv(data, 'jni.contract'))}):")
    w("")
    w("| entry | library in C | logs absent | error log only | both logs | absent ÷ library |")
    w("|---|---:|---:|---:|---:|---:|")
    for entry, libname, what in entries:
        a = jv(data, "bridge." + entry)
        w(f"| {what} | {fmt(gb(lib, libname))} | {fmt(a)} | "
          f"{fmt(jv(data, 'bridge.' + entry, 'error only'))} | "
          f"{fmt(jv(data, 'bridge.' + entry, 'both'))} | {ratio(a, gb(lib, libname))} |")
    w("")
w("A scan costs milliseconds of the scanner's own work, and the bridge's share")
w("of it (section 2) is lost in its scatter. The scans to memory add the JVM's")
w("pin copies (section 5).")
w("")

# ------------------------------------------------ 4. without the bridge
w("## 4. Without the bridge: JNA and FFM")
w("")
w("Wall-clock time per call. The same library entries called from Java")
w("directly, each handing back what the bridge's call hands back (texts as")
w("Strings, images in Java arrays), and none of them tracing anything. JNA")
w("through an interface proxy (its usual use) and through direct mapping; FFM")
w("with downcall handles in static finals: `MIRBScan` allocates its names and")
w("texts in a confined arena per call, `MIRBScanMemory` scans into off-heap")
w("buffers and copies each image's bytes into the Java array, or, as a")
w("critical downcall, straight into the Java arrays. *Bridge* is the bridge")
w("with both logs absent.")
w("")
for data in (j17, j22):
    if data is None:
        continue
    ffm = jv(data, "ffm.MIRBStatus") is not None
    w(f"**Java {feature(data)}:**")
    w("")
    head = "| entry | bridge | JNA interface | JNA direct |"
    rule = "|---|---:|---:|---:|"
    if ffm:
        head += " FFM | FFM critical |"
        rule += "---:|---:|"
    head += " bridge ÷ JNA direct |"
    rule += "---:|"
    if ffm:
        head += " bridge ÷ FFM |"
        rule += "---:|"
    w(head)
    w(rule)
    for entry, libname, what in entries[:4]:
        lib_id = "MIRB" + entry[4:]
        b = jv(data, "bridge." + entry)
        jd = jv(data, "jna-direct." + lib_id)
        cells = [fmt(b), fmt(jv(data, "jna-interface." + lib_id)), fmt(jd)]
        f = None
        if ffm:
            f = jv(data, "ffm." + lib_id)
            cells += [fmt(f), fmt(jv(data, "ffm." + lib_id + ".critical"))]
        cells.append(ratio(b, jd))
        if ffm:
            cells.append(ratio(b, f))
        w(f"| {what} | " + " | ".join(cells) + " |")
    w("")
w("Without a scan the bridge's price over JNA and FFM is its tracing: the")
w("clock read and the two existence tests the log contract requires of every")
w("call (section 2). With a scan every way costs about the same, the scan.")
w("")

# ------------------------------------------------ 5. scan to memory
w("## 5. Scan to memory against copying the images")
w("")
w("`QelScanToMemory` pins four 1 MiB arrays for the scan. HotSpot's")
w("`GetByteArrayElements` copies an array out and `ReleaseByteArrayElements`")
w("(mode 0) copies it back, so the JVM itself moves each image twice; the")
w("library writes into the pinned copies, and the bridge copies nothing more.")
for data in (es17, e17, j17):
    notes = (data or {}).get("_notes", [])
    if notes:
        w(f"The bench found: {notes[0]} (Java {feature(data)}).")
        break
w("")
configs = [(es17, "empty library, steady malloc", "cpu"),
           (e17, "empty library, default malloc", "cpu")]
if main is not None:
    configs.append((main, f"virtual scanner, {main_name}", "wall"))
configs = [c for c in configs if c[0] is not None]
w("| | " + " | ".join(f"{label} ({'CPU' if m == 'cpu' else 'wall clock'})"
                       for _, label, m in configs) + " |")
w("|---|" + "---:|" * len(configs))
rows = [
    ("`QelScanToMemory`, logs absent", "bridge.QelScanToMemory", "absent"),
    ("`QelScanToMemory`, error log only", "bridge.QelScanToMemory", "error only"),
    ("`QelScanToMemory`, both logs", "bridge.QelScanToMemory", "both"),
    ("JNI work of its arguments, the bridge's way", "jni.scanToMemoryArguments", "absent"),
    ("the four images pinned and released alone", "jvm.pin4", "absent"),
    ("one copy of the four images (`System.arraycopy`)", "java.copy4", "absent"),
    ("the scan alone: `QELScan` and four lengths through FFM", "ffm.QELScan", "absent"),
]
for what, id_, logs in rows:
    w(f"| {what} | " + " | ".join(fmt(jv(d, id_, logs, m)) for d, _, m in configs) + " |")
w("")
w(f"From C: the same scan into four buffers takes {fmt(gb(lib, 'FullScanToMemory'))} "
  f"(`lib_bench`, wall clock), and one `memcpy` of four 1 MiB buffers "
  f"{fmt(gb(lib, 'CopyFourImages'))}.")
w("")
for data, label, _ in configs[:2]:
    share = scan_to_memory_share(data, "cpu")
    if share is None:
        continue
    total, arguments, rest, copy = share
    counted, work = log_work(data, "bridge.QelScanToMemory", "cpu")
    work_text = "" if work is None else f"; the contract's log work of its lines is {fmt(work)}"
    w(f"- {label}: {fmt(total)} − {fmt(arguments)} (the arguments' JNI work) = **{fmt(rest)}** "
      f"for the bridge's own work, {rest / copy:+.2f} copies of the four images{work_text}.")
w("")
w("Over the virtual scanner the scan's milliseconds, measured in another batch,")
w("scatter by more than a copy of the images, so the bridge's share is taken")
w("over the empty library.")
w("")

# ------------------------------------------------ 6. the change
w("## 6. What the bridge did beyond its contract, and the change")
w("")
w("Found with these measurements and removed in `bridge/log.cpp`; the log")
w("contract and every unit test are unchanged:")
w("")
w("1. `LogInfoFormatted`, which traces every value (the scans' lengths and code")
w("   lines, the 32 status values, ...), formatted its text with `vsnprintf`")
w("   before the existence test, also while the information log was absent.")
w("   Now it reads the clock, tests the file, and formats and appends only for")
w("   a file that is there, writing the same line, with no second test.")
w("2. Every line converted its clock reading to local time (`localtime_r`)")
w("   before the existence test. The reading is still taken first; it is")
w("   converted only once a file is there to write to, once per reading")
w("   (`LogBoth` stamps both files with it). On Windows `GetLocalTime` reads")
w("   and converts in one call and stays as it was.")
w("")
w("`tests/log_cost_test.cpp` counts through the linker's `--wrap` that a line")
w("whose file is absent makes neither conversion nor formatting, and that a")
w("present file gets one of each.")
w("")

# ------------------------------------------------ 7. before and after
w("## 7. Before and after")
w("")
if log_before:
    w("In C, CPU time: `log_bench` over the earlier `log.cpp`, run in turns with")
    w("the current one. The pieces the change did not touch (the clock read, the")
    w("existence tests, the appends in plain C) show how far the two programs'")
    w("times scatter without a cause:")
    w("")
    w("| piece | before | after | after ÷ before |")
    w("|---|---:|---:|---:|")
    for name, what in pieces:
        b = gb(log_before, name, "cpu")
        a = gb(log_after, name, "cpu")
        w(f"| {what} | {fmt(b)} | {fmt(a)} | {ratio(a, b)} |")
    w("")
if es17 is not None and jv(es17, "change.before.MirbStatus", metric="cpu") is not None:
    w(f"Through the bridge, {base_name} over the empty library (steady malloc), CPU")
    w("time; both bridges in one process, called through method handles:")
    w("")
    w("| call | logs | before | after | after ÷ before |")
    w("|---|---|---:|---:|---:|")
    for entry, _, what in entries:
        for logs in ("absent", "error only", "both"):
            b = jv(es17, "change.before." + entry, logs, "cpu")
            a = jv(es17, "change.after." + entry, logs, "cpu")
            w(f"| {what} | {logs} | {fmt(b)} | {fmt(a)} | {ratio(a, b)} |")
    w("")
    w("With the information log absent the change saves a conversion per line and")
    w("a formatting per traced value; a line's existence test still dominates it,")
    w("and the scans to memory are dominated by their pin copies.")
elif not log_before:
    w("No before-and-after run: the history does not hold the earlier revision.")
w("")

# ------------------------------------------------ plot
plot_data = path("plot.dat")
plot_series = [
    ("library in C", lambda e, l: gb(lib, l)),
    (f"bridge alone (empty library, {base_name})", lambda e, l: jv(e17, "bridge." + e)),
    ("bridge, logs absent", lambda e, l: jv(main, "bridge." + e)),
    ("bridge, error log", lambda e, l: jv(main, "bridge." + e, "error only")),
    ("bridge, both logs", lambda e, l: jv(main, "bridge." + e, "both")),
    ("JNA interface", lambda e, l: jv(main, "jna-interface.MIRB" + e[4:]) if e.startswith("Mirb") else None),
    ("JNA direct", lambda e, l: jv(main, "jna-direct.MIRB" + e[4:]) if e.startswith("Mirb") else None),
    ("FFM (QelScanToMemory: QELScan)",
     lambda e, l: jv(main, "ffm.MIRB" + e[4:]) if e.startswith("Mirb") else jv(main, "ffm.QELScan")),
]
with open(plot_data, "w") as f:
    f.write("entry\t" + "\t".join(f'"{s}"' for s, _ in plot_series) + "\n")
    for entry, libname, _ in entries:
        values = []
        for _, get in plot_series:
            v = get(entry, libname)
            values.append("NaN" if v is None else f"{v:.3f}")
        f.write(entry + "\t" + "\t".join(values) + "\n")
floor_line = jv(main, "jni.constant")
due_line = jv(main, "jni.contract")
script = f"""
set terminal pngcairo size 1100,650 font "DejaVu Sans,10"
set output "{out_png}"
set title "ns per call, wall-clock median ({main_name} over the virtual scanner unless said)"
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.85 border -1
set boxwidth 0.9
set logscale y
set format y "10^{{%L}}"
set ylabel "ns per call (log scale)"
set grid ytics
set key below horizontal maxrows 3 width 2
set yrange [5:*]
"""
columns = [f"'{plot_data}' using {i + 2}:xtic(1) title columnhead({i + 2})"
           for i in range(len(plot_series))]
if floor_line:
    columns.append(f'{floor_line} with lines dt 2 lw 1.5 lc rgb "black" '
                   f'title "JNI floor, {fmt(floor_line)}"')
if due_line:
    columns.append(f'{due_line} with lines dt 3 lw 1.5 lc rgb "#aa0000" '
                   f'title "floor + clock read + 2 existence tests, {fmt(due_line)}"')
script += "plot " + ", ".join(columns) + "\n"
with open(path("plot.gp"), "w") as f:
    f.write(script)
subprocess.run(["gnuplot", path("plot.gp")], check=True)

w("## Plot")
w("")
w("![ns per call by variant](benchmarks.png)")
w("")
w(f"`benchmarks.png`: wall-clock medians of sections 2 to 4 ({main_name} over the")
w(f"virtual scanner, the bridge alone on {base_name}, the library from C) on a log")
w("scale, with the JNI floor and the floor with one `LogBoth`'s work as lines.")
w("")
w("## Files")
w("")
w("- `scripts/bench.sh`: the one command.")
w("- `bench/log_bench.cpp`, `bench/lib_bench.cpp`: the C benchmarks;")
w("  `bench/empty_scanner.cpp`: the empty scanner library.")
w("- `bench/jni/qelbench_jni.c`: the bench's JNI library (floor, contract,")
w("  pins, the arguments of `QelScanToMemory`).")
w("- `bench/java/QelBench/`: the Java bench (bridge, JNA, the earlier bridge);")
w("  `bench/java22/QelBench/Ffm.java`: FFM.")
w("- `bench/report.py`: this page and the plot, from the result files in")
w("  `build-bench/bench/work/results/`.")

with open(out_md, "w") as f:
    f.write("\n".join(md) + "\n")
