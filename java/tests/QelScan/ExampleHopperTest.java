package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.awt.image.BufferedImage;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.stream.Stream;
import javax.imageio.ImageIO;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/**
 * The virtual scanner's example hopper through the bridge: each fault at its
 * document, the feed speed, and the checks' own pictures in every kind of
 * image. One child JVM runs the scripts of calls (Probe.step), each in a new
 * session, and prints "= answers" for each.
 */
class ExampleHopperTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    static final String EXAMPLE = Path.of(System.getProperty("qelscan.example"), "checks.hopper").toString();

    /** Script (to:<answer> scans quietly up to that answer), then what its calls answer. */
    static final String[][] SCRIPTS = {
        {"batch", "batch=0:U002101U 0:U002102U 0:U002103U -110 0:U002105U -111 0:U002108U 0:U002109U 0:U002110U "
                + "-113:U002111U -112 0:U002112U 0:U002113U -111 -102"},
        {"to:-110 status scan clear status scan", "status=0x000E scan=-110 clear=0 status=0x0005 scan=0:U002105U"},
        {"to:-111 status clear scan", "status=0x0016 clear=0 scan=0:U002108U"},
        {"to:0:U002109U reread watch",
            "reread=0:U002109U T244289425T 7??5259679U $000047?316$:999999999999999999999900999999999999999909999 "
                    + "watch=0:U002110U slow 0x0027"},
        {"to:-112 status exit init status scan", "status=-112 exit=0 init=0 status=0x0005 scan=0:U002112U"},
        {"exit plug init unplug init status", "exit=0 init=-112 init=0 status=0x0005"},
        {"scan scan full gray memory-tif memory-jpg",
            "scan=0:U000201U scan=0:U000202U full=0:U000203U gray=0:U000204U memory-tif=0:U000205U "
                    + "memory-jpg=0:U000206U"},
        {"exit spoil init", "exit=0 init=-106"}};

    @TempDir
    static Path dir;

    private static List<String> answers;

    @BeforeAll
    static void runTheScripts() throws Exception {
        // A copy of the example, for the last script spoils its back picture.
        for (String name : new String[] {"checks.hopper", "pattern-front.tif", "pattern-back.jpg"}) {
            Files.copy(Path.of(System.getProperty("qelscan.example"), name), dir.resolve(name));
        }
        answers = run(Map.of(), Arrays.stream(SCRIPTS).map(row -> row[0]).toArray(String[]::new));
    }

    static List<String> run(Map<String, String> environment, String... scripts) throws Exception {
        Map<String, String> all = new HashMap<>(Map.of("MIRB_VIRTUAL_HOPPER", dir.resolve("checks.hopper").toString(),
                "MIRB_VIRTUAL_UNPLUGGED", dir.resolve("plug").toString()));
        all.putAll(environment);
        ChildJvm.Result run = ChildJvm.run(all, Probe.class.getName(), scripts);
        assertEquals(0, run.exitCode(), run.output());
        return run.output().lines().filter(line -> line.startsWith("= ")).map(line -> line.substring(2)).toList();
    }

    @Test
    void eachScriptAnswersAsItsDocumentsSay() {
        assertEquals(Arrays.stream(SCRIPTS).map(row -> row[1]).toList(), answers);
    }

    @Test
    void documentsAt600AMinuteTakeATenthOfASecondEach() throws Exception {
        // The example as it is: the scripts have spoilt the copy's back picture.
        Map<String, String> environment = Map.of("MIRB_VIRTUAL_FEED_RATE", "600", "MIRB_VIRTUAL_HOPPER", EXAMPLE);
        assertEquals(List.of("pace=true"), run(environment, "pace"));
    }

    @Test
    void qelscanEndsAtTheJamWithItsMeaning(@TempDir Path work) throws Exception {
        ToolRun.Result run = ToolRun.run(work, Map.of("MIRB_VIRTUAL_HOPPER", EXAMPLE), "scan", "--out", "scans");
        assertEquals(1, run.exitCode(), run.all());
        assertTrue(run.err().contains("QelScanToFile returned -110, the virtual scanner's JAM: ")
                && run.err().contains("until the track is cleared"), run.all());
    }

    /**
     * Dark (1) and light (0) regions, in fractions of the image (x0, y0, x1, y1, dark): the front picture
     * fills the check; the square back picture stands in its middle between white margins.
     */
    private static final double[][] FRONT = {{.05, .1, .45, .4, 1}, {.55, .1, .95, .4, 0}, {.05, .6, .45, .9, 0},
        {.55, .6, .95, .9, 1}};
    private static final double[][] BACK = {{.02, .05, .24, .95, 0}, {.3, .05, .48, .95, 1},
        {.52, .05, .7, .95, 0}, {.76, .05, .98, .95, 0}};

    /** Every image the scans of the own pictures deliver. */
    @ParameterizedTest
    @CsvSource({"full-front.tif", "full-back.tif", "full-front.jpg", "full-back.jpg", "gray-front.tif",
        "gray-back.tif", "memory-tif-front", "memory-tif-back", "memory-jpg-front", "memory-jpg-back"})
    void everyImageShowsThePictureWhereItBelongs(String name) throws Exception {
        BufferedImage image = ImageIO.read(dir.resolve(name).toFile());
        boolean bilevel = name.contains("tif") && !name.startsWith("gray");
        assertEquals(List.of(bilevel ? 1200 : 600, bilevel ? 550 : 275, bilevel ? 1 : 8),
                List.of(image.getWidth(), image.getHeight(), image.getColorModel().getPixelSize()), name);
        for (double[] r : name.contains("-front") ? FRONT : BACK) {
            long sum = 0;
            int count = 0;
            for (int y = (int) (r[1] * image.getHeight()); y < r[3] * image.getHeight(); y++) {
                for (int x = (int) (r[0] * image.getWidth()); x < r[2] * image.getWidth(); x++, count++) {
                    // getRGB would brighten the grays, taking them as linear.
                    sum += bilevel ? image.getRGB(x, y) & 0xFF : image.getRaster().getSample(x, y, 0);
                }
            }
            double mean = (double) sum / count;
            assertTrue(r[4] == 1 ? mean < 64 : mean > 192, name + ": mean " + mean + " at " + r[0] + ", " + r[1]);
        }
    }

    /** Runs each argument as a script in a new session and prints "= answers"; images go beside the hopper. */
    public static final class Probe {

        private Probe() {
        }

        /** A result, and the code line's first eight characters if there is one. */
        static String coded(int result, String[] code) {
            return result + (code[0].isEmpty() ? "" : ":" + code[0].substring(0, 8));
        }

        /** A scan to the files named (null for none). */
        static String scan(String... names) {
            String[] code = {""};
            names = Arrays.copyOf(names, 4);
            return coded(QelScanApi.QelScanToFile(names[0], names[1], names[2], names[3], code, new int[1],
                    new int[1], null), code);
        }

        /** Scans until one answers stop or none is left, clearing jams and reopening after an unplug. */
        static String forward(String stop) {
            List<String> answers = new ArrayList<>();
            for (String answer = scan(); ; answer = scan()) {
                if (!answers.isEmpty() || answer.endsWith("U002101U")) {
                    answers.add(answer); // from our first fault document on
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

        /** The next scan, while another thread asks the status until it shows a document feeding. */
        static String watch(long start) throws InterruptedException {
            AtomicInteger feeding = new AtomicInteger();
            Thread asker = new Thread(() -> {
                while (feeding.get() == 0 && !Thread.currentThread().isInterrupted()) {
                    int status = QelScanApi.MirbStatus();
                    feeding.set(status > 0 && (status & 0x20) != 0 ? status : 0);
                }
            });
            asker.start();
            String scanned = scan() + (System.nanoTime() - start >= 300_000_000L ? " slow" : " fast");
            asker.interrupt();
            asker.join();
            return scanned + String.format(" 0x%04X", feeding.get());
        }

        /** Scans both sides to memory and leaves the images without their header beside the hopper. */
        static String memory(String kind, Path dir) throws Exception {
            byte[][] images = new byte[2][1048576];
            int[][] lengths = new int[2][1];
            String[] code = {""};
            int result = kind.equals("memory-tif")
                    ? QelScanApi.MirbScanMemory(0, images[0], lengths[0], images[1], lengths[1], code, 0)
                    : QelScanApi.MirbScanMemoryGray(0, images[0], lengths[0], images[1], lengths[1], code, 0, 0);
            for (int i = 0; i < 2; i++) {
                int start = (images[i][8] & 0xFF) | (images[i][9] & 0xFF) << 8; // the header's length
                Files.write(dir.resolve(kind + (i == 0 ? "-front" : "-back")),
                        Arrays.copyOfRange(images[i], start, lengths[i][0]));
            }
            return coded(result, code);
        }

        static String step(String word, Path dir) throws Exception {
            String[] texts = {""};
            String[] confidence = {""};
            long start = System.nanoTime();
            return word + "=" + switch (word) {
                case "exit" -> QelScanApi.MirbExit();
                case "init" -> QelScanApi.MirbInit();
                case "clear" -> QelScanApi.MirbClearDocument();
                case "status" -> {
                    int status = QelScanApi.MirbStatus();
                    yield status < 0 ? Integer.toString(status) : String.format("0x%04X", status);
                }
                case "batch" -> forward("-102");
                case "scan" -> scan();
                case "watch" -> watch(start);
                case "reread" -> QelScanApi.QelScanGetOcrMicr(texts, confidence) + ":" + texts[0] + ":"
                        + confidence[0];
                case "full" -> scan(Stream.of("-front.tif", "-back.tif", "-front.jpg", "-back.jpg")
                        .map(name -> dir.resolve("full" + name).toString()).toArray(String[]::new));
                case "gray" -> coded(QelScanApi.MirbScanGray(0, dir.resolve("gray-front.tif").toString(),
                        new String[] {""}, dir.resolve("gray-back.tif").toString(), new String[] {""}, texts,
                        new String[] {""}, 0), texts);
                case "memory-tif", "memory-jpg" -> memory(word, dir);
                case "plug" -> Files.createFile(dir.resolve("plug"));
                case "unplug" -> Files.deleteIfExists(dir.resolve("plug"));
                case "spoil" -> Files.write(dir.resolve("pattern-back.jpg"),
                        Arrays.copyOf(Files.readAllBytes(dir.resolve("pattern-back.jpg")), 100));
                case "pace" -> { // the whole hopper: ten documents and more, a tenth of a second each
                    forward("-102");
                    long ms = (System.nanoTime() - start) / 1_000_000;
                    yield ms >= 1000 ? "true" : ms + " ms";
                }
                default -> forward(word.substring(3)); // to:<answer>
            };
        }

        public static void main(String[] scripts) throws Exception {
            Path dir = Path.of(System.getenv("MIRB_VIRTUAL_HOPPER")).getParent();
            for (String script : scripts) {
                QelScanApi.MirbExit();
                QelScanApi.MirbInit();
                List<String> answers = new ArrayList<>();
                for (String word : script.split(" ")) {
                    String answer = step(word, dir);
                    if (!word.matches("to:.*|plug|unplug|spoil")) {
                        answers.add(answer); // the steps that only set the scene answer nothing
                    }
                }
                System.out.println("= " + String.join(" ", answers));
            }
        }
    }
}
