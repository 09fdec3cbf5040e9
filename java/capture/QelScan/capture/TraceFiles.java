package QelScan.capture;

import java.io.IOException;
import java.io.RandomAccessFile;
import java.nio.charset.Charset;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import java.util.Optional;

/**
 * The bridge's two diagnostic log files. The bridge traces into a file only
 * while it exists: create it to switch tracing on, delete it to switch it off.
 * Their folder is fixed when the bridge is built: {@code C:\Temp} on Windows,
 * {@code /tmp} elsewhere, unless the system property {@value #PROPERTY} names
 * the folder of a bridge built with another.
 */
public final class TraceFiles {

    /** The system property that names the log folder. */
    public static final String PROPERTY = "qelscan.logdir";

    /** Enough to hold the last entry: the bridge cuts its texts at 255 bytes. */
    private static final int TAIL_BYTES = 4096;

    private TraceFiles() {
    }

    /**
     * The folder of the two files.
     *
     * @return the folder
     */
    public static Path folder() {
        String configured = System.getProperty(PROPERTY);
        if (configured != null && !configured.isEmpty()) {
            return Paths.get(configured);
        }
        return Paths.get(System.getProperty("os.name", "").startsWith("Windows") ? "C:\\Temp" : "/tmp");
    }

    /**
     * The information log, {@code QelScannerDll_Log.txt}.
     *
     * @return its path
     */
    public static Path informationLog() {
        return folder().resolve("QelScannerDll_Log.txt");
    }

    /**
     * The error log, {@code QelScannerDll_Err.txt}.
     *
     * @return its path
     */
    public static Path errorLog() {
        return folder().resolve("QelScannerDll_Err.txt");
    }

    /**
     * The error log's last entry, which says why the bridge refused a call.
     *
     * @return the entry's line, time stamp included, or empty while the error log is off or empty
     */
    public static Optional<String> lastErrorLine() {
        Path log = errorLog();
        if (!Files.isRegularFile(log)) {
            return Optional.empty();
        }
        try (RandomAccessFile in = new RandomAccessFile(log.toFile(), "r")) {
            long length = in.length();
            long from = Math.max(0, length - TAIL_BYTES);
            byte[] bytes = new byte[(int) (length - from)];
            in.seek(from);
            in.readFully(bytes);
            List<String> lines = lines(new String(bytes, Charset.defaultCharset()));
            return lines.isEmpty() ? Optional.<String>empty() : Optional.of(lines.get(lines.size() - 1));
        } catch (IOException e) {
            return Optional.empty();
        }
    }

    /**
     * The entries of a log file's text: each entry starts with its line break, CR LF on Windows.
     *
     * @param text a log file's text
     * @return its non-empty lines
     */
    public static List<String> lines(String text) {
        List<String> lines = new ArrayList<String>();
        for (String line : text.split("\r?\n")) {
            if (!line.isEmpty()) {
                lines.add(line);
            }
        }
        return lines;
    }
}
