package QelScan;

import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assertions.fail;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.time.LocalDateTime;
import java.util.ArrayList;
import java.util.List;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import org.junit.jupiter.api.extension.AfterAllCallback;
import org.junit.jupiter.api.extension.BeforeAllCallback;
import org.junit.jupiter.api.extension.BeforeEachCallback;
import org.junit.jupiter.api.extension.ExtensionContext;

/**
 * The bridge's two real log files, in the folder the bridge was built with
 * (system property {@code qelscan.logdir}). An operator's files are moved
 * aside for the test class and put back afterwards; every test starts with
 * both files absent.
 */
final class LogFiles implements BeforeAllCallback, BeforeEachCallback, AfterAllCallback {

    record Entry(LocalDateTime stamp, String text) {
    }

    private static final Pattern ENTRY =
            Pattern.compile("(\\d{4})/(\\d{2})/(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2}) (\\d{3}) --->(.*)");

    final Path dir;
    final Path info;
    final Path error;

    LogFiles() {
        String configured = System.getProperty("qelscan.logdir");
        if (configured == null) {
            throw new IllegalStateException("run with -Dqelscan.logdir=<the bridge's log folder>");
        }
        dir = Paths.get(configured);
        info = dir.resolve("QelScannerDll_Log.txt");
        error = dir.resolve("QelScannerDll_Err.txt");
    }

    private static Path backupOf(Path file) {
        return file.resolveSibling(file.getFileName() + ".qelscan-test-backup");
    }

    @Override
    public void beforeAll(ExtensionContext context) throws IOException {
        for (Path file : List.of(info, error)) {
            if (Files.exists(backupOf(file))) {
                throw new IllegalStateException(backupOf(file)
                        + " is left from an interrupted test run: put it back as " + file + " or delete it");
            }
        }
        for (Path file : List.of(info, error)) {
            if (Files.exists(file)) {
                Files.move(file, backupOf(file));
            }
        }
    }

    @Override
    public void beforeEach(ExtensionContext context) throws IOException {
        switchOff(info, error);
    }

    @Override
    public void afterAll(ExtensionContext context) throws IOException {
        switchOff(info, error);
        for (Path file : List.of(info, error)) {
            if (Files.exists(backupOf(file))) {
                Files.move(backupOf(file), file);
            }
        }
    }

    /** Creates the files empty, which switches their tracing on. */
    void switchOn(Path... files) throws IOException {
        for (Path file : files) {
            Files.deleteIfExists(file);
            Files.createFile(file);
        }
    }

    void switchOff(Path... files) throws IOException {
        for (Path file : files) {
            Files.deleteIfExists(file);
        }
    }

    /**
     * Parses a file that started empty: every entry is a line break, the
     * stamp and the text, which may itself hold line breaks.
     */
    List<Entry> entries(Path file) throws IOException {
        String content = Files.readString(file, StandardCharsets.UTF_8);
        List<Entry> entries = new ArrayList<>();
        if (content.isEmpty()) {
            return entries;
        }
        assertTrue(content.startsWith("\n"), () -> file + " must open with a line break: " + content);
        String[] lines = content.substring(1).split("\n", -1);
        for (String line : lines) {
            Matcher m = ENTRY.matcher(line);
            if (!m.matches()) {
                // A line break inside a text continues it without a stamp.
                if (entries.isEmpty()) {
                    fail("not a log entry in " + file + ": [" + line + "] in " + content);
                }
                Entry last = entries.remove(entries.size() - 1);
                entries.add(new Entry(last.stamp(), last.text() + "\n" + line));
                continue;
            }
            LocalDateTime stamp = LocalDateTime.of(Integer.parseInt(m.group(1)), Integer.parseInt(m.group(2)),
                    Integer.parseInt(m.group(3)), Integer.parseInt(m.group(4)), Integer.parseInt(m.group(5)),
                    Integer.parseInt(m.group(6)), Integer.parseInt(m.group(7)) * 1_000_000);
            entries.add(new Entry(stamp, m.group(8)));
        }
        return entries;
    }

    List<String> texts(Path file) throws IOException {
        return entries(file).stream().map(Entry::text).toList();
    }

    static String callLine(String method) {
        return "Calling Java_QelScan_QelScanApi_" + method + "()";
    }
}
