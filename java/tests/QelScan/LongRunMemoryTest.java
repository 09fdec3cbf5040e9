package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Path;
import java.util.Map;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;
import org.junit.jupiter.api.io.TempDir;

/** About 100,000 calls across every export: the JVM's native memory stays flat. */
class LongRunMemoryTest {

    // Both files absent, as in a branch: the run measures the bridge, not the log.
    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    @Test
    void nativeMemoryStaysFlatOverALongRun(@TempDir Path dir) throws Exception {
        ChildJvm.Result run = ChildJvm.runWithOptions(new String[] {"-XX:NativeMemoryTracking=summary"},
                Map.of(), LongRun.class.getName(), dir.toString(), "100000");
        assertEquals(0, run.exitCode(), run.output());
        long growth = run.output().lines().filter(line -> line.startsWith(LongRun.RESULT))
                .mapToLong(line -> Long.parseLong(line.substring(LongRun.RESULT.length()).trim()))
                .findFirst().orElseThrow(() -> new AssertionError(run.output()));
        run.output().lines().filter(line -> line.startsWith("Total:") || line.startsWith("calls:")
                || line.startsWith(LongRun.RESULT)).forEach(line -> System.out.println("long run: " + line));
        // The collector and the compiler move a megabyte or two; a leak of
        // even fifty bytes a call would show as five megabytes.
        assertTrue(growth < 2 * 1024, run.output());
    }
}
