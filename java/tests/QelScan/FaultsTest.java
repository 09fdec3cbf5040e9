package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.function.Predicate;
import java.util.stream.Collectors;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/**
 * The virtual scanner's faults and feed speed through the bridge, on its
 * example hopper: the scenarios run in one child JVM (the scanner reads its
 * environment), each printing a line of what it saw.
 */
class FaultsTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    static final String HOPPER = System.getProperty("qelscan.examplehopper");

    @TempDir
    static Path dir;

    private static Map<String, String> seen;

    @BeforeAll
    static void runTheScenarios() throws Exception {
        seen = scenarios(Map.of(), "faults");
    }

    private static Map<String, String> scenarios(Map<String, String> environment, String mode) throws Exception {
        Path plug = dir.resolve("unplugged");
        Map<String, String> all = new HashMap<>(environment);
        all.putAll(Map.of("MIRB_VIRTUAL_HOPPER", HOPPER, "MIRB_VIRTUAL_UNPLUGGED", plug.toString()));
        ChildJvm.Result run = ChildJvm.run(all, Probe.class.getName(), plug.toString(), mode);
        assertEquals(0, run.exitCode(), run.output());
        return run.output().lines().filter(line -> line.contains(": "))
                .collect(Collectors.toMap(line -> line.substring(0, line.indexOf(": ")),
                        line -> line.substring(line.indexOf(": ") + 2)));
    }

    @ParameterizedTest(name = "{0}")
    @CsvSource(delimiter = '|', value = {
        "batch     | 0:U002101U 0:U002102U 0:U002103U -110 0:U002105U -111 0:U002108U 0:U002109U 0:U002110U "
                + "-113:U002111U -112 0:U002112U 0:U002113U -111 -102",
        "jam       | status=0x000E eject=-110 reread=-110 scan=-110 clear=0 status=0x0005 scan=0:U002105U",
        "double    | status=0x0016 scan=-111 clear=0 scan=0:U002108U status=0x0012 clear=0 status=0x0001",
        "misread   | U002109U T244289425T 7??5259679U $000047?316$ 999999999999999999999900999999999999999909999",
        "slow      | scan=0:U002110U atLeast300ms=true statusShowedTheFeed=true",
        "capture   | scan=-113:U002111U lengths=0,0,0,0 docStatus=1,0,45,0",
        "unplugged | status=-112 type=-112 usb=0 version=1512 copy=0 exit=0 init=0 status=0x0005 scan=0:U002112U",
        "plug file | init=-112 usb=0 init=0 status=-112 scan=-112 usb=0 gone=-112 exit=0 init=0 status=0x0005 scan=0"})
    void eachFaultShowsAtItsDocument(String scenario, String expected) {
        assertEquals(expected, seen.get(scenario), seen.toString());
    }

    @Test
    void tenDocumentsAt600AMinuteTakeAtLeastASecond() throws Exception {
        String[] fed = scenarios(Map.of("MIRB_VIRTUAL_FEED_RATE", "600"), "feed").get("feed").split(" ");
        int documents = Integer.parseInt(fed[0]);
        assertTrue(documents >= 10 && Long.parseLong(fed[1]) >= 100L * documents - 10, String.join(" ", fed));
    }

    @Test
    void qelscanEndsAtTheJamWithItsMeaning(@TempDir Path work) throws Exception {
        ToolRun.Result run = ToolRun.run(work, Map.of("MIRB_VIRTUAL_HOPPER", HOPPER), "scan", "--out", "scans");
        assertEquals(1, run.exitCode(), run.all());
        assertTrue(run.err().contains("QelScanToFile returned -110, the virtual scanner's JAM: ")
                && run.err().contains("until the track is cleared"), run.all());
    }

    /** The scenarios, in a JVM whose environment names the example hopper and the plug file. */
    public static final class Probe {

        private static final int NO_DOCUMENT = -102;

        private Probe() {
        }

        static int scan(String[] code) {
            return QelScanApi.QelScanToFile(null, null, null, null, code, new int[1], new int[1], new int[32]);
        }

        /**
         * Scans on, clearing the track after a jam or double feed and opening a new session after an
         * unplug, until a step ("result" or "result:serial") matches or the hopper is empty; the steps
         * from our first document on.
         */
        static List<String> forward(Predicate<String> stop) {
            List<String> steps = new ArrayList<>();
            for (;;) {
                String[] code = {""};
                int result = scan(code);
                String step = result + (code[0].isEmpty() ? "" : ":" + code[0].substring(0, 8));
                if (!steps.isEmpty() || step.endsWith("U002101U")) {
                    steps.add(step);
                }
                if (stop.test(step) || result == NO_DOCUMENT) {
                    return steps;
                }
                if (result == -110 || result == -111) {
                    QelScanApi.MirbClearDocument();
                } else if (result == -112) {
                    QelScanApi.MirbExit();
                    QelScanApi.MirbInit();
                }
            }
        }

        static String scanned() {
            String[] code = {""};
            int result = scan(code);
            return result + (code[0].isEmpty() ? "" : ":" + code[0].substring(0, 8));
        }

        static String status() {
            int word = QelScanApi.MirbStatus();
            return word < 0 ? Integer.toString(word) : String.format("0x%04X", word);
        }

        static int usb() {
            return QelScanApi.IsQelUsbScannerAvailable(new int[1], new int[1]);
        }

        static void say(String scenario, Object... steps) {
            System.out.println(scenario + ": " + List.of(steps).stream().map(String::valueOf)
                    .collect(Collectors.joining(" ")));
        }

        static void fresh() {
            QelScanApi.MirbExit();
            QelScanApi.MirbInit();
        }

        public static void main(String[] args) throws Exception {
            Path plug = Path.of(args[0]);
            fresh();
            if (args[1].equals("feed")) {
                int[] fed = {0};
                long start = System.nanoTime();
                forward(step -> QelScanApi.MirbGetScannerSerialNumber(new String[] {""}, fed, new int[1]) == 0
                        && fed[0] >= 10);
                say("feed", fed[0], (System.nanoTime() - start) / 1000000);
                return;
            }
            say("batch", forward(step -> false).toArray());

            fresh();
            forward(step -> step.equals("-110"));
            String[] micr = {""};
            say("jam", "status=" + status(), "eject=" + QelScanApi.MirbEjectDocument(),
                    "reread=" + QelScanApi.QelScanGetOcrMicr(micr, new String[] {""}), "scan=" + scanned(),
                    "clear=" + QelScanApi.MirbClearDocument(), "status=" + status(), "scan=" + scanned());

            fresh();
            forward(step -> step.equals("-111"));
            String first = "status=" + status() + " scan=" + scanned() + " clear=" + QelScanApi.MirbClearDocument()
                    + " scan=" + scanned();
            forward(step -> step.equals("-111"));
            say("double", first, "status=" + status(), "clear=" + QelScanApi.MirbClearDocument(),
                    "status=" + status());

            fresh();
            forward(step -> step.startsWith("0:U002109U"));
            String[] confidence = {""};
            QelScanApi.QelScanGetOcrMicr(micr, confidence);
            say("misread", micr[0], confidence[0]);

            // A status query from another thread answers during the slow document's feed.
            boolean[] feeding = {false};
            Thread poller = new Thread(() -> {
                while (!Thread.currentThread().isInterrupted()) {
                    feeding[0] |= (QelScanApi.MirbStatus() & 0x20) != 0;
                }
            });
            poller.start();
            long start = System.nanoTime();
            String slow = scanned();
            long took = System.nanoTime() - start;
            poller.interrupt();
            poller.join();
            say("slow", "scan=" + slow, "atLeast300ms=" + (took >= 300000000L), "statusShowedTheFeed=" + feeding[0]);

            byte[][] images = new byte[4][1048576];
            int[][] lengths = {{9}, {9}, {9}, {9}};
            int[] docStatus = new int[32];
            int result = QelScanApi.QelScanToMemory(images[0], lengths[0], images[1], lengths[1], images[2],
                    lengths[2], images[3], lengths[3], micr, new int[1], new int[1], docStatus);
            say("capture", "scan=" + result + ":" + micr[0].substring(0, 8), "lengths=" + lengths[0][0] + ","
                    + lengths[1][0] + "," + lengths[2][0] + "," + lengths[3][0], "docStatus=" + docStatus[0] + ","
                    + docStatus[1] + "," + docStatus[2] + "," + docStatus[3]);

            forward(step -> step.equals("-112"));
            Path copy = plug.resolveSibling("copy");
            say("unplugged", "status=" + status(), "type=" + QelScanApi.GetScannerType(), "usb=" + usb(),
                    "version=" + QelScanApi.QelApiVersion(),
                    "copy=" + QelScanApi.MirbCopyFile(System.getenv("MIRB_VIRTUAL_HOPPER"), copy.toString()),
                    "exit=" + QelScanApi.MirbExit(), "init=" + QelScanApi.MirbInit(), "status=" + status(),
                    "scan=" + scanned());

            QelScanApi.MirbExit();
            Files.createFile(plug);
            String opening = "init=" + QelScanApi.MirbInit() + " usb=" + usb();
            Files.delete(plug);
            opening += " init=" + QelScanApi.MirbInit();
            Files.createFile(plug);
            String pulled = "status=" + status() + " scan=" + scan(new String[] {""}) + " usb=" + usb();
            Files.delete(plug);
            say("plug file", opening, pulled, "gone=" + status(), "exit=" + QelScanApi.MirbExit(),
                    "init=" + QelScanApi.MirbInit(), "status=" + status(), "scan=" + scan(new String[] {""}));
        }
    }
}
