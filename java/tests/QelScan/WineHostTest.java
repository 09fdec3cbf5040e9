package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assumptions.assumeTrue;

import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.List;
import org.junit.jupiter.api.Test;

/**
 * Through the 32-bit Windows library: this JVM's proxy drives qelscanhost32.exe under Wine over the virtual
 * scanner's Windows build (QELSCAN_HOST_COMMAND, set with the hopper file by the Windows build's test, which
 * names the folder of that file in qelscan.winehost; skipped anywhere else). One scan of each kind, every image
 * decoded, and the example hopper's faults.
 */
class WineHostTest {

    static final String FOLDER = System.getProperty("qelscan.winehost");

    /** A path as the Windows library opens it. */
    static String windows(Path path) {
        return "Z:" + path.toString().replace('/', '\\');
    }

    static Images.Decoded memoryImage(byte[] image, int length, boolean header) throws Exception {
        int skip = header ? ByteBuffer.wrap(image).order(ByteOrder.LITTLE_ENDIAN).getShort(8) : 0;
        return Images.decode(image, skip, length - skip);
    }

    @Test
    void everyKindOfScanGivesItsImagesAndTheExampleHopperItsFaults() throws Exception {
        assumeTrue(FOLDER != null, "runs only under the Windows build's Wine host");
        Path dir = Path.of(FOLDER);
        Files.writeString(dir.resolve("hopper"), "U1U\n".repeat(12));
        assertEquals(0, QelScanApi.MirbInit());
        String[] code = {""};
        Path[] files = new Path[4];
        for (int i = 0; i < 4; i++) {
            files[i] = dir.resolve("scan-" + i + (i < 2 ? ".tif" : ".jpg"));
            Files.deleteIfExists(files[i]);
        }
        List<Images.Decoded> decoded = new ArrayList<>();
        assertEquals(0, QelScanApi.MirbScan(0, windows(files[0]), new String[] {""}, windows(files[1]),
                new String[] {""}, code, new String[] {""}));
        decoded.add(Images.decode(files[0]));
        assertEquals(0, QelScanApi.MirbScanGray(0, windows(files[2]), new String[] {""}, windows(files[3]),
                new String[] {""}, code, new String[] {""}, 0));
        decoded.add(Images.decode(files[2]));
        byte[][] images = new byte[4][1048576];
        int[][] lengths = new int[4][1];
        assertEquals(0, QelScanApi.MirbScanMemory(0, images[0], lengths[0], images[1], lengths[1], code, 0));
        decoded.add(memoryImage(images[0], lengths[0][0], true));
        assertEquals(0, QelScanApi.MirbScanMemoryGray(0, images[0], lengths[0], images[1], lengths[1], code, 0, 0));
        decoded.add(memoryImage(images[1], lengths[1][0], true));
        assertEquals(0, QelScanApi.QelScanToFile(windows(files[0]), null, windows(files[2]), null, code,
                new int[1], new int[1], null));
        decoded.add(Images.decode(files[2]));
        assertEquals(0, QelScanApi.QelScanToMemory(images[0], lengths[0], images[1], lengths[1], images[2],
                lengths[2], images[3], lengths[3], code, new int[1], new int[1], new int[32]));
        decoded.add(memoryImage(images[0], lengths[0][0], false));
        decoded.add(memoryImage(images[3], lengths[3][0], false));
        assertEquals(0, QelScanApi.QelScanUV(windows(files[3]), images[0], lengths[0], 2));
        decoded.add(memoryImage(images[0], lengths[0][0], true));
        assertEquals(0, QelScanApi.QelScanLong(windows(files[1]), null, null, 2));
        decoded.add(Images.decode(files[1]));
        assertEquals(List.of(1200, 600, 1200, 600, 600, 1200, 600, 600, 2400),
                decoded.stream().map(Images.Decoded::width).toList());
        QelScanApi.MirbExit();

        // The example hopper, read as the next session opens.
        for (String name : new String[] {"checks.hopper", "pattern-front.tif", "pattern-back.jpg"}) {
            Files.copy(Path.of(System.getProperty("qelscan.example"), name),
                    dir.resolve(name.equals("checks.hopper") ? "hopper" : name), StandardCopyOption.REPLACE_EXISTING);
        }
        assertEquals(0, QelScanApi.MirbInit());
        StringBuilder steps = new StringBuilder();
        for (int result = 0; result != -102;) {
            code[0] = "";
            result = QelScanApi.QelScanToFile(null, null, null, null, code, new int[1], new int[1], null);
            String line = code[0].length() < 8 ? "" : code[0].substring(0, 8);
            if (steps.length() > 0 || line.equals("U002101U")) {
                steps.append(' ').append(result).append(line.isEmpty() ? "" : ":" + line);
            }
            if (result == -110 || result == -111) {
                QelScanApi.MirbClearDocument();
            } else if (result == -112) {
                QelScanApi.MirbExit();
                QelScanApi.MirbInit();
            }
        }
        QelScanApi.MirbExit();
        assertEquals(" 0:U002101U 0:U002102U 0:U002103U -110 0:U002105U -111 0:U002108U 0:U002109U 0:U002110U "
                + "-113:U002111U -112 0:U002112U 0:U002113U -111 -102", steps.toString());
    }
}
