package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.awt.image.BufferedImage;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import javax.imageio.ImageIO;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

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
        for (String name : new String[] {"checks.hopper", "pattern-front.tif", "pattern-back.jpg"}) {
            Files.copy(Path.of(System.getProperty("qelscan.example"), name), example.resolve(name));
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
    @CsvSource({"open, 0, ''", "fields1, 0, U000201U", "fields2, 0, U000202U", "full, 0, U000203U",
        "gray, 0, U000204U", "memory-tif, 0, U000205U", "memory-jpg, 0, U000206U", "reopen, -106, ''"})
    void eachScanTakesItsDocumentAndASpoiltPictureKeepsTheSessionShut(String call, int result, String serial) {
        String[] line = CALLS.getOrDefault(call, new String[] {call, "", "did not run"});
        assertEquals(List.of(Integer.toString(result), true), List.of(line[1], line[2].startsWith(serial)),
                call + ": " + line[2]);
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

    /** Every image the probe's scans deliver. */
    @ParameterizedTest
    @CsvSource({"full-front.tif", "full-back.tif", "full-front.jpg", "full-back.jpg", "gray-front.tif",
        "gray-back.tif", "memory-front.tif", "memory-back.tif", "memory-front.jpg", "memory-back.jpg"})
    void everyImageShowsThePictureWhereItBelongs(String name) throws Exception {
        BufferedImage image = ImageIO.read(work.resolve("images").resolve(name).toFile());
        boolean bilevel = name.endsWith(".tif") && !name.startsWith("gray");
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
