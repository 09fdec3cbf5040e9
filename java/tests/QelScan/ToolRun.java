package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import QelScan.tool.Main;
import java.io.PrintWriter;
import java.io.StringWriter;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;
import picocli.CommandLine;

/**
 * The qelscan tool, run in this JVM, or as a user starts it: through its
 * launcher script, which lies in build/out beside the bridge (the tests'
 * java.library.path), in a JVM of the tests' Java that checks every JNI
 * call. The scanner library holds one session per process, so a run in
 * this JVM must not overlap a test's own session: JUnit runs the tests
 * one after another.
 */
final class ToolRun {

    record Result(int exitCode, String out, String err) {
        String all() {
            return "exit " + exitCode + "\n--- stdout\n" + out + "--- stderr\n" + err;
        }

        /** The lines of the scanned documents: "0001  quality ...". */
        List<String> documentLines() {
            return out.lines().filter(line -> line.matches("\\d{4}  .*")).toList();
        }
    }

    /** The build's out folder, with the launcher; in the isolated run the folder above the libraries'. */
    static final Path OUT = HostIsolationTest.ISOLATED ? HostIsolationTest.ISOLATED_FOLDER.getParent()
            : Path.of(System.getProperty("java.library.path"));

    /** The virtual scanner's answer to MirbExit without a session. */
    private static final int NOT_INITIALISED = -101;

    private ToolRun() {
    }

    /**
     * Runs qelscan in this JVM, its output and messages caught, after
     * checking that no earlier run left its session open (before, so that
     * the check is not in the log files a run leaves). Paths are best
     * absolute: the working folder is the test run's.
     */
    static Result inProcess(String... args) {
        assertEquals(NOT_INITIALISED, QelScanApi.MirbExit(), "an earlier run left its session open");
        StringWriter out = new StringWriter();
        StringWriter err = new StringWriter();
        CommandLine commandLine = new CommandLine(new Main());
        commandLine.setOut(new PrintWriter(out, true));
        commandLine.setErr(new PrintWriter(err, true));
        return new Result(Main.run(commandLine, args), out.toString(), err.toString());
    }

    /** Runs qelscan through its launcher in {@code workDir}, with these variables added to its environment. */
    static Result run(Path workDir, Map<String, String> environment, String... args) throws Exception {
        Map<String, String> all = new HashMap<>(environment);
        if (HostIsolationTest.ISOLATED) { // the launcher's own library folder gives way to the isolated one
            all.putIfAbsent("QELSCAN_JAVA_OPTIONS", "-Xcheck:jni -Djava.library.path="
                    + HostIsolationTest.ISOLATED_FOLDER);
        }
        return runLauncher(OUT.resolve("qelscan"), workDir, all, args);
    }

    static Result runLauncher(Path launcher, Path workDir, Map<String, String> environment, String... args)
            throws Exception {
        List<String> command = new ArrayList<>(List.of("sh", launcher.toString()));
        command.addAll(List.of(args));
        Path err = Files.createTempFile(workDir, "stderr", ".txt");
        ProcessBuilder builder = new ProcessBuilder(command).directory(workDir.toFile())
                .redirectError(err.toFile());
        builder.environment().keySet().removeIf(name -> name.startsWith("MIRB_VIRTUAL_"));
        builder.environment().put("JAVA_HOME", System.getProperty("java.home"));
        builder.environment().put("QELSCAN_JAVA_OPTIONS", "-Xcheck:jni");
        builder.environment().putAll(environment);
        Process process = builder.start();
        String out = new String(process.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
        assertTrue(process.waitFor(60, TimeUnit.SECONDS), "qelscan did not end");
        Result result = new Result(process.exitValue(), out, Files.readString(err, StandardCharsets.UTF_8));
        Files.delete(err);
        assertEquals(List.of(), (out + result.err()).lines()
                .filter(line -> line.contains("WARNING") || line.contains("FATAL ERROR")).toList(),
                "JNI reports:\n" + result.all());
        return result;
    }
}
