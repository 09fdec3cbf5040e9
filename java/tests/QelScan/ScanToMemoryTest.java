package QelScan;

import static QelScan.Images.BILEVEL_TIFF;
import static QelScan.Images.GRAY_JPEG;
import static QelScan.Images.decode;
import static QelScan.LogFiles.callLine;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;

import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.util.Arrays;
import java.util.List;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;

/**
 * The three scans into Java byte arrays over the virtual scanner's default
 * stack: every image decoded by the JDK from exactly the bytes reported.
 */
class ScanToMemoryTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    @RegisterExtension
    final ScannerSession session = new ScannerSession();

    private static final int MINIMUM = 1048576;
    private static final byte UNTOUCHED = 0x5A;

    private static byte[] buffer() {
        byte[] buffer = new byte[MINIMUM];
        Arrays.fill(buffer, UNTOUCHED);
        return buffer;
    }

    /** Nothing past the reported length was written: the image ends there. */
    private static void assertEndsAt(byte[] buffer, int length) {
        for (int i = length; i < Math.min(buffer.length, length + 4096); i++) {
            assertEquals(UNTOUCHED, buffer[i], "byte " + i + " behind an image of " + length);
        }
    }

    /** A scan to memory's image: the header, then the stream it describes. */
    private static Images.Decoded decodeMemoryImage(byte[] image, int length) throws Exception {
        ByteBuffer header = ByteBuffer.wrap(image).order(ByteOrder.LITTLE_ENDIAN);
        int headerBytes = header.getShort(8);
        assertEquals(length, headerBytes + header.getInt(12), "header and stream make up the length");
        assertEndsAt(image, length);
        Images.Decoded decoded = decode(image, headerBytes, length - headerBytes);
        assertEquals(List.of(decoded.width(), decoded.height(), decoded.bits()),
                List.of((int) header.getShort(0), (int) header.getShort(2), (int) header.getShort(4)));
        return decoded;
    }

    @Test
    void everyCheckOfTheDefaultStackScansIntoMemoryAndDecodes() throws Exception {
        List<String> stack = VirtualStack.CODE_LINES;
        for (int i = 0; i < stack.size(); i++) {
            String[] code = {""};
            switch (i % 3) {
                case 0 -> {
                    byte[] front = buffer();
                    byte[] back = buffer();
                    int[] frontLen = {-1, 11};
                    int[] backLen = {-1};
                    assertEquals(0, QelScanApi.MirbScanMemory(0, front, frontLen, back, backLen, code, 0));
                    assertEquals(11, frontLen[1]);
                    assertEquals(BILEVEL_TIFF, decodeMemoryImage(front, frontLen[0]));
                    assertEquals(BILEVEL_TIFF, decodeMemoryImage(back, backLen[0]));
                }
                case 1 -> {
                    byte[] front = buffer();
                    int[] frontLen = {-1};
                    assertEquals(0, QelScanApi.MirbScanMemoryGray(0, front, frontLen, null, null, code, 0, 0));
                    assertEquals(GRAY_JPEG, decodeMemoryImage(front, frontLen[0]));
                }
                default -> {
                    byte[][] images = {buffer(), buffer(), buffer(), buffer()};
                    int[][] lengths = {{-1, 11}, {-1}, {-1}, {-1}};
                    int[] quality = {-1};
                    int[] contrast = {-1};
                    int[] status = new int[32];
                    assertEquals(0, QelScanApi.QelScanToMemory(images[0], lengths[0], images[1], lengths[1],
                            images[2], lengths[2], images[3], lengths[3], code, quality, contrast, status));
                    assertEquals(11, lengths[0][1]);
                    assertEquals(1, status[0], "a document was scanned");
                    for (int k = 0; k < 4; k++) {
                        // Bare files, where a file name would have stood.
                        assertEndsAt(images[k], lengths[k][0]);
                        assertEquals(k < 2 ? BILEVEL_TIFF : GRAY_JPEG, decode(images[k], 0, lengths[k][0]));
                    }
                }
            }
            assertEquals(stack.get(i), code[0], "document " + i);
        }
    }

    @Test
    void aBufferOneByteShortIsRefusedAndTheMinimumIsAccepted() throws Exception {
        logs.switchOn(logs.info, logs.error);
        byte[] small = new byte[MINIMUM - 1];
        int[] length = {7};
        String[] code = {"old"};
        assertEquals(-1, QelScanApi.MirbScanMemory(0, small, length, null, null, code, 0));
        assertEquals(-1, QelScanApi.QelScanToMemory(null, null, null, null, null, null, small, length, code,
                new int[1], new int[1], null));
        assertArrayEquals(new int[] {7}, length);
        assertArrayEquals(new String[] {"old"}, code);
        assertEquals(List.of(callLine("MirbScanMemory"), "Front buffer size is less than 1048576",
                callLine("QelScanToMemory"), "Back JPEG buffer size is less than 1048576"), logs.texts(logs.error));

        byte[] exact = buffer();
        assertEquals(0, QelScanApi.MirbScanMemory(0, exact, length, null, null, code, 0));
        assertEquals(BILEVEL_TIFF, decodeMemoryImage(exact, length[0]));
        assertEquals(VirtualStack.CODE_LINES.get(0), code[0]);
    }
}
