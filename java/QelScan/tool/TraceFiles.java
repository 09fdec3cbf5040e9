package QelScan.tool;

import java.io.File;
import java.io.IOException;
import java.io.RandomAccessFile;
import java.nio.charset.Charset;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.nio.file.attribute.PosixFilePermissions;
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

    /** How {@link #createPrivate} leaves a new log file, as the output says it. */
    static final String ACCESS = "readable and writable by its owner only";

    /**
     * Creates an empty log file that only its owner may read and write (where the file system has
     * POSIX permissions; elsewhere the folder's own permissions decide): the trace carries account
     * numbers. Fails when anything is there already.
     */
    static void createPrivate(Path path) throws IOException {
        if (path.getFileSystem().supportedFileAttributeViews().contains("posix")) {
            Files.createFile(path, PosixFilePermissions.asFileAttribute(PosixFilePermissions.fromString("rw-------")));
        } else {
            Files.createFile(path);
        }
    }

    /**
     * Whether the bridge traces into what is at path: on Linux only a regular file (no symbolic
     * link) of the bridge's own user or root.
     */
    static boolean isOwnFile(Path path) throws IOException {
        if (!Files.isRegularFile(path, LinkOption.NOFOLLOW_LINKS)) {
            return false;
        }
        if (!path.getFileSystem().supportedFileAttributeViews().contains("posix")) {
            return true;
        }
        String owner = Files.getOwner(path, LinkOption.NOFOLLOW_LINKS).getName();
        return owner.equals("root") || owner.equals(System.getProperty("user.name"));
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
