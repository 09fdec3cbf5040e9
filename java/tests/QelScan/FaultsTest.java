package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.function.IntSupplier;
import java.util.stream.Stream;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/**
 * The virtual scanner's faults and feed speed through the bridge, on its
 * example hopper. Each row is a script of calls (Probe.step) that one child
 * JVM runs, each in a new session, and what the calls answer.
 */
class FaultsTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    static final String HOPPER = Path.of(System.getProperty("qelscan.example"), "checks.hopper").toString();
    static final String SCRIPTS = "batch|to:-110 status eject reread scan clear status scan|"
            + "to:-111 status clear scan to:-111 status|to:0:U002109U reread|to:0:U002109U watch memory|"
            + "to:-112 status type usb version copy exit init status scan|"
            + "exit plug init usb unplug init plug status scan unplug status exit init status";

    @TempDir
    static Path dir;

    private static List<String> answers;

    @BeforeAll
    static void runTheScripts() throws Exception {
        answers = run(Map.of(), SCRIPTS.split("\\|"));
    }

    static List<String> run(Map<String, String> environment, String... scripts) throws Exception {
        Map<String, String> all = new HashMap<>(environment);
        all.putAll(Map.of("MIRB_VIRTUAL_HOPPER", HOPPER, "MIRB_VIRTUAL_UNPLUGGED", dir.resolve("plug").toString()));
        ChildJvm.Result run = ChildJvm.run(all, Probe.class.getName(), scripts);
        assertEquals(0, run.exitCode(), run.output());
        return run.output().lines().filter(line -> line.startsWith("= ")).map(line -> line.substring(2)).toList();
    }

    @ParameterizedTest(name = "{0}")
    @CsvSource(delimiter = '|', value = {
        "0 | 0:U002101U 0:U002102U 0:U002103U -110 0:U002105U -111 0:U002108U 0:U002109U 0:U002110U "
                + "-113:U002111U -112 0:U002112U 0:U002113U -111 -102",
        "1 | status=0x000E eject=-110 reread=-110 scan=-110 clear=0 status=0x0005 scan=0:U002105U",
        "2 | status=0x0016 clear=0 scan=0:U002108U status=0x0012",
        "3 | reread=0:U002109U T244289425T 7??5259679U $000047?316$:999999999999999999999900999999999999999909999",
        "4 | watch=0:U002110U slow 0x0027 memory=-113:U002111U 0,0,0,0 images 0",
        "5 | status=-112 type=-112 usb=0 version=1512 copy=0 exit=0 init=0 status=0x0005 scan=0:U002112U",
        "6 | exit=0 init=-112 usb=0 init=0 status=-112 scan=-112 status=-112 exit=0 init=0 status=0x0005"})
    void eachFaultAnswersAtItsDocument(int row, String expected) {
        assertEquals(expected, answers.get(row), SCRIPTS.split("\\|")[row]);
    }

    @Test
    void documentsAt600AMinuteTakeATenthOfASecondEach() throws Exception {
        assertEquals(List.of("pace=true"), run(Map.of("MIRB_VIRTUAL_FEED_RATE", "600"), "pace"));
    }

    @Test
    void qelscanEndsAtTheJamWithItsMeaning(@TempDir Path work) throws Exception {
        ToolRun.Result run = ToolRun.run(work, Map.of("MIRB_VIRTUAL_HOPPER", HOPPER), "scan", "--out", "scans");
        assertEquals(1, run.exitCode(), run.all());
        assertTrue(run.err().contains("QelScanToFile returned -110, the virtual scanner's JAM: ")
                && run.err().contains("until the track is cleared"), run.all());
    }

    /** Runs each argument as a script in a new session and prints "= answers". */
    public static final class Probe {

        static final Map<String, IntSupplier> CALLS = Map.of("eject", QelScanApi::MirbEjectDocument,
                "clear", QelScanApi::MirbClearDocument, "exit", QelScanApi::MirbExit, "init", QelScanApi::MirbInit,
                "type", QelScanApi::GetScannerType, "version", QelScanApi::QelApiVersion,
                "usb", () -> QelScanApi.IsQelUsbScannerAvailable(new int[1], new int[1]),
                "copy", () -> QelScanApi.MirbCopyFile(System.getenv("MIRB_VIRTUAL_HOPPER"), "/dev/null"));

        private Probe() {
        }

        /** A scan without images: its result and the code line's first eight characters. */
        static String scan() {
            String[] micr = {""};
            int result = QelScanApi.QelScanToFile(null, null, null, null, micr, new int[1], new int[1], null);
            return result + (micr[0].isEmpty() ? "" : ":" + micr[0].substring(0, 8));
        }

        /** Scans until one answers stop or none is left, clearing jams and reopening after an unplug. */
        static String forward(String stop) {
            List<String> answers = new ArrayList<>();
            for (String answer = scan(); ; answer = scan()) {
                if (!answers.isEmpty() || answer.endsWith("U002101U")) {
                    answers.add(answer); // from our first document on
                }
                if (answer.equals(stop) || answer.equals("-102")) {
                    return String.join(" ", answers);
                }
                if (answer.equals("-112")) {
                    QelScanApi.MirbExit();
                    QelScanApi.MirbInit();
                } else if (answer.matches("-11[01]")) {
                    QelScanApi.MirbClearDocument();
                }
            }
        }

        static String status() {
            int word = QelScanApi.MirbStatus();
            return word < 0 ? Integer.toString(word) : String.format("0x%04X", word);
        }

        /** The next scan, while another thread asks the status until it shows a feed. */
        static String watch() throws InterruptedException {
            String[] feeding = {"none"};
            Thread asker = new Thread(() -> {
                while (feeding[0].equals("none") && !Thread.currentThread().isInterrupted()) {
                    feeding[0] = (QelScanApi.MirbStatus() & 0x20) != 0 ? status() : "none";
                }
            });
            asker.start();
            long start = System.nanoTime();
            String answer = scan() + (System.nanoTime() - start >= 300_000_000L ? " slow " : " fast ");
            asker.interrupt();
            asker.join();
            return answer + feeding[0];
        }

        static String step(String word, Path plug) throws Exception {
            String[] texts = {""};
            String[] confidence = {""};
            int[][] ints = {{9}, {9}, {9}, {9}, new int[32]};
            long start = System.nanoTime();
            if (CALLS.containsKey(word)) {
                return word + "=" + CALLS.get(word).getAsInt();
            }
            return switch (word) {
                case "plug" -> Files.createFile(plug).toString();
                case "unplug" -> {
                    Files.delete(plug);
                    yield "";
                }
                case "batch" -> forward("-102");
                case "scan" -> "scan=" + scan();
                case "status" -> "status=" + status();
                case "reread" -> "reread=" + QelScanApi.QelScanGetOcrMicr(texts, confidence)
                        + (texts[0].isEmpty() ? "" : ":" + texts[0] + ":" + confidence[0]);
                case "watch" -> "watch=" + watch();
                case "memory" -> {
                    byte[] image = new byte[1048576];
                    int result = QelScanApi.QelScanToMemory(image, ints[0], image, ints[1], image, ints[2], image,
                            ints[3], texts, new int[1], new int[1], ints[4]);
                    yield "memory=" + result + ":" + texts[0].substring(0, 8) + " " + ints[0][0] + "," + ints[1][0]
                            + "," + ints[2][0] + "," + ints[3][0] + " images " + ints[4][3];
                }
                case "pace" -> {
                    forward("-102"); // the whole hopper: at least ten documents, a tenth of a second each
                    long ms = (System.nanoTime() - start) / 1000000;
                    QelScanApi.MirbGetScannerSerialNumber(texts, ints[0], new int[1]);
                    int fed = ints[0][0];
                    yield "pace=" + (fed >= 10 && ms >= 100L * fed - 10 ? "true" : fed + " in " + ms + " ms");
                }
                default -> {
                    forward(word.substring(3)); // to:<answer>
                    yield null;
                }
            };
        }

        public static void main(String[] scripts) throws Exception {
            Path plug = Path.of(System.getenv("MIRB_VIRTUAL_UNPLUGGED"));
            for (String script : scripts) {
                QelScanApi.MirbExit();
                QelScanApi.MirbInit();
                List<String> answers = new ArrayList<>();
                for (String word : script.split(" ")) {
                    String answer = step(word, plug);
                    if (answer != null && !word.contains("plug")) {
                        answers.add(answer);
                    }
                }
                System.out.println("= " + String.join(" ", answers));
            }
        }
    }
}
