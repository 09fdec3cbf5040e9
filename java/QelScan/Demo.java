package QelScan;

import java.io.File;
import java.io.IOException;
import java.io.RandomAccessFile;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;
import java.util.function.IntSupplier;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/**
 * Opens a session on the scanner with tracing switched on, shows the scanner
 * library's version and the trace the calls left, and closes the session.
 *
 * <p>Usage: {@code java -Djava.library.path=<folder of the bridge>
 * -cp QelScanApi.jar QelScan.Demo [log folder]}; the log folder is the one
 * the bridge was built with (default {@code /tmp}). Exit code 0 when the
 * session opened, 1 when it did not, 2 when the bridge cannot be loaded.
 */
public final class Demo {

    static final String INFO_LOG = "QelScannerDll_Log.txt";
    static final String ERROR_LOG = "QelScannerDll_Err.txt";

    private static final Pattern LIBRARY_VERSION = Pattern.compile("MirbApi Version = (-?\\d+)");

    /** One call of the session; a failed essential step ends the run. */
    private static final class Step {
        final String title;
        final IntSupplier call;
        final boolean essential;

        Step(String title, boolean essential, IntSupplier call) {
            this.title = title;
            this.call = call;
            this.essential = essential;
        }
    }

    /** The trace file and how long it was before the run, to show only this run's lines. */
    private static final class Trace {
        final String title;
        final File file;
        long start;

        Trace(String title, File file) {
            this.title = title;
            this.file = file;
        }
    }

    private static List<Step> steps() {
        List<Step> steps = new ArrayList<Step>();
        steps.add(new Step("MirbInit (open the session)", true, () -> QelScanApi.MirbInit()));
        steps.add(new Step("MirbDebug(1) (library debug level)", false, () -> QelScanApi.MirbDebug(1)));
        steps.add(new Step("QelApiVersion (library version)", false, () -> QelScanApi.QelApiVersion()));
        steps.add(new Step("GetScannerType (scanner type)", false, () -> QelScanApi.GetScannerType()));
        steps.add(new Step("MirbStatus (status word)", false, () -> QelScanApi.MirbStatus()));
        steps.add(new Step("MirbExit (close the session)", false, () -> QelScanApi.MirbExit()));
        return steps;
    }

    public static void main(String[] args) {
        File logDir = new File(args.length > 0 ? args[0] : "/tmp");
        System.exit(run(logDir));
    }

    static int run(File logDir) {
        Trace[] traces = {new Trace("Information log", new File(logDir, INFO_LOG)),
            new Trace("Error log", new File(logDir, ERROR_LOG))};
        System.out.println("QelScanApi demo: log folder " + logDir.getAbsolutePath());
        for (Trace trace : traces) {
            switchTracingOn(trace);
        }

        boolean failed = false;
        try {
            for (Step step : steps()) {
                int result = step.call.getAsInt();
                boolean stepFailed = step.essential && result != 0;
                System.out.println(String.format("  %-40s -> %d%s", step.title, result,
                        stepFailed ? "  FAILED" : ""));
                if (stepFailed) {
                    failed = true;
                    break;
                }
            }
        } catch (UnsatisfiedLinkError e) {
            System.out.println(LoadFailure.explain(e));
            return 2;
        }

        String libraryVersion = null;
        for (Trace trace : traces) {
            String lines = newLines(trace);
            System.out.println();
            System.out.println(trace.title + " (" + trace.file + "), this run:");
            System.out.println(lines.isEmpty() ? "  (nothing)" : lines);
            Matcher m = LIBRARY_VERSION.matcher(lines);
            if (libraryVersion == null && m.find()) {
                libraryVersion = versionText(Integer.parseInt(m.group(1)));
            }
        }
        System.out.println();
        System.out.println("Scanner library version: "
                + (libraryVersion != null ? libraryVersion : "not in the trace"));
        System.out.println(failed ? "The session could not be opened." : "Session opened and closed.");
        return failed ? 1 : 0;
    }

    /** 1512 stands for 15.12. */
    static String versionText(int number) {
        return number < 0 ? Integer.toString(number) : String.format("%d.%02d", number / 100, number % 100);
    }

    private static void switchTracingOn(Trace trace) {
        try {
            if (trace.file.createNewFile()) {
                System.out.println("Created " + trace.file + " to switch its tracing on (delete it to switch off).");
            } else if (!trace.file.isFile()) {
                System.out.println(trace.file + " is not a file: this log cannot be written.");
            }
        } catch (IOException e) {
            System.out.println("Cannot create " + trace.file + ": " + e.getMessage());
        }
        trace.start = trace.file.isFile() ? trace.file.length() : 0;
    }

    private static String newLines(Trace trace) {
        if (!trace.file.isFile()) {
            return "";
        }
        try (RandomAccessFile in = new RandomAccessFile(trace.file, "r")) {
            long length = in.length();
            // A file that shrank was replaced meanwhile: show all of it.
            long from = length >= trace.start ? trace.start : 0;
            byte[] bytes = new byte[(int) Math.min(length - from, Integer.MAX_VALUE)];
            in.seek(from);
            in.readFully(bytes);
            StringBuilder lines = new StringBuilder();
            // Each entry starts with its line break, so the text opens with an empty line.
            for (String line : new String(bytes, StandardCharsets.UTF_8).split("\n")) {
                if (!line.isEmpty()) {
                    lines.append(lines.length() == 0 ? "  " : "\n  ").append(line);
                }
            }
            return lines.toString();
        } catch (IOException e) {
            return "  (cannot read: " + e.getMessage() + ")";
        }
    }
}
