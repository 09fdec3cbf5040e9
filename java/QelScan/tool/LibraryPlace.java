package QelScan.tool;

import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.List;
import java.util.Optional;

/**
 * Where the scanner library runs: in this process, or in a host process of its own behind the proxy scanner
 * library. On Linux the library this process loaded is in /proc/self/maps, and it is the proxy when the host
 * program qelscanhost sits in the folder above it; on Windows the MIRBAP32.dll on java.library.path is the proxy
 * when x86\qelscanhost32.exe sits beside it.
 */
final class LibraryPlace {

    private LibraryPlace() {
    }

    /** The answer, once the bridge and its scanner library are loaded. */
    static String describe() {
        boolean windows = File.separatorChar == '\\';
        Optional<Path> library = windows ? onLibraryPath() : mapped();
        if (!library.isPresent()) {
            return "unknown (no " + (windows ? "MIRBAP32.dll on java.library.path" : "libMIRBAP32.so loaded") + ")";
        }
        Path folder = library.get().toAbsolutePath().getParent();
        Path host = windows ? folder.resolve("x86").resolve("qelscanhost32.exe")
                : folder.resolveSibling("qelscanhost");
        if (!Files.isRegularFile(host)) {
            return "in process, " + library.get();
        }
        String command = System.getenv("QELSCAN_HOST_COMMAND");
        String named = System.getenv("QELSCAN_HOST_LIBRARY");
        Path beside = host.resolveSibling(windows ? "MIRBAP32.dll" : "libMIRBAP32.so");
        return "in a host process, "
                + (command != null && !command.trim().isEmpty() ? "started by QELSCAN_HOST_COMMAND: " + command
                        : host.toString())
                + ", which loads " + (named != null && !named.isEmpty() ? named : beside.toString());
    }

    private static Optional<Path> mapped() {
        try {
            List<String> maps = Files.readAllLines(Paths.get("/proc/self/maps"), StandardCharsets.UTF_8);
            for (String line : maps) {
                int at = line.indexOf('/');
                if (at >= 0 && line.endsWith("/libMIRBAP32.so")) {
                    return Optional.of(Paths.get(line.substring(at)));
                }
            }
        } catch (IOException e) {
            // no /proc: unknown
        }
        return Optional.empty();
    }

    private static Optional<Path> onLibraryPath() {
        for (String folder : System.getProperty("java.library.path", "").split(File.pathSeparator)) {
            Path dll = Paths.get(folder.isEmpty() ? "." : folder, "MIRBAP32.dll");
            if (Files.isRegularFile(dll)) {
                return Optional.of(dll);
            }
        }
        return Optional.empty();
    }
}
