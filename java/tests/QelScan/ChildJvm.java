package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.File;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;

/**
 * A second JVM on the same bridge, for what one process cannot vary: the
 * virtual scanner reads its settings from the environment once.
 */
final class ChildJvm {

    record Result(int exitCode, String output) {
    }

    private ChildJvm() {
    }

    static String locationOf(Class<?> type) throws Exception {
        return Paths.get(type.getProtectionDomain().getCodeSource().getLocation().toURI()).toString();
    }

    /** Runs {@code mainClass} under -Xcheck:jni and fails on any JNI warning in its output. */
    static Result run(Map<String, String> environment, String mainClass, String... args) throws Exception {
        return runWithLibraryPath(System.getProperty("java.library.path"), environment, mainClass, args);
    }

    /** {@link #run} with another java.library.path. */
    static Result runWithLibraryPath(String libraryPath, Map<String, String> environment, String mainClass,
            String... args) throws Exception {
        return start(libraryPath, new String[0], environment, mainClass, args);
    }

    /** {@link #run} with further options for the JVM. */
    static Result runWithOptions(String[] options, Map<String, String> environment, String mainClass,
            String... args) throws Exception {
        return start(System.getProperty("java.library.path"), options, environment, mainClass, args);
    }

    /**
     * A program as the README runs it: in the working folder {@code dir}, on the class path of the two jars
     * and {@code classes}.
     */
    static Result runIn(Path dir, Path classes, String mainClass) throws Exception {
        return start(System.getProperty("java.library.path"), new String[0], Map.of(), dir,
                locationOf(QelScanApi.class) + File.pathSeparator + locationOf(QelScan.capture.Session.class)
                        + File.pathSeparator + classes, mainClass);
    }

    /**
     * Starts {@code mainClass} for a child that may crash or hang: in the folder {@code dir}, which receives its
     * output ({@code output.txt}) and a crash report ({@code hs_err_pid<pid>.log}, no core file). The caller waits
     * for it and ends it.
     */
    static Process launch(Path dir, Map<String, String> environment, String mainClass) throws Exception {
        return launch(System.getProperty("java.library.path"), dir, environment, mainClass);
    }

    /** {@link #launch} with another java.library.path. */
    static Process launch(String libraryPath, Path dir, Map<String, String> environment, String mainClass)
            throws Exception {
        String[] options = {"-XX:ErrorFile=" + dir.resolve("hs_err_pid%p.log"), "-XX:-CreateCoredumpOnCrash"};
        return builder(libraryPath, options, environment, dir, testClassPath(), mainClass)
                .redirectOutput(dir.resolve("output.txt").toFile()).start();
    }

    private static String testClassPath() throws Exception {
        return locationOf(QelScanApi.class) + File.pathSeparator + locationOf(QelScan.capture.Session.class)
                + File.pathSeparator + locationOf(ChildJvm.class);
    }

    private static Result start(String libraryPath, String[] options, Map<String, String> environment,
            String mainClass, String... args) throws Exception {
        return start(libraryPath, options, environment, null, testClassPath(), mainClass, args);
    }

    private static Result start(String libraryPath, String[] options, Map<String, String> environment, Path dir,
            String classPath, String mainClass, String... args) throws Exception {
        Process process = builder(libraryPath, options, environment, dir, classPath, mainClass, args).start();
        String output = new String(process.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
        assertTrue(process.waitFor(60, TimeUnit.SECONDS), "child JVM did not end");
        assertEquals(List.of(), output.lines()
                .filter(line -> line.contains("WARNING") || line.contains("FATAL ERROR")).toList(),
                "JNI reports of the child JVM:\n" + output);
        return new Result(process.exitValue(), output);
    }

    private static ProcessBuilder builder(String libraryPath, String[] options, Map<String, String> environment,
            Path dir, String classPath, String mainClass, String... args) {
        List<String> command = new ArrayList<>(List.of(
                Path.of(System.getProperty("java.home"), "bin", "java").toString(),
                "-Xcheck:jni"));
        command.addAll(List.of(options));
        command.addAll(List.of(
                "-Djava.library.path=" + libraryPath,
                "-Dqelscan.logdir=" + System.getProperty("qelscan.logdir"), // the capture library's log folder
                "-cp", classPath,
                mainClass));
        command.addAll(List.of(args));
        ProcessBuilder builder = new ProcessBuilder(command).redirectErrorStream(true)
                .directory(dir == null ? null : dir.toFile());
        builder.environment().keySet().removeIf(name -> name.startsWith("MIRB_VIRTUAL_"));
        builder.environment().putAll(environment);
        return builder;
    }
}
