#!/usr/bin/env python3
"""Fills the page's template with the results of scripts/bench.sh and draws
its plot.

Usage: report.py RESULTS_DIR TEMPLATE OUT_MD OUT_PNG

Every number written comes from the result files of the run, and where the
page draws a conclusion it is computed here from them. The template holds
the page's text; each ${name} in it must be filled.
"""
import csv
import json
import os
import statistics
import string
import subprocess
import sys

results, template, out_md, out_png = sys.argv[1:5]
LIMIT = 1.2


def read(name):
    try:
        with open(os.path.join(results, name)) as f:
            return f.read()
    except FileNotFoundError:
        return ""


def gbench(name):
    """Google Benchmark: the median over every repetition, in ns: {name: {metric: ns}}."""
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
    samples = {}
    for b in json.loads(read(name) or '{"benchmarks": []}')["benchmarks"]:
        if b.get("run_type") == "iteration" and not b.get("error_occurred"):
            runs = samples.setdefault(b["run_name"], {"wall": [], "cpu": []})
            runs["wall"].append(b["real_time"] * scale[b["time_unit"]])
            runs["cpu"].append(b["cpu_time"] * scale[b["time_unit"]])
    return {k: {m: statistics.median(v) for m, v in runs.items()} for k, runs in samples.items()}


def java(name):
    """The Java bench's medians: {(id, logs): row}, and "_notes" its notes; None if it did not run."""
    lines = read(name).splitlines()
    if not lines:
        return None
    rounds = {}
    for r in csv.DictReader((l for l in lines if not l.startswith("#")), delimiter="\t"):
        rounds.setdefault((r["id"], r["logs"]), []).append(r)
    rows = {key: dict(runs[0], **{m + "_median_ns": statistics.median(float(r[m + "_ns"]) for r in runs)
                                  for m in ("wall", "cpu")}) for key, runs in rounds.items()}
    rows["_notes"] = [l[len("# note: "):] for l in lines if l.startswith("# note: ")]
    return rows


log = lib = gbench("c_bench.json")
j17, j22 = java("java17.tsv"), java("java22.tsv")
e17, es17 = java("java17-empty.tsv"), java("java17-empty-steady.tsv")
machine = dict(l.split(": ", 1) for l in read("machine.txt").splitlines() if ": " in l)


def jv(data, id_, logs="absent", metric="wall"):
    row = (data or {}).get((id_, logs))
    return None if row is None else float(row[metric + "_median_ns"])


def gb(data, name, metric="wall"):
    return data.get(name, {}).get(metric)


def feature(data):
    return next((row["java"] for key, row in (data or {}).items() if key != "_notes"), "?")


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
    return "–" if a is None or b is None or b == 0 else f"{a / b:.2f}"


def add(*values):
    return None if None in values else sum(values)


def table(head, rows):
    """A Markdown table, the first column to the left and the others to the right."""
    lines = ["| " + " | ".join(head) + " |", "|---|" + "---:|" * (len(head) - 1)]
    return "\n".join(lines + ["| " + " | ".join(row) + " |" for row in rows])


def java_version(name):
    lines = read(name).splitlines()
    return lines[1].strip() if len(lines) > 1 else "–"


def test_price(data):
    """A clock read (from C) and one existence test with the file absent, as
    this process saw it: the floor with one LogBoth's work less the floor
    and the clock read, halved. CPU time."""
    due, floor = jv(data, "jni.contract", metric="cpu"), jv(data, "jni.constant", metric="cpu")
    clock = gb(log, "ClockRead", "cpu")
    return (None, None) if None in (due, floor, clock) else (clock, (due - floor - clock) / 2)


def log_work(data, id_):
    """Lines per call (information, error; both files present), and what
    the log contract owes them with both files absent: a clock read per log
    call and an existence test per line. The entries measured send only
    their call line to the error log, with LogBoth, which reads the clock
    once for both files."""
    row = (data or {}).get((id_, "both"))
    lines = None if row is None else (float(row["info_lines"]), float(row["error_lines"]))
    clock, test = test_price(data)
    if lines is None or test is None or lines[1] != 1:
        return lines, None
    return lines, lines[0] * clock + sum(lines) * test


# The widest run over the virtual scanner: the one with FFM, else the build's JDK.
main = j22 if j22 is not None else j17
main_name, base_name = f"Java {feature(main)}", f"Java {feature(j17 or e17)}"
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
    ("FormatEntry", "formatting an entry (`FormatLogEntry`: stamp and text)"),
    ("FileExistsAbsent", "existence test, file absent (`stat`)"),
    ("FileExistsPresent", "existence test, file present"),
    ("LogInfoAbsent", "`LogInfo`, file absent"),
    ("LogBothAbsent", "`LogBoth`, both absent"),
    ("LogInfoFormattedAbsent", "`LogInfoFormatted` (a traced value), file absent"),
    ("LogInfoPresent", "`LogInfo`, file present"),
    ("LogBothPresent", "`LogBoth`, both present"),
    ("LogInfoFormattedPresent", "`LogInfoFormatted`, file present"),
    ("AppendLineInC", "open, write, close of the same bytes in plain C"),
    ("TestAndAppendInC", "`stat`, then open, write, close, in plain C"),
]
page = {"date": machine.get("date", "?"), "rounds": machine.get("rounds", "?"),
        "load_before": machine.get("load before", "?"), "load_after": machine.get("load after", "?"),
        "base_name": base_name, "main_name": main_name,
        "virtual_runs": " and ".join(f"Java {feature(d)}" for d in (j17, j22) if d is not None)}

# Headline: tracing off, the bridge against the floor with the contract's
# work, and over the virtual scanner the library's own entry besides.
rows = []
for label, data, over in ((f"the bridge alone ({base_name}, empty library)", e17, None),
                          (f"over the virtual scanner, {base_name}", j17, lib),
                          (f"over the virtual scanner, {main_name}", j22, lib)):
    if data is None:
        continue
    call = {(e, m): jv(data, "bridge." + e, metric=m) for e, _, _ in entries[:2] for m in ("cpu", "wall")}
    due = {(e, m): add(jv(data, "jni.contract", metric=m), 0.0 if over is None else gb(over, name, m))
           for e, name, _ in entries[:2] for m in ("cpu", "wall")}
    worst = [ratio(call[k], due[k]) for k in call if k[1] == "cpu"]
    rows.append([label, fmt(call[("MirbStatus", "cpu")]), fmt(due[("MirbStatus", "cpu")])]
                + [ratio(call[(e, m)], due[(e, m)]) for m in ("cpu", "wall") for e in ("MirbStatus", "MirbGetParam")]
                + ["–" if "–" in worst else "**within**" if max(map(float, worst)) <= LIMIT else "**above**"])
page["headline_table"] = table(
    ["tracing off", "`MirbStatus`", "floor with the contract's work (+ library)", "÷ (CPU): `MirbStatus`",
     "`MirbGetParam(0)`", "÷ (wall clock): `MirbStatus`", "`MirbGetParam(0)`", f"limit {LIMIT}"], rows)

# The machine.
lscpu = read("lscpu.txt").splitlines()
fields = dict((k.strip(), v.strip()) for k, v in (l.split(":", 1) for l in lscpu if ":" in l))
page["machine"] = "\n".join(
    [f"- {key}: {fields[key]}" for key in ("Model name", "CPU(s)", "Hypervisor vendor") if key in fields]
    + [f"- Kernel: {machine.get('kernel', '?')}", f"- {base_name}: {java_version('java17-version.txt')}",
       f"- {main_name}: {java_version('java22-version.txt')}" if j22 is not None else
       "- No JDK 22 or later under /usr/lib/jvm: the FFM variants were skipped."]
    + [f"- {line}" for line in read("packages.txt").splitlines()])
page["lscpu"] = "\n".join(l for l in lscpu if not l.startswith(("Flags:", "Vulnerability")))

# 1. The log's pieces.
c = {name: gb(log, name, "cpu") for name, _ in pieces}
page.update({name: fmt(ns) for name, ns in c.items()})
page["pieces_table"] = table(["piece", "time"], [[what, fmt(c[name])] for name, what in pieces])
clock_test = add(c["ClockRead"], c["FileExistsAbsent"])
clock_two_tests = add(clock_test, c["FileExistsAbsent"])
present_due = add(c["ClockRead"], c["TestAndAppendInC"], c["LocalTimeConversion"], c["FormatEntry"])
page.update(clock_test=fmt(clock_test), info_absent_ratio=ratio(c["LogInfoAbsent"], clock_test),
            clock_two_tests=fmt(clock_two_tests), both_absent_ratio=ratio(c["LogBothAbsent"], clock_two_tests),
            present_ratio_append=ratio(c["LogInfoPresent"], c["AppendLineInC"]), present_due=fmt(present_due),
            present_ratio_due=ratio(c["LogInfoPresent"], present_due))

# 2. The bridge alone.
floor = jv(e17, "jni.constant", metric="cpu")
clock, each_test = test_price(e17)
page.update(alone_floor=fmt(floor), alone_contract=fmt(jv(e17, "jni.contract", metric="cpu")),
            alone_clock=fmt(clock), alone_test=fmt(each_test))
rows = []
for entry, _, what in entries:
    absent = jv(e17, "bridge." + entry, metric="cpu")
    lines, work = log_work(e17, "bridge." + entry)
    rows.append([what] + [fmt(jv(e17, "bridge." + entry, logs, "cpu")) for logs in ("absent", "error only", "both")]
                + ["–" if lines is None else f"{lines[0]:.0f} + {lines[1]:.0f}", fmt(work),
                   fmt(None if None in (absent, work, floor) else absent - floor - work),
                   ratio(absent, add(floor, work))])
page["alone_table"] = table(["entry", "logs absent", "error log only", "both logs", "lines per call (info + error)",
                             "log work", "rest", "absent ÷ (floor + log work)"], rows)

# 3. Over the virtual scanner, and 4. without the bridge.
virtual, without = [], []
for data in (d for d in (j17, j22) if d is not None):
    virtual.append(f"**Java {feature(data)}** (JNI floor {fmt(jv(data, 'jni.constant'))}, floor with one "
                   f"`LogBoth`'s work {fmt(jv(data, 'jni.contract'))}):\n\n" + table(
                       ["entry", "library in C", "logs absent", "error log only", "both logs", "absent ÷ library"],
                       [[what, fmt(gb(lib, libname))]
                        + [fmt(jv(data, "bridge." + entry, logs)) for logs in ("absent", "error only", "both")]
                        + [ratio(jv(data, "bridge." + entry), gb(lib, libname))] for entry, libname, what in entries]))
    ffm = jv(data, "ffm.MIRBStatus") is not None
    rows = []
    for entry, _, what in entries[:4]:
        lib_id = "MIRB" + entry[4:]
        bridge, direct, through_ffm = (jv(data, "bridge." + entry), jv(data, "jna-direct." + lib_id),
                                       jv(data, "ffm." + lib_id))
        rows.append([what, fmt(bridge), fmt(jv(data, "jna-interface." + lib_id)), fmt(direct)]
                    + ([fmt(through_ffm), fmt(jv(data, "ffm." + lib_id + ".critical"))] if ffm else [])
                    + [ratio(bridge, direct)] + ([ratio(bridge, through_ffm)] if ffm else []))
    without.append(f"**Java {feature(data)}:**\n\n" + table(
        ["entry", "bridge", "JNA interface", "JNA direct"] + (["FFM", "FFM critical"] if ffm else [])
        + ["bridge ÷ JNA direct"] + (["bridge ÷ FFM"] if ffm else []), rows))
page["virtual_tables"], page["without_tables"] = "\n\n".join(virtual), "\n\n".join(without)

# 5. Scan to memory against the image copies: the bridge's own share over
# the empty library is the call less the JNI work of its arguments.
page["pin_note"] = next((f"{d['_notes'][0]} (Java {feature(d)})" for d in (es17, e17, j17)
                         if d is not None and d["_notes"]), "–")
for name, data in (("steady", es17), ("default", e17)):
    total = jv(data, "bridge.QelScanToMemory", metric="cpu")
    arguments = jv(data, "jni.scanToMemoryArguments", metric="cpu")
    copy = jv(data, "java.copy4", metric="cpu")
    rest = None if None in (total, arguments) else total - arguments
    lines, work = log_work(data, "bridge.QelScanToMemory")
    page.update({name + "_total": fmt(total), name + "_arguments": fmt(arguments), name + "_rest": fmt(rest),
                 name + "_copy": fmt(copy), name + "_log_work": fmt(work),
                 name + "_copies": "–" if None in (rest, copy) else f"{rest / copy:+.2f}",
                 name + "_lines": "–" if lines is None else f"{lines[0]:.0f} + {lines[1]:.0f}",
                 name + "_verdict": "–" if None in (rest, copy) else "no image copy beyond the JVM's own pin copies"
                 if rest < copy / 2 else "as much as an image copy or more"})
configs = [(d, label, metric) for d, label, metric in (
    (es17, "empty library, steady malloc", "cpu"), (e17, "empty library, default malloc", "cpu"),
    (main, f"virtual scanner, {main_name}", "wall")) if d is not None]
page["copy_table"] = table(
    [""] + [f"{label} ({'CPU' if m == 'cpu' else 'wall clock'})" for _, label, m in configs],
    [[what] + [fmt(jv(d, id_, logs, m)) for d, _, m in configs] for what, id_, logs in (
        ("`QelScanToMemory`, logs absent", "bridge.QelScanToMemory", "absent"),
        ("`QelScanToMemory`, error log only", "bridge.QelScanToMemory", "error only"),
        ("`QelScanToMemory`, both logs", "bridge.QelScanToMemory", "both"),
        ("JNI work of its arguments, the bridge's way", "jni.scanToMemoryArguments", "absent"),
        ("one copy of the four images (`System.arraycopy`)", "java.copy4", "absent"),
        ("the scan alone: `QELScan` and four lengths through FFM", "ffm.QELScan", "absent"))])
page["lib_full_scan"] = fmt(gb(lib, "FullScanToMemory"))

# The plot: wall-clock medians, the main run's unless said, on a log scale.
series = [
    ("library in C", lambda e, l: gb(lib, l)),
    (f"bridge alone (empty library, {base_name})", lambda e, l: jv(e17, "bridge." + e)),
    ("bridge, logs absent", lambda e, l: jv(main, "bridge." + e)),
    ("bridge, error log", lambda e, l: jv(main, "bridge." + e, "error only")),
    ("bridge, both logs", lambda e, l: jv(main, "bridge." + e, "both")),
    ("JNA interface", lambda e, l: jv(main, "jna-interface.MIRB" + e[4:])),
    ("JNA direct", lambda e, l: jv(main, "jna-direct.MIRB" + e[4:])),
    ("FFM (QelScanToMemory: QELScan)",
     lambda e, l: jv(main, "ffm.MIRB" + e[4:]) if e.startswith("Mirb") else jv(main, "ffm.QELScan")),
]
plot_data = os.path.join(results, "plot.dat")
with open(plot_data, "w") as f:
    f.write("entry\t" + "\t".join(f'"{name}"' for name, _ in series) + "\n")
    for entry, libname, _ in entries:
        values = (get(entry, libname) for _, get in series)
        f.write(entry + "\t" + "\t".join("NaN" if v is None else f"{v:.3f}" for v in values) + "\n")
plots = [f"'{plot_data}' using {i + 2}:xtic(1) title columnhead({i + 2})" for i in range(len(series))]
for id_, style, title in (("jni.constant", 'dt 2 lc rgb "black"', "JNI floor"),
                          ("jni.contract", 'dt 3 lc rgb "#aa0000"', "floor + clock read + 2 existence tests")):
    if jv(main, id_) is not None:
        plots.append(f'{jv(main, id_)} with lines {style} lw 1.5 title "{title}, {fmt(jv(main, id_))}"')
subprocess.run(["gnuplot"], text=True, check=True, input=f"""set terminal pngcairo size 1100,650 font "DejaVu Sans,10"
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
plot {", ".join(plots)}
""")

with open(template) as f:
    text = string.Template(f.read()).substitute(page)
with open(out_md, "w") as f:
    f.write(text)
