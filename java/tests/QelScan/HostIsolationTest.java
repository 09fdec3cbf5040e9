package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import QelScan.capture.Fault;
import QelScan.capture.ScanRequest;
import QelScan.capture.ScannerException;
import QelScan.capture.Session;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.concurrent.CompletableFuture;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * The scanner library in a host process, through the proxy in the isolated folder: a crash, a hang past the
 * deadline and a host killed during two calls each cost their calls, never the JVM, and a new session starts a
 * new host that reads its hopper file again; a killed JVM leaves no host behind. One child JVM runs it all
 * (CrashAndHangTest shows the same crash in process). In process the crash would end the JVM, as
 * CrashAndHangTest shows.
 */
class HostIsolationTest {

    /** Whether this run's own library path is the isolated folder (the second run of the Java tests). */
    static final boolean ISOLATED = Path.of(System.getProperty("java.library.path")).endsWith("isolated");

    static final Path ISOLATED_FOLDER = ISOLATED ? Path.of(System.getProperty("java.library.path"))
            : Path.of(System.getProperty("java.library.path"), "isolated");

    @TempDir
    Path dir;

    @Test
    void aFailingLibraryCostsItsCallsAndANewSessionGoesOn() throws Exception {
        Process child = ChildJvm.launch(ISOLATED_FOLDER.toString(), dir, Map.of("MIRB_VIRTUAL_HOPPER",
                dir.resolve("hopper").toString(), "QELSCAN_HOST_DEADLINE_MS", "3000"), Probe.class.getName());
        try {
            long host = 0;
            for (long end = System.nanoTime() + 120_000_000_000L; host == 0; Thread.sleep(50)) {
                assertTrue(System.nanoTime() < end && child.isAlive(), "the child: " + output());
                host = output().lines().filter(line -> line.startsWith("host=")).mapToLong(
                        line -> Long.parseLong(line.substring(5))).findFirst().orElse(0);
            }
            assertEquals(List.of(
                    "crash: first=U1U scan=HOST_ENDED status=HOST_ENDED",
                    "hang: scan=HOST_DEADLINE status=HOST_ENDED",
                    "kill: first=U6U scan=HOST_ENDED status=HOST_ENDED within 5 s=true"),
                    output().lines().filter(line -> line.matches("(crash|hang|kill): .*")).toList());
            // Why each host ended, once each: the crash, the deadline, the kill.
            List<String> why = output().lines().filter(line -> line.contains("process")
                    && line.contains("ended: ")).map(line -> line.replaceAll(".* ended: ", "")).toList();
            assertEquals(3, why.size(), output());
            assertTrue(why.get(0).startsWith("signal 11") && why.get(1).startsWith("it did not answer QELScan "
                    + "within 3000 ms") && why.get(2).startsWith("signal 9"), why.toString());
            child.destroyForcibly();
            ProcessHandle handle = ProcessHandle.of(host).orElse(null);
            for (long end = System.nanoTime() + 5_000_000_000L; handle != null && handle.isAlive();) {
                assertTrue(System.nanoTime() < end, "the host outlives the JVM by 5 s");
                Thread.sleep(50);
            }
        } finally {
            child.destroyForcibly().waitFor();
        }
    }

    private String output() throws Exception {
        return Files.readString(dir.resolve("output.txt"));
    }

    /** Each scene: its hopper file, a new session, its calls. Prints the host's process id at the end. */
    public static final class Probe {

        private Probe() {
        }

        static String fault(Session session) {
            try {
                return session.scan(ScanRequest.full()).map(document -> document.codeLine()).orElse("empty");
            } catch (ScannerException e) {
                return e.fault().map(Fault::name).orElse(e.getMessage());
            }
        }

        static String status(Session session) {
            try {
                return Integer.toString(session.status());
            } catch (ScannerException e) {
                return e.fault().map(Fault::name).orElse(e.getMessage());
            }
        }

        static Session open(Path hopper, String documents) throws Exception {
            Files.writeString(hopper, documents);
            return Session.open();
        }

        static void close(Session session) {
            try {
                session.close();
            } catch (ScannerException e) {
                // MirbExit of an ended host
            }
        }

        static List<ProcessHandle> hosts() {
            return ProcessHandle.current().children().toList();
        }

        public static void main(String[] args) throws Exception {
            Path hopper = Path.of(System.getenv("MIRB_VIRTUAL_HOPPER"));
            Session session = open(hopper, "U1U\nU2U\tfault=crash\nU3U\n");
            System.out.println("crash: first=" + fault(session).substring(0, 3) + " scan=" + fault(session)
                    + " status=" + status(session));
            close(session);

            session = open(hopper, "U4U\tfault=hang\nU5U\n");
            System.out.println("hang: scan=" + fault(session) + " status=" + status(session));
            close(session);

            // The host killed while one thread's scan hangs and another's status waits for the library.
            Session hanging = open(hopper, "U6U\nU7U\tfault=hang\n");
            String first = fault(hanging).substring(0, 3);
            CompletableFuture<String> scan = CompletableFuture.supplyAsync(() -> fault(hanging));
            Thread.sleep(500);
            CompletableFuture<String> status = CompletableFuture.supplyAsync(() -> {
                int answer = QelScanApi.MirbStatus();
                return answer == Fault.HOST_ENDED.code() ? "HOST_ENDED" : Integer.toString(answer);
            });
            Thread.sleep(500);
            long killed = System.nanoTime();
            hosts().forEach(ProcessHandle::destroyForcibly);
            List<String> answers = new ArrayList<>(List.of(scan.get(30, TimeUnit.SECONDS),
                    status.get(30, TimeUnit.SECONDS)));
            System.out.println("kill: first=" + first + " scan=" + answers.get(0) + " status=" + answers.get(1)
                    + " within 5 s=" + (System.nanoTime() - killed < 5_000_000_000L));
            close(hanging);

            Session.open();
            System.out.println("host=" + hosts().get(0).pid());
            Thread.sleep(Long.MAX_VALUE);
        }
    }
}
