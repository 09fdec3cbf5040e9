package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;

/**
 * The qelscan tool as a user starts it: through its launcher script, which
 * lies in build/out beside the bridge (the tests' java.library.path), in a
 * JVM of the tests' Java that checks every JNI call.
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

    static final Path OUT = Path.of(System.getProperty("java.library.path"));

    private ToolRun() {
    }

    static Result run(Path workDir, Map<String, String> environment, String... args) throws Exception {
        return runLauncher(OUT.resolve("qelscan"), workDir, environment, args);
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
