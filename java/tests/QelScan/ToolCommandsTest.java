package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assumptions.assumeTrue;

import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.stream.Stream;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.CsvSource;
import org.junit.jupiter.params.provider.MethodSource;

/**
 * qelscan's info, param, config, trace and help commands, its failures and
 * its launcher: in this JVM unless the virtual scanner's environment, a
 * fresh scanner or the launcher is what is tested.
 */
class ToolCommandsTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    static Stream<Arguments> infoCases() {
        return Stream.of(
                Arguments.of(Map.of(), 0, List.of(
                        "15.12 (1512): accepted",
                        "0x16: types 1, 2 and 4 (the virtual scanner's meanings)",
                        "present (1), vendor id 0xF055, product id 0x5C4E",
                        "4, the virtual scanner's own type",
                        "adapter 200, target 7, vendor \"QEL Virtual\", product \"MIRB Virtual Check Scanner\", "
                                + "release \"15.12\"",
                        "QELVIRT-0001512, document number 0, time ",
                        "0x0005: ready, the track empty and documents left in the hopper")),
                Arguments.of(Map.of("MIRB_VIRTUAL_USB", "0", "MIRB_VIRTUAL_DOCUMENT_NUMBER", "4294967295",
                        "MIRB_VIRTUAL_HOPPER", "empty.hopper"), 0, List.of(
                        "none present, vendor id 0x0000, product id 0x0000",
                        "document number 4294967295",
                        "0x0001: ready, the track empty and the hopper empty")),
                Arguments.of(Map.of("MIRB_VIRTUAL_VERSION", "1511"), 1, List.of(
                        "15.11 (1511): refused",
                        "MirbInit returned -1, the bridge's refusal: the scanner library's version 15.11 is older")),
                // Without a session the library cannot say what it is: numbers only.
                Arguments.of(Map.of("MIRB_VIRTUAL_INIT_RESULT", "-7"), 1, List.of(
                        "Supported scanners  0x16\n",
                        "Opening the session failed: MirbInit returned -7, the scanner library's own code")));
    }

    @ParameterizedTest
    @MethodSource("infoCases")
    void infoTellsWhatTheLibraryAndTheScannerSay(Map<String, String> environment, int exitCode,
            List<String> expected, @TempDir Path work) throws Exception {
        // In a JVM of its own, whose scanner has fed no document yet.
        Files.createFile(work.resolve("empty.hopper")); // a hopper file without documents
        ToolRun.Result info = ToolRun.run(work, environment, "info");
        assertEquals(exitCode, info.exitCode(), info.all());
        for (String text : expected) {
            assertTrue((info.out() + info.err()).contains(text), text + " in\n" + info.all());
        }
        assertEquals(exitCode == 0, info.out().contains("decoded with the virtual scanner's meanings"),
                info.all());
        // This run's library: the virtual scanner itself, or the proxy beside the host.
        assertTrue(info.out().contains(HostIsolationTest.ISOLATED ? "Scanner library     in a host process, "
                : "Scanner library     in process, "), info.all());
    }

    @ParameterizedTest
    @CsvSource(delimiter = '|', value = {
        "param set 999 1           | 1 | Setting parameter 999 failed: MirbSetParam returned -103, "
                + "the virtual scanner's BAD_ARGUMENT",
        "param get 999             | 1 | Reading parameter 999 failed: MirbGetParam returned -103",
        "param get --text 999      | 1 | MirbGetParamString gave no text",
        "config read missing.cfg   | 1 | MirbReadConfig returned -104, the virtual scanner's FILE",
        "scan --count 0            | 2 | --count takes 1 or more",
        "trace show --last -1      | 2 | --last takes 0 or more",
        "param set 12 twelve       | 2 | VALUE must be a whole number",
        "endorse                   | 2 | Missing required parameter: 'TEXT'",
        "LONG                      | 1 | QelBatchPrintString returned -1, the bridge refused the call",
        "CLOSED                    | 1 | Opening the session failed: MirbInit returned -7"})
    void aFailureIsOneClearMessageAndAnExitStatus(String command, int exitCode, String message, @TempDir Path work)
            throws Exception {
        String scans = work.resolve("scans").toString();
        ToolRun.Result run = switch (command) {
            case "LONG" -> ToolRun.inProcess("endorse", "x".repeat(300), "--out", scans);
            case "CLOSED" -> ToolRun.run(work, Map.of("MIRB_VIRTUAL_INIT_RESULT", "-7"), "scan", "--out", "scans");
            default -> ToolRun.inProcess(Stream.of(command.split(" "))
                    .map(arg -> arg.endsWith(".cfg") ? work.resolve(arg).toString() : arg).toArray(String[]::new));
        };
        assertEquals(exitCode, run.exitCode(), run.all());
        assertTrue(run.err().contains(message), run.all());
        assertFalse(run.err().contains("Exception"), run.all());
        if (command.equals("LONG")) {
            assertTrue(run.err().contains("switch tracing on with 'qelscan trace on'"), run.all());
        }
    }

    @Test
    void traceSwitchesTheBridgesLogFilesAndFailuresQuoteTheErrorLog(@TempDir Path work) throws Exception {
        ToolRun.Result on = ToolRun.inProcess("trace", "on");
        assertEquals(0, on.exitCode(), on.all());
        assertEquals(List.of(0L, 0L), List.of(Files.size(logs.info), Files.size(logs.error)));
        assertEquals(PosixFilePermissions.fromString("rw-------"), Files.getPosixFilePermissions(logs.info));
        assertTrue(on.out().contains("(created empty, readable and writable by its owner only)"), on.all());

        ToolRun.Result refused = ToolRun.inProcess("endorse", "x".repeat(300), "--out",
                work.resolve("scans").toString());
        assertEquals(1, refused.exitCode(), refused.all());
        assertTrue(refused.err().contains("last line of the error log " + logs.error + ": ")
                && refused.err().contains("--->PrintString is longer than 255 bytes error"), refused.all());

        ToolRun.Result show = ToolRun.inProcess("trace", "show");
        assertEquals(0, show.exitCode(), show.all());
        String call = "--->" + LogFiles.callLine("QelBatchPrintString");
        assertEquals(2, show.out().lines().filter(line -> line.endsWith(call)).count(), show.all());
        assertTrue(show.out().contains("== Error log " + logs.error + " =="), show.all());

        ToolRun.Result off = ToolRun.inProcess("trace", "off");
        assertEquals(0, off.exitCode(), off.all());
        assertFalse(Files.exists(logs.info) || Files.exists(logs.error), off.all());
        assertTrue(ToolRun.inProcess("trace", "show").out().contains("(tracing off"));
    }

    /** What stands at the information log's name: the tool reads and keeps only a file the bridge writes to. */
    @ParameterizedTest
    @CsvSource(delimiter = '|', value = {
        "hard link | with 2 names (hard links)",
        "nobody's  | a file of nobody's",
        "link      | a symbolic link",
        "own       | ''"})
    void traceShowsAndKeepsOnlyAFileTheBridgeWritesTo(String planted, String refusal, @TempDir Path work)
            throws Exception {
        Path secret = Files.writeString(work.resolve("secret"), "\n2016/01/27 20:31:52 007 --->secret\u001b[2J");
        switch (planted) {
            case "hard link" -> Files.createLink(logs.info, secret);
            case "nobody's" -> {
                assumeTrue(System.getProperty("user.name").equals("root"), "needs root, to give a file away");
                Files.setOwner(Files.copy(secret, logs.info),
                        work.getFileSystem().getUserPrincipalLookupService().lookupPrincipalByName("nobody"));
            }
            case "link" -> Files.createSymbolicLink(logs.info, secret);
            default -> Files.copy(secret, logs.info);
        }
        boolean traced = refusal.isEmpty();
        ToolRun.Result trace = ToolRun.inProcess("trace");
        assertTrue(trace.out().contains(logs.info + ": " + (traced ? "on ("
                : "off (the bridge does not write to what is there, ")) && trace.out().contains(refusal), trace.all());
        ToolRun.Result show = ToolRun.inProcess("trace", "show");
        assertEquals(traced, show.out().contains("--->secret\\x1b[2J\n"), show.all());
        assertFalse(show.out().contains("\u001b"), show.all());
        assertEquals(traced ? 0 : 1, ToolRun.inProcess("trace", "on").exitCode());
    }

    @Test
    void settingsAreKeptInAConfigurationFileAndLoadedFromIt(@TempDir Path work) throws Exception {
        String branch = work.resolve("branch.cfg").toString();
        String more = work.resolve("more.cfg").toString();
        String[][] steps = {
            {"param", "set", "12", "-40000", "--config", branch},
            {"param", "set", "--text", "13", "Filiale Nord 7", "--config", branch},
            {"config", "write", more, "--from", branch, "--param", "14=5", "--text", "15=a=b"}};
        for (String[] step : steps) {
            ToolRun.Result run = ToolRun.inProcess(step);
            assertEquals(0, run.exitCode(), run.all());
        }
        String[][] reads = {
            {"-40000", "param", "get", "12", "--config", branch},
            {"Filiale Nord 7", "param", "get", "--text", "13", "--config", more},
            {"0", "param", "get", "12"},
            {more + ": accepted by the scanner library\nparameter 12 = -40000\nparameter 14 = 5\n"
                + "text 13 = Filiale Nord 7\ntext 15 = a=b", "config", "read", more, "--show", "12,14",
                "--show-text", "13,15"}};
        for (String[] read : reads) {
            ToolRun.Result run = ToolRun.inProcess(List.of(read).subList(1, read.length).toArray(new String[0]));
            assertEquals(0, run.exitCode(), run.all());
            assertEquals(read[0], run.out().strip(), run.all());
        }
    }

    static Stream<Arguments> layouts() {
        String capture = "qelscan-capture.jar";
        return Stream.of(
                // The installed layout: /usr/bin, /usr/share/java, /usr/lib/jni.
                Arguments.of(Map.of("usr/bin", List.of("qelscan"),
                        "usr/share/java", List.of("qelscan.jar", "QelScanApi.jar", capture),
                        "usr/lib/jni", List.of("libQELScanner.so", "libMIRBAP32.so")), "usr/bin/qelscan", 0,
                        "Library version     15.12"),
                Arguments.of(Map.of("unpacked", List.of("qelscan", "qelscan.jar", "QelScanApi.jar", capture,
                        "libQELScanner.so", "libMIRBAP32.so")), "unpacked/qelscan", 0, "Library version     15.12"),
                Arguments.of(Map.of("unpacked", List.of("qelscan", "qelscan.jar", "QelScanApi.jar", capture)),
                        "unpacked/qelscan", 3, "qelscan: The bridge is not on java.library.path"),
                Arguments.of(Map.of("unpacked", List.of("qelscan", "qelscan.jar", "QelScanApi.jar", capture,
                        "libQELScanner.so")), "unpacked/qelscan", 3,
                        "qelscan: The bridge was found, but not the scanner library MIRBAP32"),
                Arguments.of(Map.of("unpacked", List.of("qelscan", "qelscan.jar", capture, "libQELScanner.so",
                        "libMIRBAP32.so")), "unpacked/qelscan", 3,
                        "qelscan: the class QelScan.QelScanApi is missing"),
                Arguments.of(Map.of("unpacked", List.of("qelscan", "qelscan.jar", "QelScanApi.jar",
                        "libQELScanner.so", "libMIRBAP32.so")), "unpacked/qelscan", 3,
                        "qelscan: the capture library is missing"));
    }

    @ParameterizedTest
    @MethodSource("layouts")
    void theLauncherFindsItsFilesOrSaysInOneLineWhatIsMissing(Map<String, List<String>> layout, String launcher,
            int exitCode, String expected, @TempDir Path work) throws Exception {
        for (Map.Entry<String, List<String>> folder : layout.entrySet()) {
            Path dir = Files.createDirectories(work.resolve(folder.getKey()));
            for (String file : folder.getValue()) {
                Files.copy(ToolRun.OUT.resolve(file), dir.resolve(file));
            }
        }
        // Started through a link from elsewhere, as from a folder on PATH.
        Path link = Files.createSymbolicLink(Files.createDirectory(work.resolve("bin")).resolve("qelscan"),
                work.resolve(launcher));
        ToolRun.Result run = ToolRun.runLauncher(link, work, Map.of(), "info");
        assertEquals(exitCode, run.exitCode(), run.all());
        String output = exitCode == 0 ? run.out() : run.err();
        assertTrue(output.startsWith(expected), run.all());
        if (exitCode != 0) {
            assertEquals(1, run.err().lines().count(), run.all());
        }
    }

    @ParameterizedTest
    @CsvSource({"''", "info", "scan", "endorse", "param", "param get", "param set", "config", "config read",
        "config write", "trace", "trace on", "trace off", "trace show"})
    void everyCommandHasHelpAndVersion(String command) {
        List<String> args = new ArrayList<>(command.isEmpty() ? List.of() : List.of(command.split(" ")));
        args.add("--help");
        ToolRun.Result help = ToolRun.inProcess(args.toArray(new String[0]));
        assertEquals(0, help.exitCode(), help.all());
        assertTrue(help.out().startsWith(("Usage: qelscan " + command).strip() + " "), help.all());
        args.set(args.size() - 1, "--version");
        ToolRun.Result version = ToolRun.inProcess(args.toArray(new String[0]));
        assertEquals(0, version.exitCode(), version.all());
        assertTrue(version.out().matches("qelscan \\d+(\\.\\d+)+\n"), version.all());
    }
}
