package QelScan.tool;

import java.io.File;
import java.nio.file.Path;
import picocli.CommandLine.Option;

/** Where the scans of {@code scan} and {@code endorse} go, and how they are made. */
final class ScanOptions {

    enum Target {
        files, memory
    }

    @Option(names = "--to", paramLabel = "files|memory", defaultValue = "files",
            description = "files: the library writes the images (QelScanToFile); memory: it delivers them into "
                    + "memory (QelScanToMemory) and qelscan writes them. Default: ${DEFAULT-VALUE}.")
    Target target;

    @Option(names = "--out", paramLabel = "DIR",
            description = "Folder of the images and index.html; made when missing. Default: a new folder "
                    + "scan-<date>-<time> in the working folder.")
    File out;

    @Option(names = "--overwrite",
            description = "Replace the images and index.html of an earlier run in DIR (they are deleted first); "
                    + "without it such a folder is refused, so that no captured image is lost.")
    boolean overwrite;

    @Option(names = "--config", paramLabel = "FILE", description = "Load the scanner settings of FILE first.")
    Path config;
}
