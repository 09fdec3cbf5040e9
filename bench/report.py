#!/usr/bin/env python3
"""report.py RESULTS_DIR TEMPLATE OUT_MD OUT_PNG: fills the page's template
(its text, each ${name} to be filled) with the results of scripts/bench.sh,
and draws its plot. Every number, and every conclusion the page draws, is
computed here from the results; one the run did not produce (a part left
out) is NaN here and "–" on the page."""
import collections
import csv
import json
import math
import pathlib
import statistics
import string
import subprocess
import sys

results, template, out_md, out_png = sys.argv[1:5]
LIMIT = 1.2
NAN = math.nan


def read(name):
    path = pathlib.Path(results, name)
    return path.read_text(encoding="utf-8") if path.exists() else ""


def medians(samples):
    """{key: the median of its values} of (key, value) pairs."""
    groups = collections.defaultdict(list)
    for key, value in samples:
        groups[key].append(value)
    return {key: statistics.median(values) for key, values in groups.items()}


# The C program: Google Benchmark's repetitions, in ns.
SCALE = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}
C_TIMES = medians(
    ((b["run_name"], metric), b[field] * SCALE[b["time_unit"]])
    for b in json.loads(read("c_bench.json") or "{}").get("benchmarks", [])
    if b["run_type"] == "iteration" and not b.get("error_occurred")
    for metric, field in (("wall", "real_time"), ("cpu", "cpu_time")))


def c(name, metric="wall"):
    return C_TIMES.get((name, metric), NAN)


class Java:
    """One process of the Java bench: medians over its rounds, lines per call
    with both logs present, notes. Called, it gives a median in ns."""

    def __init__(self, name):
        lines = read(name).splitlines()
        rows = list(csv.DictReader((l for l in lines if not l.startswith("#")), delimiter="\t"))
        self.ran = bool(rows)
        self.name = f"Java {rows[0]['java']}" if rows else "Java ?"
        self.notes = [l[len("# note: "):] for l in lines if l.startswith("# note: ")]
        self.times = medians(((r["id"], r["logs"], metric), float(r[metric + "_ns"]))
                             for r in rows for metric in ("wall", "cpu"))
        self.lines = {r["id"]: (float(r["info_lines"]), float(r["error_lines"]))
                      for r in rows if r["logs"] == "both"}

    def __call__(self, id_, logs="absent", metric="wall"):
        return self.times.get((id_, logs, metric), NAN)

    def prices(self):
        """A clock read (from C) and an existence test with the file absent
        as this process saw it: the floor with one LogBoth's work less the
        floor and the clock read, halved. CPU time."""
        clock = c("ClockRead", "cpu")
        both = self("jni.contract", metric="cpu") - self("jni.constant", metric="cpu")
        return clock, (both - clock) / 2

    def log_work(self, id_):
        """What the contract owes a call's lines with both files absent: a
        clock read per log call, an existence test per line. The entries
        measured send only their call line to the error log, with LogBoth,
        which reads the clock once for both files."""
        info, error = self.lines.get(id_, (NAN, NAN))
        clock, test = self.prices()
        return info * clock + (info + error) * test if error == 1 else NAN

    def lines_text(self, id_):
        info, error = self.lines.get(id_, (NAN, NAN))
        return "–" if math.isnan(info) else f"{info:.0f} + {error:.0f}"


def num(x, form="{:.2f}"):
    return "–" if math.isnan(x) else form.format(x)


def ratio(a, b):
    return num(a / b if b else NAN)


def fmt(ns):
    """A time in ns, in the unit that suits it."""
    if math.isnan(ns):
        return "–"
    size = abs(ns)
    if size >= 1e6:
        return f"{ns / 1e6:.2f} ms"
    if size >= 1e3:
        return f"{ns / 1e3:.{2 if size < 1e5 else 0}f} µs"
    return f"{ns:.{1 if size < 100 else 0}f} ns"


def table(head, rows):
    """A Markdown table, the first column to the left and the others to the
    right; a column with nothing but "–" in it is left out."""
    keep = [i for i in range(len(head)) if any(row[i] != "–" for row in rows)]
    rule = ["---"] + ["---:"] * (len(keep) - 1)
    lines = [[head[i] for i in keep], rule] + [[row[i] for i in keep] for row in rows]
    return "\n".join("| " + " | ".join(cells) + " |" for cells in lines)


j17, j22 = Java("java17.tsv"), Java("java22.tsv")
e17, es17 = Java("java17-empty.tsv"), Java("java17-empty-steady.tsv")
virtual = [run for run in (j17, j22) if run.ran]
main = virtual[-1] if virtual else j17  # the widest run: the one with FFM, if any
# The machine: the run's own facts, and the rest for the page's list.
machine = dict(l.split(": ", 1) for l in read("machine.txt").splitlines() if ": " in l)
page = {key.replace(" ", "_"): machine.pop(key, "?")
        for key in ("date", "rounds", "load before", "load after")}
page.update(machine="\n".join(f"- {key}: {value}" for key, value in machine.items()),
            lscpu="\n".join(l for l in read("lscpu.txt").splitlines()
                            if not l.startswith(("Flags:", "Vulnerability"))),
            base_name=e17.name, main_name=main.name,
            virtual_runs=" and ".join(run.name for run in virtual))

# The bridge's entries: its id, the library's entry in the C program and
# from Java (for QelScanToMemory QELScan, which FFM alone calls), and what
# the call hands back.
Entry = collections.namedtuple("Entry", "bridge in_c lib what")
ENTRIES = [
    Entry("bridge.MirbStatus", "Status", "MIRBStatus", "`MirbStatus`"),
    Entry("bridge.MirbGetParam", "GetParam", "MIRBGetParam", "`MirbGetParam(0)`"),
    Entry("bridge.MirbScan", "ScanToFiles", "MIRBScan", "`MirbScan` (two TIFF files, code line)"),
    Entry("bridge.MirbScanMemory", "ScanMemory", "MIRBScanMemory",
          "`MirbScanMemory` (two 1 MiB arrays, code line)"),
    Entry("bridge.QelScanToMemory", "FullScanToMemory", "QELScan",
          "`QelScanToMemory` (four 1 MiB arrays, results)"),
]
LOGS = {"absent": "logs absent", "error only": "error log only", "both": "both logs"}
WAYS = {"JNA interface": "jna-interface.", "JNA direct": "jna-direct.", "FFM": "ffm."}

# Headline: tracing off, the bridge against the floor with the contract's
# work, over the virtual scanner plus the library's own entry.
rows = []
for label, run, library in [(f"the bridge alone ({e17.name}, empty library)", e17, False)] + [
        (f"over the virtual scanner, {run.name}", run, True) for run in virtual]:
    pairs = [(run(entry.bridge, metric=metric), run("jni.contract", metric=metric)
              + (c(entry.in_c, metric) if library else 0))
             for metric in ("cpu", "wall") for entry in ENTRIES[:2]]
    cpu = [call / due for call, due in pairs[:2]]
    worst = NAN if any(map(math.isnan, cpu)) else max(cpu)
    rows.append([label, fmt(pairs[0][0]), fmt(pairs[0][1])]
                + [ratio(call, due) for call, due in pairs]
                + ["–" if math.isnan(worst) else "**within**" if worst <= LIMIT
                   else "**above**"])
page["headline_table"] = table(
    ["tracing off", "`MirbStatus`", "floor with the contract's work (+ library)",
     "÷ (CPU): `MirbStatus`", "`MirbGetParam(0)`", "÷ (wall clock): `MirbStatus`",
     "`MirbGetParam(0)`", f"limit {LIMIT}"], rows)

# 1. The log's pieces, CPU time (the table is the template's).
p = {name: c(name, "cpu") for name, _ in C_TIMES}
page.update({name: fmt(ns) for name, ns in p.items()})
clock_test = p["ClockRead"] + p["FileExistsAbsent"]
clock_two_tests = clock_test + p["FileExistsAbsent"]
present_due = (p["ClockRead"] + p["TestAndAppendInC"] + p["LocalTimeConversion"]
               + p["FormatEntry"])
page.update(clock_test=fmt(clock_test), clock_two_tests=fmt(clock_two_tests),
            info_absent_ratio=ratio(p["LogInfoAbsent"], clock_test),
            both_absent_ratio=ratio(p["LogBothAbsent"], clock_two_tests),
            present_ratio_append=ratio(p["LogInfoPresent"], p["AppendLineInC"]),
            present_due=fmt(present_due),
            present_ratio_due=ratio(p["LogInfoPresent"], present_due))

# 2. The bridge alone, CPU time: the call less the floor and the log work.
floor = e17("jni.constant", metric="cpu")
clock, each_test = e17.prices()
page.update(alone_floor=fmt(floor), alone_contract=fmt(e17("jni.contract", metric="cpu")),
            alone_clock=fmt(clock), alone_test=fmt(each_test))
rows = []
for entry in ENTRIES:
    absent, work = e17(entry.bridge, metric="cpu"), e17.log_work(entry.bridge)
    rows.append([entry.what] + [fmt(e17(entry.bridge, logs, "cpu")) for logs in LOGS]
                + [e17.lines_text(entry.bridge), fmt(work),
                   fmt(absent - floor - work), ratio(absent, floor + work)])
page["alone_table"] = table(["entry", *LOGS.values(), "lines per call (info + error)",
                             "log work", "rest", "absent ÷ (floor + log work)"], rows)

# 3. Over the virtual scanner: the library from C, the bridge, JNA and FFM.
tables = []
for run in virtual:
    rows = []
    for entry in ENTRIES:
        calls = [run(entry.bridge, logs) for logs in LOGS]
        ways = [run(way + entry.lib) for way in WAYS.values()]
        rows.append([entry.what, fmt(c(entry.in_c))] + [fmt(ns) for ns in calls + ways]
                    + [ratio(calls[0], ns) for ns in (c(entry.in_c), ways[1], ways[2])])
    tables.append(f"**{run.name}** (JNI floor {fmt(run('jni.constant'))}, floor with one "
                  f"`LogBoth`'s work {fmt(run('jni.contract'))}):\n\n" + table(
                      ["entry", "library in C", "bridge", "bridge, error log",
                       "bridge, both logs", *WAYS, "bridge ÷ library", "bridge ÷ JNA direct",
                       "bridge ÷ FFM"], rows))
page["java_tables"] = "\n\n".join(tables)

# 4. Scan to memory against the image copies: the bridge's own share over
# the empty library is the call less the JNI work of its arguments.
page["pin_note"] = next((f"{run.notes[0]} ({run.name})" for run in (es17, e17) if run.notes),
                       "–")
for name, run in (("steady", es17), ("default", e17)):
    total, arguments, copy = (run(id_, metric="cpu") for id_ in (
        "bridge.QelScanToMemory", "jni.scanToMemoryArguments", "java.copy4"))
    copies = (total - arguments) / copy
    verdict = ("no image copy beyond the JVM's own pin copies" if copies < 0.5
               else "–" if math.isnan(copies) else "as much as an image copy or more")
    page.update({f"{name}_{key}": value for key, value in dict(
        total=fmt(total), arguments=fmt(arguments), rest=fmt(total - arguments),
        copy=fmt(copy), copies=num(copies, "{:+.2f}"), verdict=verdict,
        log_work=fmt(run.log_work("bridge.QelScanToMemory")),
        lines=run.lines_text("bridge.QelScanToMemory")).items()})
configs = [(run, label, metric) for run, label, metric in (
    (es17, "empty library, steady malloc (CPU)", "cpu"),
    (e17, "empty library, default malloc (CPU)", "cpu"),
    (main, f"virtual scanner, {main.name} (wall clock)", "wall")) if run.ran]
measures = [(f"`QelScanToMemory`, {label}", "bridge.QelScanToMemory", logs)
            for logs, label in LOGS.items()] + [
    ("JNI work of its arguments, the bridge's way", "jni.scanToMemoryArguments", "absent"),
    ("one copy of the four images (`System.arraycopy`)", "java.copy4", "absent")]
page["copy_table"] = table([""] + [label for _, label, _ in configs], [
    [what] + [fmt(run(id_, logs, metric)) for run, _, metric in configs]
    for what, id_, logs in measures])
page["lib_full_scan"] = fmt(c("FullScanToMemory"))

# The plot: wall-clock medians, the main run's unless said, on a log scale.
series = {
    "library in C": lambda entry: c(entry.in_c),
    f"bridge alone (empty library, {e17.name})": lambda entry: e17(entry.bridge),
    "bridge, logs absent": lambda entry: main(entry.bridge),
    "bridge, error log": lambda entry: main(entry.bridge, "error only"),
    "bridge, both logs": lambda entry: main(entry.bridge, "both"),
    "JNA interface": lambda entry: main("jna-interface." + entry.lib),
    "JNA direct": lambda entry: main("jna-direct." + entry.lib),
    "FFM (QelScanToMemory: QELScan)": lambda entry: main("ffm." + entry.lib),
}
data = ["entry" + "".join(f'\t"{title}"' for title in series)] + [
    entry.bridge[len("bridge."):] + "".join(f"\t{get(entry):.3f}" for get in series.values())
    for entry in ENTRIES]
plots = [f"$data using {i}:xtic(1) title columnhead({i})" for i in range(2, len(series) + 2)]
for id_, style, title in (("jni.constant", 'dt 2 lc rgb "black"', "JNI floor"),
                          ("jni.contract", 'dt 3 lc rgb "#aa0000"',
                           "floor + clock read + 2 existence tests")):
    if not math.isnan(main(id_)):
        plots.append(f'{main(id_)} with lines {style} lw 1.5 title "{title}, {fmt(main(id_))}"')
subprocess.run(["gnuplot"], text=True, check=True, input="$data << EOD\n" + "\n".join(data)
               + f"""
EOD
set terminal pngcairo size 1100,650 font "DejaVu Sans,10"
set output "{out_png}"
set title "ns per call, wall-clock median ({main.name} over the virtual scanner unless said)"
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
plot {", ".join(plots)}
""")

# 6. The scanner library in a host process, against the same in process:
# from C the library's entries (host_bench, one process, both copies of the
# virtual scanner loaded), through the bridge on Java 17 the calls a Java
# application makes (the isolated folder in a JVM of its own, beside the
# main run's in-process one).
H_TIMES = medians(
    ((b["run_name"], metric), b[field] * SCALE[b["time_unit"]])
    for b in json.loads(read("host_bench.json") or "{}").get("benchmarks", [])
    if b["run_type"] == "iteration" and not b.get("error_occurred")
    for metric, field in (("wall", "real_time"), ("cpu", "cpu_time")))
i17 = Java("java17-isolated.tsv")


def h(name):
    return H_TIMES.get((name, "wall"), NAN)


floor = h("floor.PipeRoundTrip")
host_rows, added, scale = [], [], []
for label, in_process, hosted, scan in (
        ("`MIRBStatus` (C)", h("in_process.MIRBStatus"), h("host.MIRBStatus"), False),
        ("`MIRBScanMemory` (C)", h("in_process.MIRBScanMemory"), h("host.MIRBScanMemory"), True),
        ("`QELScan` with four memory descriptors, and the four lengths (C)",
         h("in_process.QELScan"), h("host.QELScan"), True),
        ("`MirbStatus` (Java 17)", j17("bridge.MirbStatus"), i17("bridge.MirbStatus"), False),
        ("`MirbScanMemory` (Java 17)", j17("bridge.MirbScanMemory"),
         i17("bridge.MirbScanMemory"), True),
        ("`QelScanToMemory` (Java 17)", j17("bridge.QelScanToMemory"),
         i17("bridge.QelScanToMemory"), True)):
    host_rows.append([label, fmt(in_process), fmt(hosted), fmt(hosted - in_process),
                      ratio(hosted, in_process)])
    (scale if scan else added).append((hosted - in_process) if not scan else hosted / in_process)
page["host_table"] = table(["call", "in process", "through the host", "added", "ratio"], host_rows)
page["host_floor"] = fmt(floor)
worst_added = max(added, default=NAN)
worst_scale = max(scale, default=NAN)
page["host_added"] = fmt(worst_added)
page["host_scale"] = num(worst_scale)
page["host_verdict"] = (
    "–" if math.isnan(worst_added) or math.isnan(worst_scale) else
    ("within" if worst_added <= 20e3 else "beyond") + " the goal of 20 µs added a call, and the scans "
    + ("within" if worst_scale <= 1.05 else "beyond") + " the goal of 1.05 times")

text = string.Template(pathlib.Path(template).read_text(encoding="utf-8")).substitute(page)
pathlib.Path(out_md).write_text(text, encoding="utf-8")
