package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.awt.image.BufferedImage;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import javax.imageio.ImageIO;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;
import org.junit.jupiter.api.io.TempDir;

/** An endorsement printed on a check shows in the back images of its scan, and only there. */
class EndorsementTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    @RegisterExtension
    final ScannerSession session = new ScannerSession();

    /** Dark pixels in the box from (x0, y0) to (x1, y1), both included. */
    private static int darkPixels(Path image, int x0, int y0, int x1, int y1) throws Exception {
        BufferedImage picture = ImageIO.read(image.toFile());
        int dark = 0;
        for (int y = y0; y <= y1; y++) {
            for (int x = x0; x <= x1; x++) {
                dark += (picture.getRGB(x, y) & 0xFF) < 96 ? 1 : 0;
            }
        }
        return dark;
    }

    /** Scans the next check to a back TIFF and a back JPEG; {x0, y0, x1, y1} of both boxes' dark pixels. */
    private static int[] scanBack(Path dir, String name) throws Exception {
        Path tiff = dir.resolve(name + ".tif");
        Path jpeg = dir.resolve(name + ".jpg");
        assertEquals(0, QelScanApi.QelScanToFile(null, tiff.toString(), null, jpeg.toString(),
                new String[] {""}, new int[1], new int[1], null));
        // Where the virtual scanner prints "PAID" by default: 200 dpi, and the JPEG at 100.
        return new int[] {darkPixels(tiff, 40, 70, 108, 90), darkPixels(jpeg, 20, 35, 54, 45)};
    }

    @Test
    void aBatchPrintShowsOnTheBackOfTheNextCheckOnly(@TempDir Path dir) throws Exception {
        logs.switchOn(logs.info);
        byte[] paid = "PAID".getBytes(StandardCharsets.US_ASCII);
        // The longs reach the library as their low 32 bits: 2^32 is 0, the default place.
        assertEquals(0, QelScanApi.QelBatchPrintString(paid, 1L << 32, 1L << 32, 0, 0));
        int[] printed = scanBack(dir, "printed");
        int[] plain = scanBack(dir, "plain");
        assertTrue(printed[0] > 100 && printed[1] > 50, printed[0] + " / " + printed[1]);
        assertEquals(0, plain[0]);
        assertEquals(0, plain[1]);
        assertTrue(logs.texts(logs.info).contains("   0000  50414944                          PAID            "));
    }

    @Test
    void printJobsTheBridgeRefusesPrintNothing(@TempDir Path dir) throws Exception {
        assertEquals(-1, QelScanApi.QelBatchPrintString(new byte[0], 0, 0, 0, 0));
        assertEquals(-1, QelScanApi.QelBatchPrintBMP(new byte[256], 0, 0, 0, 0, 0, 0, 0, 0, 0, "Courier"));
        assertEquals(-1, QelScanApi.QelScanVirtualEndorsement("X".getBytes(StandardCharsets.US_ASCII), 0, 0, 0,
                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, null));
        int[] back = scanBack(dir, "after");
        assertEquals(0, back[0] + back[1]);
    }
}
