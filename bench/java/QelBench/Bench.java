package QelBench;

import java.io.IOException;
import java.io.PrintWriter;
import java.lang.management.ManagementFactory;
import java.lang.management.ThreadMXBean;
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
 * {@code scanBatchMs}, {@code out} (a tab-separated result file), and
 * either {@code hopper}, the documents a session of the scanner library
 * holds, or {@code emptyScanner}, a library that does nothing (no session,
 * no documents).
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
        final long expectedSum;
        final Body body;
        final List<Double> wall = new ArrayList<>();
        final List<Double> cpu = new ArrayList<>();
        int batch;
        // Lines written per call with both files present.
        double infoLines = Double.NaN;
        double errorLines = Double.NaN;

        Variant(String id, Logs logs, boolean scans, long expectedSum, Body body) {
            this.id = id;
            this.logs = logs;
            this.scans = scans;
            this.expectedSum = expectedSum;
            this.body = body;
        }
    }

    static final int IMAGE_BYTES = 1048576;
    /** The expected sum is not checked (a status word, for instance). */
    static final long ANY = Long.MIN_VALUE;
    private static final ThreadMXBean THREADS = ManagementFactory.getThreadMXBean();

    static final Path logDir = path("logdir");
    static final Path infoLog = logDir.resolve("QelScannerDll_Log.txt");
    static final Path errorLog = logDir.resolve("QelScannerDll_Err.txt");
    static final Path scanner = path("scanner");
    static final Path scratch = path("scratch");
    private static final List<String> groups = Arrays.asList(System.getProperty("qelbench.groups", "").split(","));
    private static final boolean emptyScanner = Boolean.getBoolean("qelbench.emptyScanner");
    private static final int hopperSize = Integer.getInteger("qelbench.hopper", 0);
    private static final List<Variant> variants = new ArrayList<>();
    private static final List<String> notes = new ArrayList<>();
    private static int documentsLeft;
    private static long lastCpu;

    private Bench() {
    }

    private static Path path(String name) {
        String value = System.getProperty("qelbench." + name);
        if (value == null) {
            throw new IllegalArgumentException("set the system property qelbench." + name);
        }
        return Paths.get(value).toAbsolutePath();
    }

    static boolean wants(String group) {
        return groups.contains(group);
    }

    static void add(String id, String group, Logs logs, boolean scans, long expectedSum, Body body) {
        if (wants(group)) {
            variants.add(new Variant(id, logs, scans, expectedSum, body));
        }
    }

    /** A variant that runs with both log files absent. */
    static void add(String id, String group, boolean scans, long expectedSum, Body body) {
        add(id, group, Logs.ABSENT, scans, expectedSum, body);
    }

    /** A fact of this run for the result file's header. */
    static void note(String text) {
        notes.add(text);
    }

    /** Opens the session again when the next batch would run the hopper dry; untimed. */
    private static void feed(int documents) {
        if (documents > hopperSize) {
            throw new IllegalStateException("a batch of " + documents + " scans needs a hopper of more than "
                    + hopperSize + " documents");
        }
        if (documentsLeft < documents) {
            Bridge.reopen();
            documentsLeft = hopperSize;
        }
        documentsLeft -= documents;
    }

    /** Each log file present (created empty, so that it stays small) or absent. */
    private static void setLogs(Logs logs) throws IOException {
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
    private static long timeBatch(Variant v, int n) throws Throwable {
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
    private static void calibrate(Variant v, long targetNanos) throws Throwable {
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

    private static void run(int rounds, long batchNanos, long scanBatchNanos) throws Throwable {
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

    public static void main(String[] args) throws Throwable {
        Files.createDirectories(scratch);
        try {
            Floor.addTo();
            Bridge.addTo();
            if (wants("jna")) {
                Jna.addTo();
            }
            if (wants("ffm")) {
                if (Runtime.version().feature() >= 22) {
                    Class.forName("QelBench.Ffm").getMethod("addTo").invoke(null);
                } else {
                    System.err.println("Java " + Runtime.version().feature()
                            + " has no Foreign Function & Memory API: FFM variants skipped");
                }
            }
            run(Integer.getInteger("qelbench.rounds", 15), Long.getLong("qelbench.batchMs", 20) * 1_000_000L,
                    Long.getLong("qelbench.scanBatchMs", 100) * 1_000_000L);
        } finally {
            if (!emptyScanner) {
                Bridge.close();
            }
        }
        try (PrintWriter w = new PrintWriter(Files.newBufferedWriter(path("out")))) {
            w.printf("# java.version=%s java.vm.name=%s%n", System.getProperty("java.version"),
                    System.getProperty("java.vm.name"));
            notes.forEach(note -> w.println("# note: " + note));
            w.println("java\tid\tlogs\tbatch\trounds\twall_median_ns\tcpu_median_ns\tinfo_lines\terror_lines");
            for (Variant v : variants) {
                w.printf(Locale.ROOT, "%d\t%s\t%s\t%d\t%d\t%.3f\t%.3f\t%.2f\t%.2f%n", Runtime.version().feature(),
                        v.id, v.logs.label, v.batch, v.wall.size(), median(v.wall), median(v.cpu), v.infoLines,
                        v.errorLines);
            }
        }
    }
}
