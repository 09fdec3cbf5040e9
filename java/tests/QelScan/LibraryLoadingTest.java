package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.File;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.Map;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/** Finding the scanner library before the bridge, and saying why a bridge could not be loaded. */
class LibraryLoadingTest {

    @Test
    void theScannerLibraryIsTakenFromTheFirstFolderOfTheLibraryPathThatHoldsIt(@TempDir Path dir)
            throws Exception {
        Path empty = Files.createDirectory(dir.resolve("empty"));
        Path first = Files.createDirectory(dir.resolve("first"));
        Path second = Files.createDirectory(dir.resolve("second"));
        Files.createFile(first.resolve("MIRBAP32.dll"));
        Files.createFile(second.resolve("MIRBAP32.dll"));
        Files.createDirectory(empty.resolve("MIRBAP32.dll")); // a folder of that name is no library

        String path = String.join(";", "", empty.toString(), dir.resolve("missing").toString(),
                first.toString(), second.toString());
        assertEquals(first.resolve("MIRBAP32.dll").toString(),
                QelScanApi.findInLibraryPath(path, ";", "MIRBAP32.dll"));
        assertNull(QelScanApi.findInLibraryPath(empty.toString(), ";", "MIRBAP32.dll"));
        assertNull(QelScanApi.findInLibraryPath("", File.pathSeparator, "MIRBAP32.dll"));
    }

    @ParameterizedTest
    @CsvSource(delimiter = '|', value = {
        "C:\\b\\QELScanner.dll: Can't find dependent libraries | not the scanner library",
        "/opt/q/libQELScanner.so: libMIRBAP32.so: cannot open shared object file | not the scanner library",
        "C:\\b\\QELScanner.dll: Can't load IA 32-bit .dll on a AMD 64-bit platform | needs a 32-bit Java",
        "no QELScanner in java.library.path: /nowhere | pass its folder with -Djava.library.path",
        "something else entirely | Cannot load the bridge: something else entirely"})
    void eachUsualCauseGetsItsOwnLine(String message, String expected) {
        String line = LoadFailure.explain(new UnsatisfiedLinkError(message));
        assertTrue(line.contains(expected), line);
        assertEquals(1, line.lines().count());
    }

    @Test
    void aBridgeWithoutItsScannerLibraryIsExplainedInOneLine(@TempDir Path dir) throws Exception {
        Path library = Path.of(System.getProperty("java.library.path"), "libQELScanner.so");
        Files.copy(library, dir.resolve("libQELScanner.so"), StandardCopyOption.COPY_ATTRIBUTES);
        ChildJvm.Result demo = ChildJvm.runWithLibraryPath(dir.toString(), Map.of(), Demo.class.getName(),
                dir.toString());
        assertEquals(2, demo.exitCode(), demo.output());
        assertEquals(1, demo.output().lines()
                .filter(line -> line.startsWith("The bridge was found, but not the scanner library")).count(),
                demo.output());
    }
}
