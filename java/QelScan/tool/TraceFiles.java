package QelScan.tool;

import java.io.File;
import java.io.IOException;
import java.io.RandomAccessFile;
import java.nio.charset.Charset;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;

/**
 * The bridge's two diagnostic log files, in the folder the bridge was built
 * with. The bridge traces into a file only while it exists.
 */
final class TraceFiles {

    static final File DIR = new File(BuildSettings.LOG_DIR);
    static final File INFO = new File(DIR, "QelScannerDll_Log.txt");
    static final File ERROR = new File(DIR, "QelScannerDll_Err.txt");

    /** Enough to hold the last entry: the bridge cuts its texts at 255 bytes. */
    private static final int TAIL_BYTES = 4096;

    private TraceFiles() {
    }

    static List<File> both() {
        return Arrays.asList(INFO, ERROR);
    }

    static String title(File file) {
        return file.equals(INFO) ? "Information log" : "Error log";
    }

    /** The error log's last entry, or null when that log is off or empty. */
    static String lastErrorLine() {
        if (!ERROR.isFile()) {
            return null;
        }
        try (RandomAccessFile in = new RandomAccessFile(ERROR, "r")) {
            long length = in.length();
            long from = Math.max(0, length - TAIL_BYTES);
            byte[] bytes = new byte[(int) (length - from)];
            in.seek(from);
            in.readFully(bytes);
            List<String> lines = lines(new String(bytes, Charset.defaultCharset()));
            return lines.isEmpty() ? null : lines.get(lines.size() - 1);
        } catch (IOException e) {
            return null;
        }
    }

    /** The entries of a log's text; each entry starts with its line break, CR LF on Windows. */
    static List<String> lines(String text) {
        List<String> lines = new ArrayList<String>();
        for (String line : text.split("\r?\n")) {
            if (!line.isEmpty()) {
                lines.add(line);
            }
        }
        return lines;
    }
}
