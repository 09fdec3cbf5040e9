package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.awt.image.BufferedImage;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.HashMap;
import java.util.Map;
import java.util.stream.Stream;
import javax.imageio.ImageIO;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;
import org.junit.jupiter.params.provider.MethodSource;

/**
 * The example hopper's checks with fields and pictures of their own, through
 * the bridge in one child JVM (the hopper is named by the environment):
 * every kind of image shows the test pictures where they belong.
 */
class OwnPicturesTest {

    @TempDir
    static Path work;

    private static final Map<String, String[]> CALLS = new HashMap<>();

    @BeforeAll
    static void scanTheExampleHopper() throws Exception {
        Path example = Files.createDirectory(work.resolve("example"));
        try (Stream<Path> files = Files.list(Path.of(System.getProperty("qelscan.example")))) {
            for (Path file : (Iterable<Path>) files::iterator) {
                Files.copy(file, example.resolve(file.getFileName()));
            }
        }
        ChildJvm.Result run = ChildJvm.run(Map.of("MIRB_VIRTUAL_HOPPER", example.resolve("checks.hopper").toString()),
                OwnPicturesProbe.class.getName(), Files.createDirectory(work.resolve("images")).toString(),
                example.resolve("pattern-back.jpg").toString());
        assertEquals(0, run.exitCode(), run.output());
        run.output().lines().filter(line -> line.startsWith(OwnPicturesProbe.PREFIX))
                .map(line -> line.substring(OwnPicturesProbe.PREFIX.length()).split(" ", 3))
                .forEach(call -> CALLS.put(call[0], call));
    }

    @ParameterizedTest
    @CsvSource({"open, 0, ''", "fields1, 0, U000201U", "fields2, 0, U000202U", "scan, 0, U000203U",
        "gray-jpg, 0, U000204U", "gray-tif, 0, U000205U", "memory, 0, U000206U", "memory-gray, 0, U000207U",
        "full, 0, U000208U", "full-memory, 0, U000209U", "reopen, -106, ''"})
    void eachScanTakesItsDocumentAndASpoiltPictureKeepsTheSessionShut(String call, int result, String serial) {
        String[] line = CALLS.get(call);
        assertTrue(line != null, call + " did not run");
        assertEquals(result, Integer.parseInt(line[1]), call);
        assertTrue(line[2].startsWith(serial), call + ": " + line[2]);
    }

    /** Every image the probe's scans deliver, front and back. */
    static Stream<String> images() {
        return Stream.of("scan.tif", "grayjpg.jpg", "graytif.tif", "memory.tif", "memorygray.jpg", "full.tif",
                "full.jpg", "fullmemory.tif", "fullmemory.jpg")
                .flatMap(image -> Stream.of("-front.", "-back.").map(side -> image.replace(".", side)));
    }

    /**
     * Mean darkness regions, in fractions of the image (x0, y0, x1, y1, dark):
     * the front picture fills the check; the square back picture stands in its
     * middle between white margins.
     */
    private static final double[][] FRONT = {{.05, .1, .45, .4, 1}, {.55, .1, .95, .4, 0}, {.05, .6, .45, .9, 0},
        {.55, .6, .95, .9, 1}};
    private static final double[][] BACK = {{.02, .05, .24, .95, 0}, {.3, .05, .48, .95, 1},
        {.52, .05, .7, .95, 0}, {.76, .05, .98, .95, 0}};

    @ParameterizedTest
    @MethodSource("images")
    void everyImageShowsThePictureWhereItBelongs(String name) throws Exception {
        BufferedImage image = ImageIO.read(work.resolve("images").resolve(name).toFile());
        boolean bilevel = name.endsWith(".tif") && !name.startsWith("graytif");
        assertEquals(bilevel ? 1200 : 600, image.getWidth(), name);
        assertEquals(bilevel ? 550 : 275, image.getHeight(), name);
        assertEquals(bilevel ? 1 : 8, image.getColorModel().getPixelSize(), name);
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
}
