package QelBench;

import java.io.IOException;
import java.io.PrintWriter;
import java.lang.management.ManagementFactory;
import java.lang.management.ThreadMXBean;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;

/**
 * Times one call of the bridge against the floor of any native call and
 * against other ways to reach the scanner library, in one process.
 *
 * <p>Every variant runs in batches of calls; a round runs one batch of each
 * variant in turn, so that a disturbance (another build on the machine)
 * falls on all of them alike, and the result is each variant's median over
 * the rounds, in nanoseconds per call.
 *
 * <p>Set by system properties {@code qelbench.*}: {@code logdir} the
 * bridge's log folder, {@code scanner} the scanner library for JNA and FFM
 * (which bind it when their class loads), {@code scratch} a folder for scan
 * files, {@code groups} the groups to run, {@code rounds}, {@code batchMs},
 * {@code scanBatchMs} and {@code out} (a tab-separated result file). The
 * environment variable MIRB_VIRTUAL_HOPPER must name a hopper file of many
 * documents, unless {@code emptyScanner} says that the bridge runs over a
 * scanner library that does nothing (no session, no documents).
 */
public final class Bench {

    /** Which of the bridge's two log files exist while a variant runs. */
    enum Logs {
        ABSENT, ERROR_ONLY, BOTH;

        final String label = name().toLowerCase(Locale.ROOT).replace('_', ' ');
    }

    /** n calls of one variant; returns the sum of their results. */
    interface Body {
        long run(int n) throws Throwable;
    }

    static final class Variant {
        final String id;
        final Logs logs;
        final boolean scans;
        final Body body;
        final long expectedSum;
        int batch;
        // Lines written per call with both files present.
        double infoLines = Double.NaN;
        double errorLines = Double.NaN;
        final List<Double> wall = new ArrayList<>();
        final List<Double> cpu = new ArrayList<>();

        Variant(String id, Logs logs, boolean scans, Body body, long expectedSum) {
            this.id = id;
            this.logs = logs;
            this.scans = scans;
            this.body = body;
            this.expectedSum = expectedSum;
        }
    }

    static final int IMAGE_BYTES = 1048576;
    /** The expected sum is not checked (a status word, for instance). */
    static final long ANY = Long.MIN_VALUE;
    private static final ThreadMXBean THREADS = ManagementFactory.getThreadMXBean();

    final Path infoLog;
    final Path errorLog;
    final Path scanner;
    final Path scratch;
    private final List<String> groups;
    private final List<Variant> variants = new ArrayList<>();
    private final List<String> notes = new ArrayList<>();
    private final boolean emptyScanner;
    private final int hopperSize;
    private int documentsLeft;
    private long lastCpu;

    private Bench(Path logDir, Path scanner, Path scratch, List<String> groups, boolean emptyScanner)
            throws IOException {
        this.infoLog = logDir.resolve("QelScannerDll_Log.txt");
        this.errorLog = logDir.resolve("QelScannerDll_Err.txt");
        this.scanner = scanner;
        this.scratch = scratch;
        this.groups = groups;
        this.emptyScanner = emptyScanner;
        this.hopperSize = emptyScanner ? 0 : hopperSize();
    }

    boolean wants(String group) {
        return groups.contains(group);
    }

    void add(String id, String group, Logs logs, boolean scans, long expectedSum, Body body) {
        if (wants(group)) {
            variants.add(new Variant(id, logs, scans, body, expectedSum));
        }
    }

    /** A variant that runs with both log files absent. */
    void add(String id, String group, boolean scans, long expectedSum, Body body) {
        add(id, group, Logs.ABSENT, scans, expectedSum, body);
    }

    /** A fact of this run for the result file's header. */
    void note(String text) {
        notes.add(text);
    }

    /** The documents one session holds: the hopper file's lines that are neither blank nor comments. */
    private static int hopperSize() throws IOException {
        String hopper = System.getenv("MIRB_VIRTUAL_HOPPER");
        if (hopper == null || hopper.isEmpty()) {
            throw new IllegalStateException("set MIRB_VIRTUAL_HOPPER to a hopper file of many documents");
        }
        return (int) Files.readAllLines(Paths.get(hopper), StandardCharsets.UTF_8).stream()
                .filter(line -> !line.trim().isEmpty() && !line.startsWith("#")).count();
    }

    /** Opens the session again when the next batch would run the hopper dry; untimed. */
    private void feed(int documents) {
        if (documents > hopperSize) {
            throw new IllegalStateException("a batch of " + documents + " scans needs a bigger hopper");
        }
        if (documentsLeft < documents) {
            Bridge.reopen();
            documentsLeft = hopperSize;
        }
        documentsLeft -= documents;
    }

    /** Each log file present (created empty, so that it stays small) or absent. */
    private void setLogs(Logs logs) throws IOException {
        Files.deleteIfExists(infoLog);
        Files.deleteIfExists(errorLog);
        if (logs == Logs.BOTH) {
            Files.createFile(infoLog);
        }
        if (logs != Logs.ABSENT) {
            Files.createFile(errorLog);
        }
    }

    /** Runs a batch; returns its wall-clock time and leaves its thread CPU time in lastCpu. */
    private long timeBatch(Variant v, int n) throws Throwable {
        if (v.scans && !emptyScanner) {
            feed(n);
        }
        setLogs(v.logs);
        long cpuStart = THREADS.getCurrentThreadCpuTime();
        long start = System.nanoTime();
        long sum = v.body.run(n);
        long elapsed = System.nanoTime() - start;
        lastCpu = THREADS.getCurrentThreadCpuTime() - cpuStart;
        if (v.expectedSum != ANY && sum != v.expectedSum * n) {
            throw new IllegalStateException(v.id + " (" + v.logs.label + "): results add up to " + sum
                    + " over " + n + " calls, expected " + v.expectedSum * n);
        }
        return elapsed;
    }

    /** Warms a variant up and sizes its batch to about {@code targetNanos}. */
    private void calibrate(Variant v, long targetNanos) throws Throwable {
        int n = 1;
        long elapsed = timeBatch(v, n);
        while (elapsed < targetNanos / 4 && n < (1 << 26)) {
            n *= 2;
            elapsed = timeBatch(v, n);
        }
        for (int i = 0; i < 3; i++) {
            elapsed = timeBatch(v, n);
        }
        v.batch = (int) Math.max(1, Math.min(1L << 28, (long) n * targetNanos / Math.max(1, elapsed)));
    }

    /** Line breaks per call: every entry starts with one. */
    private static double linesPerCall(Path file, int calls) throws IOException {
        long count = 0;
        for (byte b : Files.readAllBytes(file)) {
            count += b == '\n' ? 1 : 0;
        }
        return (double) count / calls;
    }

    private void run(int rounds, long batchNanos, long scanBatchNanos) throws Throwable {
        if (!emptyScanner) {
            Bridge.reopen();
            documentsLeft = hopperSize;
        }
        for (Variant v : variants) {
            calibrate(v, v.scans ? scanBatchNanos : batchNanos);
            System.err.printf(Locale.ROOT, "calibrated %-28s %-10s %9d calls a batch%n", v.id, v.logs.label, v.batch);
        }
        for (int round = 0; round < rounds; round++) {
            for (Variant v : variants) {
                v.wall.add((double) timeBatch(v, v.batch) / v.batch);
                v.cpu.add((double) lastCpu / v.batch);
                if (round == 0 && v.logs == Logs.BOTH) {
                    v.infoLines = linesPerCall(infoLog, v.batch);
                    v.errorLines = linesPerCall(errorLog, v.batch);
                }
            }
            System.err.printf(Locale.ROOT, "round %d of %d done%n", round + 1, rounds);
        }
        setLogs(Logs.ABSENT);
    }

    static double median(List<Double> values) {
        double[] sorted = values.stream().mapToDouble(Double::doubleValue).sorted().toArray();
        int middle = sorted.length / 2;
        return sorted.length % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }

    private void write(Path out) throws IOException {
        try (PrintWriter w = new PrintWriter(Files.newBufferedWriter(out, StandardCharsets.UTF_8))) {
            w.printf("# java.version=%s java.vm.name=%s%n", System.getProperty("java.version"),
                    System.getProperty("java.vm.name"));
            for (String note : notes) {
                w.println("# note: " + note);
            }
            w.println("java\tid\tlogs\tbatch\trounds\twall_median_ns\tcpu_median_ns\tinfo_lines\terror_lines");
            for (Variant v : variants) {
                w.printf(Locale.ROOT, "%d\t%s\t%s\t%d\t%d\t%.3f\t%.3f\t%.2f\t%.2f%n", Runtime.version().feature(),
                        v.id, v.logs.label, v.batch, v.wall.size(), median(v.wall), median(v.cpu), v.infoLines,
                        v.errorLines);
            }
        }
    }

    private static Path pathProperty(String name) {
        String value = System.getProperty("qelbench." + name);
        if (value == null) {
            throw new IllegalArgumentException("set the system property qelbench." + name);
        }
        return Paths.get(value).toAbsolutePath();
    }

    public static void main(String[] args) throws Throwable {
        boolean emptyScanner = Boolean.getBoolean("qelbench.emptyScanner");
        Path scratch = pathProperty("scratch");
        Files.createDirectories(scratch);
        Bench bench = new Bench(pathProperty("logdir"), pathProperty("scanner"), scratch,
                Arrays.asList(System.getProperty("qelbench.groups", "").split(",")), emptyScanner);
        try {
            Floor.addTo(bench);
            Bridge.addTo(bench);
            if (bench.wants("jna-interface") || bench.wants("jna-direct")) {
                Jna.addTo(bench);
            }
            if (bench.wants("ffm")) {
                if (Runtime.version().feature() >= 22) {
                    Class.forName("QelBench.Ffm").getMethod("addTo", Bench.class).invoke(null, bench);
                } else {
                    System.err.println("Java " + Runtime.version().feature()
                            + " has no Foreign Function & Memory API: FFM variants skipped");
                }
            }
            bench.run(Integer.getInteger("qelbench.rounds", 15), Long.getLong("qelbench.batchMs", 20) * 1_000_000L,
                    Long.getLong("qelbench.scanBatchMs", 100) * 1_000_000L);
        } finally {
            if (!emptyScanner) {
                Bridge.close();
            }
        }
        bench.write(pathProperty("out"));
    }
}
