package QelBench;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.List;

/**
 * The bridge's two log files. An operator's files are moved aside for the
 * run and put back afterwards, as the Java tests do; in between the bench
 * switches tracing on and off by creating and deleting them.
 */
final class LogSwitch {

    private final Path info;
    private final Path error;
    private boolean aside;

    LogSwitch(Path dir) {
        info = dir.resolve("QelScannerDll_Log.txt");
        error = dir.resolve("QelScannerDll_Err.txt");
    }

    Path info() {
        return info;
    }

    Path error() {
        return error;
    }

    private static Path backupOf(Path file) {
        return file.resolveSibling(file.getFileName() + ".qelbench-backup");
    }

    private List<Path> files() {
        return Arrays.asList(info, error);
    }

    void moveAside() throws IOException {
        for (Path file : files()) {
            if (Files.exists(backupOf(file))) {
                throw new IllegalStateException(backupOf(file)
                        + " is left from an interrupted bench run: put it back as " + file + " or delete it");
            }
        }
        aside = true;
        for (Path file : files()) {
            if (Files.exists(file)) {
                Files.move(file, backupOf(file));
            }
        }
    }

    synchronized void restore() throws IOException {
        if (!aside) {
            return;
        }
        set(false, false);
        for (Path file : files()) {
            if (Files.exists(backupOf(file))) {
                Files.move(backupOf(file), file);
            }
        }
        aside = false;
    }

    void restoreQuietly() {
        try {
            restore();
        } catch (IOException e) {
            System.err.println("the log files could not be put back: " + e);
        }
    }

    /** Each file present (created empty, so that it stays small) or absent. */
    void set(boolean infoOn, boolean errorOn) throws IOException {
        Files.deleteIfExists(info);
        Files.deleteIfExists(error);
        if (infoOn) {
            Files.createFile(info);
        }
        if (errorOn) {
            Files.createFile(error);
        }
    }
}
