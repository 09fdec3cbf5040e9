package QelScan.tool;

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

    @Option(names = "--out", paramLabel = "DIR", converter = OutputFolder.Name.class,
            description = "Folder of the images and index.html; made when missing, readable by its owner only. "
                    + "An existing folder must belong to this user or root and be writable by no one else, nor "
                    + "may any folder above it but a sticky one of root's such as /tmp. Default: a new folder "
                    + "scan-<date>-<time> in the working folder.")
    Path out;

    @Option(names = "--overwrite",
            description = "Replace the images and index.html of an earlier run in DIR (they are deleted first); "
                    + "without it such a folder is refused, so that no captured image is lost.")
    boolean overwrite;

    @Option(names = "--config", paramLabel = "FILE", description = "Load the scanner settings of FILE first.")
    Path config;
}
