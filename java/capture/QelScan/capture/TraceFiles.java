package QelScan.capture;

import java.io.IOException;
import java.nio.ByteBuffer;
import java.nio.channels.SeekableByteChannel;
import java.nio.charset.Charset;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.OpenOption;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardOpenOption;
import java.nio.file.attribute.PosixFilePermissions;
import java.nio.file.attribute.UserPrincipal;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.Map;
import java.util.Optional;

/**
 * The bridge's two diagnostic log files. The bridge traces into a file only
 * while it exists: create it to switch tracing on, delete it to switch it off.
 * Their folder is fixed when the bridge is built: {@code C:\Temp} on Windows,
 * {@code /tmp} elsewhere, unless the system property {@value #PROPERTY} names
 * the folder of a bridge built with another. What this class reads from them
 * and what it creates follows the bridge's own rules ({@link #refusal}), and
 * what it gives of their text has its control characters made visible.
 */
public final class TraceFiles {

    /** The system property that names the log folder. */
    public static final String PROPERTY = "qelscan.logdir";

    /** Enough to hold the last entry: the bridge cuts its texts at 255 bytes. */
    private static final int TAIL_BYTES = 4096;

    /** Root's user id. */
    private static final int ROOT = 0;

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
     * The error log's last entry, which says why the bridge refused a call. Only a file the bridge
     * appends to is read ({@link #refusal}), without following a link, and the entry's control
     * characters are shown as {@link #visible} does.
     *
     * @return the entry's line, time stamp included, or empty while the error log is off or empty
     */
    public static Optional<String> lastErrorLine() {
        try {
            List<String> lines = read(errorLog(), TAIL_BYTES).orElse(Collections.<String>emptyList());
            return lines.isEmpty() ? Optional.<String>empty() : Optional.of(lines.get(lines.size() - 1));
        } catch (IOException e) {
            return Optional.empty();
        }
    }

    /**
     * The entries of a log file the bridge appends to ({@link #refusal}), read without following a
     * link, each with its control characters shown as {@link #visible} does.
     *
     * @param log one of the two files
     * @return its entries, or empty when nothing is there or the bridge does not write to it
     * @throws IOException when the file cannot be read
     */
    public static Optional<List<String>> entries(Path log) throws IOException {
        return read(log, Long.MAX_VALUE);
    }

    /** The entries of the last {@code tail} bytes of {@code log}, when the bridge writes to it. */
    private static Optional<List<String>> read(Path log, long tail) throws IOException {
        if (!Files.exists(log, LinkOption.NOFOLLOW_LINKS) || refusal(log).isPresent()) {
            return Optional.empty();
        }
        try (SeekableByteChannel in = Files.newByteChannel(log, opening(log))) {
            long from = Math.max(0, in.size() - tail);
            ByteBuffer bytes = ByteBuffer.allocate((int) Math.min(in.size() - from, Integer.MAX_VALUE));
            in.position(from);
            while (bytes.hasRemaining() && in.read(bytes) > 0) {
                // until the buffer is full or the file ends
            }
            List<String> lines = new ArrayList<String>();
            for (String line : lines(new String(bytes.array(), 0, bytes.position(), Charset.defaultCharset()))) {
                lines.add(visible(line));
            }
            return Optional.of(lines);
        }
    }

    /**
     * Why the bridge writes no line into what stands at a log file's name. On Linux, where every
     * local user may create files in {@code /tmp}, it appends only to a regular file, not a symbolic
     * link, owned by the process's user or by root, with one name (no hard link elsewhere), that the
     * process may write; elsewhere to a regular file it may write.
     *
     * @param log one of the two files
     * @return empty when nothing is there or the bridge appends to it; otherwise what is there, such as
     *         {@code "a file of mallory's"} or {@code "a symbolic link"}
     * @throws IOException when its attributes cannot be read
     */
    public static Optional<String> refusal(Path log) throws IOException {
        if (!Files.exists(log, LinkOption.NOFOLLOW_LINKS)) {
            return Optional.empty();
        }
        if (!isUnix(log)) {
            return Optional.ofNullable(!Files.isRegularFile(log) ? "not a regular file"
                    : !Files.isWritable(log) ? "a file this user may not write" : null);
        }
        Map<String, Object> file = Files.readAttributes(log,
                "unix:mode,uid,nlink,owner,isSymbolicLink,isRegularFile,isDirectory", LinkOption.NOFOLLOW_LINKS);
        int mode = (Integer) file.get("mode");
        int owner = (Integer) file.get("uid");
        int links = (Integer) file.get("nlink");
        String whose = "a file of " + ((UserPrincipal) file.get("owner")).getName() + "'s";
        int user = processUser();
        if ((Boolean) file.get("isSymbolicLink")) {
            return Optional.of("a symbolic link");
        } else if (!(Boolean) file.get("isRegularFile")) {
            return Optional.of((Boolean) file.get("isDirectory") ? "a folder" : "not a regular file");
        } else if (owner != user && owner != ROOT) {
            return Optional.of(whose);
        } else if (links != 1) {
            return Optional.of(whose + " with " + links + " names (hard links)");
        } else if (user != ROOT && !Files.isWritable(log)) {
            return Optional.of(whose + String.format(", mode %04o, that this user may not write", mode & 07777));
        }
        return Optional.empty();
    }

    /**
     * Creates an empty log file, which switches its tracing on, that only its owner may read and write
     * where the file system has POSIX permissions (elsewhere the folder's own permissions decide): the
     * trace carries routing and account numbers.
     *
     * @param log one of the two files
     * @throws IOException when it cannot be created, or anything is there already
     */
    public static void create(Path log) throws IOException {
        if (log.getFileSystem().supportedFileAttributeViews().contains("posix")) {
            Files.createFile(log, PosixFilePermissions.asFileAttribute(PosixFilePermissions.fromString("rw-------")));
        } else {
            Files.createFile(log);
        }
    }

    /**
     * A text, such as a log line or a code line, as it may be printed on a terminal: each control
     * character but the tab as {@code \x} and its two hex digits ({@code \x1b} for ESC), so that none
     * acts on the terminal. Text without one passes unchanged; a text already shown so is not changed again.
     *
     * @param text any text
     * @return the text, its control characters shown
     */
    public static String visible(String text) {
        StringBuilder shown = null;
        for (int i = 0; i < text.length(); i++) {
            char c = text.charAt(i);
            if (Character.isISOControl(c) && c != '\t') {
                if (shown == null) {
                    shown = new StringBuilder(text.length() + 8).append(text, 0, i);
                }
                shown.append(String.format("\\x%02x", (int) c));
            } else if (shown != null) {
                shown.append(c);
            }
        }
        return shown == null ? text : shown.toString();
    }

    private static boolean isUnix(Path log) {
        return log.getFileSystem().supportedFileAttributeViews().contains("unix");
    }

    /** How a log file is opened to be read: as the bridge opens it, on Linux not through a link. */
    private static OpenOption[] opening(Path log) {
        return isUnix(log) ? new OpenOption[] {StandardOpenOption.READ, LinkOption.NOFOLLOW_LINKS}
                : new OpenOption[] {StandardOpenOption.READ};
    }

    /** The user this process makes its files as, its effective user; -1 until known. */
    private static volatile int processUser = -1;

    /**
     * The process's effective user, whose files the bridge writes to: the owner of a file it has just
     * made (Java 8 has no call that tells it).
     */
    private static int processUser() throws IOException {
        if (processUser < 0) {
            Path probe = Files.createTempFile("qelscan-user", ".tmp");
            try {
                processUser = (Integer) Files.getAttribute(probe, "unix:uid", LinkOption.NOFOLLOW_LINKS);
            } finally {
                Files.delete(probe);
            }
        }
        return processUser;
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
