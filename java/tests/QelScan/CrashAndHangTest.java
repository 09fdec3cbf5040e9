package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;
import java.util.stream.Stream;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/**
 * The virtual scanner's crash and hang faults do to a JVM what a failing scanner library does: each in a child
 * JVM of its own, in a scratch folder that takes its crash report. The child scans a plain document, then the
 * faulty one in a second thread while its main thread asks the status.
 */
class CrashAndHangTest {

    @TempDir
    Path dir;

    @ParameterizedTest
    @CsvSource({"crash, true", "hang, false"})
    void theFaultEndsTheJvmOrBlocksItsThreads(String fault, boolean ends) throws Exception {
        Files.writeString(dir.resolve("faulty.hopper"), "U1U\nU2U\tfault=" + fault + "\nU3U\n");
        Process child = ChildJvm.launch(dir, Map.of("MIRB_VIRTUAL_HOPPER", dir.resolve("faulty.hopper").toString()),
                Probe.class.getName());
        try {
            if (ends) {
                assertTrue(child.waitFor(60, TimeUnit.SECONDS), "the child JVM lives on");
                assertTrue(child.exitValue() != 0 && files().anyMatch(name -> name.startsWith("hs_err_pid")),
                        "exit status " + child.exitValue() + ", files " + files().toList());
            } else {
                for (long end = System.nanoTime() + 30_000_000_000L; !answers().contains("asking");) {
                    assertTrue(System.nanoTime() < end, "the child never asked the status");
                    Thread.sleep(50);
                }
                assertTrue(!child.waitFor(1, TimeUnit.SECONDS), "the child JVM ended");
            }
            // Neither the faulty scan nor the status question answered.
            assertEquals(ends ? List.of("first=0") : List.of("first=0", "asking"), answers());
        } finally {
            child.destroyForcibly().waitFor();
        }
    }

    private Stream<String> files() throws Exception {
        try (Stream<Path> list = Files.list(dir)) {
            return list.map(path -> path.getFileName().toString()).toList().stream();
        }
    }

    private List<String> answers() throws Exception {
        return Files.readAllLines(dir.resolve("output.txt")).stream()
                .filter(line -> line.matches("(first|second|status)=.*|asking")).toList();
    }

    /** Scans the first document, then the second in another thread while this one asks the status. */
    public static final class Probe {

        private Probe() {
        }

        static int scan() {
            return QelScanApi.QelScanToFile(null, null, null, null, new String[] {""}, new int[1], new int[1], null);
        }

        public static void main(String[] args) throws Exception {
            QelScanApi.MirbInit();
            System.out.println("first=" + scan());
            new Thread(() -> System.out.println("second=" + scan())).start();
            Thread.sleep(300);
            System.out.println("asking");
            System.out.println("status=" + QelScanApi.MirbStatus());
            System.exit(0);
        }
    }
}
