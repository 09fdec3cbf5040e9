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
import java.util.List;
import java.util.Locale;

/**
 * Times one call of the bridge against the floor of any native call and
 * against other ways to reach the scanner library, in one process.
 *
 * <p>Every variant runs in batches of calls; a round runs one batch of each
 * variant in turn, so that a disturbance (another build on the machine)
 * falls on all of them alike, and the result is each variant's median over
 * the rounds, in nanoseconds per call. All variants share one timing loop,
 * so each call also costs one interface call, the same for all of them.
 *
 * <p>Set by system properties {@code qelbench.*}: {@code logdir} the
 * bridge's log folder, {@code scanner} the scanner library for JNA and FFM
 * (which bind it when their class loads), {@code scratch} a folder for scan
 * files, {@code jna} and {@code ffm} for those ways too, {@code rounds},
 * {@code batchMs}, {@code scanBatchMs}, {@code out} (a tab-separated result
 * file), and either {@code hopper}, the documents a session of the scanner
 * library holds, or {@code emptyScanner}, a library that does nothing (no
 * session, no documents).
 */
public final class Bench {

    /** Which of the bridge's two log files exist while a variant runs. */
    enum Logs {
        ABSENT, ERROR_ONLY, BOTH;

        final String label = name().toLowerCase(Locale.ROOT).replace('_', ' ');
    }

    /** One call of a variant; returns its result. */
    interface Call {
        int call() throws Throwable;
    }

    /** A call timed under one state of the logs. */
    private record Variant(String id, Logs logs, boolean scans, long expected, Call call) {
    }

    static final int IMAGE_BYTES = 1048576;
    /** Any result will do (a status word, for instance). */
    static final long ANY = Long.MIN_VALUE;
    private static final ThreadMXBean THREADS = ManagementFactory.getThreadMXBean();

    static final Path logDir = path("logdir");
    static final Path infoLog = logDir.resolve("QelScannerDll_Log.txt");
    static final Path errorLog = logDir.resolve("QelScannerDll_Err.txt");
    static final Path scanner = path("scanner");
    static final Path scratch = path("scratch");
    private static final boolean emptyScanner = Boolean.getBoolean("qelbench.emptyScanner");
    private static final int hopperSize = Integer.getInteger("qelbench.hopper", 0);
    private static final List<Variant> variants = new ArrayList<>();
    /** Facts of this run for the result file's header. */
    static final List<String> notes = new ArrayList<>();
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

    /** A variant; SCANS if a call takes a document. */
    static void add(String id, Logs logs, boolean scans, long expected, Call call) {
        variants.add(new Variant(id, logs, scans, expected, call));
    }

    /** A variant that runs with both log files absent. */
    static void add(String id, boolean scans, long expected, Call call) {
        add(id, Logs.ABSENT, scans, expected, call);
    }

    /** Opens the session again when the next batch would run the hopper dry; untimed. */
    private static void feed(int documents) {
        if (documents > hopperSize) {
            throw new IllegalStateException("a batch of " + documents
                    + " scans needs a hopper of more than " + hopperSize + " documents");
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
        Call call = v.call;
        long sum = 0;
        long cpuStart = THREADS.getCurrentThreadCpuTime();
        long start = System.nanoTime();
        for (int i = 0; i < n; i++) {
            sum += call.call();
        }
        long elapsed = System.nanoTime() - start;
        lastCpu = THREADS.getCurrentThreadCpuTime() - cpuStart;
        if (v.expected != ANY && sum != v.expected * n) {
            throw new IllegalStateException(v.id + " (" + v.logs.label + "): results add up to "
                    + sum + " over " + n + " calls, expected " + v.expected * n);
        }
        return elapsed;
    }

    /** Warms a variant up; returns a batch size of about {@code targetNanos}. */
    private static int calibrate(Variant v, long targetNanos) throws Throwable {
        int n = 1;
        long elapsed = timeBatch(v, n);
        while (elapsed < targetNanos / 4 && n < (1 << 26)) {
            n *= 2;
            elapsed = timeBatch(v, n);
        }
        for (int i = 0; i < 3; i++) {
            elapsed = timeBatch(v, n);
        }
        long batch = (long) n * targetNanos / Math.max(1, elapsed);
        return (int) Math.max(1, Math.min(1L << 28, batch));
    }

    /** Line breaks per call with both files present (an entry starts with one), else NaN. */
    private static double linesPerCall(Variant v, Path file, int calls) throws IOException {
        if (v.logs != Logs.BOTH) {
            return Double.NaN;
        }
        String text = new String(Files.readAllBytes(file), StandardCharsets.ISO_8859_1);
        return (double) text.chars().filter(c -> c == '\n').count() / calls;
    }

    /** Calibrates every variant, then writes a line per variant and round to OUT. */
    private static void run(PrintWriter out, int rounds, long batchNanos, long scanBatchNanos)
            throws Throwable {
        if (!emptyScanner) {
            Bridge.reopen();
            documentsLeft = hopperSize;
        }
        int[] batches = new int[variants.size()];
        for (int k = 0; k < batches.length; k++) {
            Variant v = variants.get(k);
            batches[k] = calibrate(v, v.scans ? scanBatchNanos : batchNanos);
            System.err.printf(Locale.ROOT, "calibrated %-28s %-10s %9d calls a batch%n",
                    v.id, v.logs.label, batches[k]);
        }
        out.println("java\tid\tlogs\tround\tbatch\twall_ns\tcpu_ns\tinfo_lines\terror_lines");
        for (int round = 0; round < rounds; round++) {
            for (int k = 0; k < batches.length; k++) {
                Variant v = variants.get(k);
                int n = batches[k];
                double wall = (double) timeBatch(v, n) / n;
                out.printf(Locale.ROOT, "%d\t%s\t%s\t%d\t%d\t%.3f\t%.3f\t%.2f\t%.2f%n",
                        Runtime.version().feature(), v.id, v.logs.label, round, n, wall,
                        (double) lastCpu / n, linesPerCall(v, infoLog, n),
                        linesPerCall(v, errorLog, n));
            }
            System.err.printf(Locale.ROOT, "round %d of %d done%n", round + 1, rounds);
        }
        setLogs(Logs.ABSENT);
    }

    public static void main(String[] args) throws Throwable {
        Files.createDirectories(scratch);
        try (PrintWriter out = new PrintWriter(Files.newBufferedWriter(path("out")))) {
            Floor.addTo();
            Bridge.addTo();
            if (Boolean.getBoolean("qelbench.jna")) {
                Jna.addTo();
            }
            if (Boolean.getBoolean("qelbench.ffm")) { // Java 22 or later
                Class.forName("QelBench.Ffm").getMethod("addTo").invoke(null);
            }
            out.printf("# java.version=%s java.vm.name=%s%n", System.getProperty("java.version"),
                    System.getProperty("java.vm.name"));
            notes.forEach(note -> out.println("# note: " + note));
            run(out, Integer.getInteger("qelbench.rounds", 15),
                    Long.getLong("qelbench.batchMs", 20) * 1_000_000L,
                    Long.getLong("qelbench.scanBatchMs", 100) * 1_000_000L);
        } finally {
            if (!emptyScanner) {
                Bridge.close();
            }
        }
    }
}
