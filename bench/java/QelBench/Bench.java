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
import java.util.LinkedHashSet;
import java.util.List;
import java.util.Locale;
import java.util.Set;

/**
 * Times one call of the bridge against the floor of any native call and
 * against other ways to reach the scanner library, in one process.
 *
 * <p>Every variant runs in batches of calls; a round runs one batch of each
 * variant in turn, so that a disturbance (another build on the machine)
 * falls on all of them alike, and the result is each variant's median over
 * the rounds, in nanoseconds per call.
 *
 * <p>Options: {@code --logdir} the bridge's log folder, {@code --scanner}
 * the scanner library for JNA and FFM, {@code --scratch} a folder for scan
 * files, {@code --groups} the groups to run (default all), {@code --rounds},
 * {@code --batch-ms}, {@code --scan-batch-ms}, {@code --label} and
 * {@code --out} (a tab-separated result file). The environment variable
 * MIRB_VIRTUAL_HOPPER must name a hopper file of many documents, unless
 * {@code --empty-scanner} says that the bridge runs over a scanner library
 * that does nothing (no session, no documents). The group {@code change}
 * sets an earlier bridge ({@code --earlier-jar}, {@code --earlier-library})
 * against the current one.
 */
public final class Bench {

    /** Which of the bridge's two log files exist while a variant runs. */
    enum Logs {
        ABSENT("absent", false, false),
        ERROR_ONLY("error only", false, true),
        BOTH("both", true, true);

        final String label;
        final boolean info;
        final boolean error;

        Logs(String label, boolean info, boolean error) {
            this.label = label;
            this.info = info;
            this.error = error;
        }
    }

    /** n calls of one variant; returns the sum of their results. */
    interface Body {
        long run(int n) throws Throwable;
    }

    /** Adds the variants of one way to reach the library. */
    interface Source {
        void addTo(Bench bench) throws Throwable;
    }

    static final class Variant {
        final String id;
        final String group;
        final String what;
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

        Variant(String id, String group, String what, Logs logs, boolean scans, Body body, long expectedSum) {
            this.id = id;
            this.group = group;
            this.what = what;
            this.logs = logs;
            this.scans = scans;
            this.body = body;
            this.expectedSum = expectedSum;
        }
    }

    static final int IMAGE_BYTES = 1048576;
    /** The expected sum is not checked (a status word, for instance). */
    static final long ANY = Long.MIN_VALUE;

    final Path logDir;
    final Path scanner;
    final Path scratch;
    final Set<String> groups;
    private final List<Variant> variants = new ArrayList<>();
    private final List<String> notes = new ArrayList<>();
    private final boolean emptyScanner;
    private final int hopperSize;
    private int documentsLeft;
    private final LogSwitch logSwitch;

    private Bench(Path logDir, Path scanner, Path scratch, Set<String> groups, boolean emptyScanner)
            throws IOException {
        this.logDir = logDir;
        this.scanner = scanner;
        this.scratch = scratch;
        this.groups = groups;
        this.emptyScanner = emptyScanner;
        this.hopperSize = emptyScanner ? 0 : hopperSize();
        this.logSwitch = new LogSwitch(logDir);
    }

    boolean wants(String group) {
        return groups.isEmpty() || groups.contains(group);
    }

    void add(String id, String group, String what, Logs logs, boolean scans, long expectedSum, Body body) {
        if (wants(group)) {
            variants.add(new Variant(id, group, what, logs, scans, body, expectedSum));
        }
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
        int documents = 0;
        for (String line : Files.readAllLines(Paths.get(hopper), StandardCharsets.UTF_8)) {
            if (!line.trim().isEmpty() && !line.startsWith("#")) {
                documents++;
            }
        }
        return documents;
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

    private static final ThreadMXBean THREADS = ManagementFactory.getThreadMXBean();
    private long lastCpu;

    /** Runs a batch; returns its wall-clock time and leaves its thread CPU time in lastCpu. */
    private long timeBatch(Variant v, int n) throws Throwable {
        if (v.scans && !emptyScanner) {
            feed(n);
        }
        logSwitch.set(v.logs.info, v.logs.error);
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

    private static long lineBreaks(Path file) throws IOException {
        long count = 0;
        for (byte b : Files.readAllBytes(file)) {
            count += b == '\n' ? 1 : 0;
        }
        return count;
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
                    // Every entry starts with a line break.
                    v.infoLines = (double) lineBreaks(logSwitch.info()) / v.batch;
                    v.errorLines = (double) lineBreaks(logSwitch.error()) / v.batch;
                }
            }
            System.err.printf(Locale.ROOT, "round %d of %d done%n", round + 1, rounds);
        }
    }

    static double quantile(double[] sorted, double q) {
        double position = q * (sorted.length - 1);
        int low = (int) Math.floor(position);
        int high = (int) Math.ceil(position);
        return sorted[low] + (sorted[high] - sorted[low]) * (position - low);
    }

    private void write(Path out, String label) throws IOException {
        try (PrintWriter w = new PrintWriter(Files.newBufferedWriter(out, StandardCharsets.UTF_8))) {
            w.printf("# java.version=%s java.vm.name=%s java.vm.version=%s label=%s%n",
                    System.getProperty("java.version"), System.getProperty("java.vm.name"),
                    System.getProperty("java.vm.version"), label);
            for (String note : notes) {
                w.println("# note: " + note);
            }
            w.println("label\tjava\tid\tgroup\tlogs\tbatch\trounds\twall_median_ns\twall_q1_ns\twall_q3_ns"
                    + "\tcpu_median_ns\tcpu_q1_ns\tcpu_q3_ns\tinfo_lines\terror_lines\twhat");
            for (Variant v : variants) {
                double[] wall = v.wall.stream().mapToDouble(Double::doubleValue).sorted().toArray();
                double[] cpu = v.cpu.stream().mapToDouble(Double::doubleValue).sorted().toArray();
                w.printf(Locale.ROOT,
                        "%s\t%d\t%s\t%s\t%s\t%d\t%d\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.3f\t%.2f\t%.2f\t%s%n",
                        label, Runtime.version().feature(), v.id, v.group, v.logs.label, v.batch, wall.length,
                        quantile(wall, 0.5), quantile(wall, 0.25), quantile(wall, 0.75), quantile(cpu, 0.5),
                        quantile(cpu, 0.25), quantile(cpu, 0.75), v.infoLines, v.errorLines, v.what);
            }
        }
    }

    public static void main(String[] args) throws Throwable {
        Path logDir = null;
        Path scanner = null;
        Path scratch = null;
        Path out = null;
        String label = "after";
        Set<String> groups = new LinkedHashSet<>();
        int rounds = 15;
        long batchMs = 20;
        long scanBatchMs = 100;
        boolean emptyScanner = false;
        Path earlierJar = null;
        Path earlierLibrary = null;
        for (int i = 0; i < args.length; i++) {
            if (args[i].equals("--empty-scanner")) {
                emptyScanner = true;
                continue;
            }
            String value = args[++i];
            switch (args[i - 1]) {
                case "--logdir": logDir = Paths.get(value); break;
                case "--scanner": scanner = Paths.get(value).toAbsolutePath(); break;
                case "--scratch": scratch = Paths.get(value); break;
                case "--out": out = Paths.get(value); break;
                case "--label": label = value; break;
                case "--groups": groups.addAll(Arrays.asList(value.split(","))); break;
                case "--rounds": rounds = Integer.parseInt(value); break;
                case "--batch-ms": batchMs = Long.parseLong(value); break;
                case "--scan-batch-ms": scanBatchMs = Long.parseLong(value); break;
                case "--earlier-jar": earlierJar = Paths.get(value).toAbsolutePath(); break;
                case "--earlier-library": earlierLibrary = Paths.get(value).toAbsolutePath(); break;
                default: throw new IllegalArgumentException("unknown option " + args[i - 1]);
            }
        }
        if (logDir == null || scanner == null || scratch == null || out == null) {
            throw new IllegalArgumentException("--logdir, --scanner, --scratch and --out are required");
        }
        Files.createDirectories(scratch);
        // JNA's direct mapping and FFM bind the library when their class loads.
        System.setProperty("qelbench.scanner", scanner.toString());
        Bench bench = new Bench(logDir, scanner, scratch, groups, emptyScanner);
        bench.logSwitch.moveAside();
        Thread restore = new Thread(bench.logSwitch::restoreQuietly);
        Runtime.getRuntime().addShutdownHook(restore);
        try {
            Floor.addTo(bench);
            Bridge.addTo(bench);
            if (groups.contains("change")) {
                if (earlierJar == null || earlierLibrary == null) {
                    throw new IllegalArgumentException("the group change needs --earlier-jar and --earlier-library");
                }
                Change.addTo(bench, earlierJar, earlierLibrary);
            }
            if (bench.wants("jna-interface") || bench.wants("jna-direct")) {
                Jna.addTo(bench);
            }
            if (bench.wants("ffm")) {
                if (Runtime.version().feature() >= 22) {
                    ((Source) Class.forName("QelBench.Ffm").getDeclaredConstructor().newInstance()).addTo(bench);
                } else {
                    System.err.println("Java " + Runtime.version().feature()
                            + " has no Foreign Function & Memory API: FFM variants skipped");
                }
            }
            bench.run(rounds, batchMs * 1_000_000L, scanBatchMs * 1_000_000L);
        } finally {
            bench.logSwitch.restore();
            Runtime.getRuntime().removeShutdownHook(restore);
            if (!emptyScanner) {
                Bridge.close();
            }
        }
        bench.write(out, label);
    }
}
