package QelScan;

import static QelScan.Images.BILEVEL_TIFF;
import static QelScan.Images.GRAY_JPEG;
import static QelScan.Images.decode;
import static QelScan.LogFiles.callLine;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.Map;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;
import org.junit.jupiter.api.io.TempDir;

/**
 * The three scans to files over the virtual scanner's default stack, every
 * image opened with the JDK's own readers.
 */
class ScanToFilesTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    @RegisterExtension
    final ScannerSession session = new ScannerSession();

    private static final int NO_DOCUMENT = -102;

    @Test
    void everyCheckOfTheDefaultStackScansToFilesAndDecodes(@TempDir Path dir) throws Exception {
        List<String> stack = VirtualStack.CODE_LINES;
        for (int i = 0; i < stack.size(); i++) {
            String expected = stack.get(i);
            Path front = dir.resolve(i + "-front.tif");
            Path back = dir.resolve(i + "-back.tif");
            Path frontJpeg = dir.resolve(i + "-front.jpg");
            Path backJpeg = dir.resolve(i + "-back.jpg");
            String[] code = {""};
            switch (i % 3) {
                case 0 -> {
                    String[] frontLen = {""};
                    String[] backLen = {"", "keep"};
                    String[] codeLen = {""};
                    assertEquals(0, QelScanApi.MirbScan(0, front.toString(), frontLen, back.toString(), backLen,
                            code, codeLen));
                    assertEquals(Long.toString(Files.size(front)), frontLen[0]);
                    assertArrayEquals(new String[] {Long.toString(Files.size(back)), "keep"}, backLen);
                    assertEquals(Integer.toString(expected.length()), codeLen[0]);
                    assertEquals(BILEVEL_TIFF, decode(front));
                    assertEquals(BILEVEL_TIFF, decode(back));
                }
                case 1 -> {
                    String[] frontLen = {""};
                    assertEquals(0, QelScanApi.MirbScanGray(0, frontJpeg.toString(), frontLen, null, null, code,
                            new String[] {""}, 0));
                    assertEquals(Long.toString(Files.size(frontJpeg)), frontLen[0]);
                    assertEquals(GRAY_JPEG, decode(frontJpeg));
                }
                default -> {
                    int[] quality = {-1};
                    int[] contrast = {-1};
                    int[] status = new int[32];
                    assertEquals(0, QelScanApi.QelScanToFile(front.toString(), back.toString(),
                            frontJpeg.toString(), backJpeg.toString(), code, quality, contrast, status));
                    assertTrue(quality[0] >= 0 && contrast[0] >= 0, quality[0] + " / " + contrast[0]);
                    assertEquals(1, status[0], "a document was scanned");
                    for (Path image : List.of(front, back)) {
                        assertEquals(BILEVEL_TIFF, decode(image));
                    }
                    for (Path image : List.of(frontJpeg, backJpeg)) {
                        assertEquals(GRAY_JPEG, decode(image));
                    }
                }
            }
            assertEquals(expected, code[0], "document " + i);
        }
        assertEquals(NO_DOCUMENT, QelScanApi.QelScanToFile(null, null, null, null, new String[] {""}, new int[1],
                new int[1], null));
    }

    @Test
    void refusedScansLeaveTheCallersArraysAndTheStackAlone(@TempDir Path dir) throws Exception {
        logs.switchOn(logs.info, logs.error);
        String front = dir.resolve("front.tif").toString();
        String[] code = {"old"};
        assertEquals(-1, QelScanApi.MirbScan(0, front, new String[0], null, null, code, new String[] {""}));
        assertEquals(-1, QelScanApi.MirbScanGray(0, null, null, null, null, code, null, 0));
        int[] status = new int[31];
        assertEquals(-1, QelScanApi.QelScanToFile(front, null, null, null, code, new int[1], new int[1], status));
        assertArrayEquals(new String[] {"old"}, code);
        assertTrue(Files.notExists(dir.resolve("front.tif")));
        assertEquals(List.of(callLine("MirbScan"), "Array of Front Length < 1", callLine("MirbScanGray"),
                "Array of MICR Length < 1", callLine("QelScanToFile"),
                "DocStatus buffer must be at least 32 interger"), logs.texts(logs.error));

        assertEquals(0, QelScanApi.MirbScan(0, null, null, null, null, code, new String[] {""}));
        assertEquals(VirtualStack.CODE_LINES.get(0), code[0]);
    }

    @Test
    void theFullScanPrintsTheWantedNamesInOrderWithTheCallersOwnLines(@TempDir Path dir) throws Exception {
        String front = dir.resolve("front.tif").toString();
        String frontJpeg = dir.resolve("front.jpg").toString();
        ChildJvm.Result child = ChildJvm.run(Map.of(), ScanToFileProbe.class.getName(), front, frontJpeg);
        assertEquals(0, child.exitCode(), child.output());
        assertEquals(List.of("before the scan", "pcFrontTiffFileName = " + front,
                "pcFrontJPEGFileName = " + frontJpeg, "pcBackJPEGFileName = ", "after the scan: 0"),
                child.output().lines().toList());
        assertEquals(BILEVEL_TIFF, decode(Path.of(front)));
        assertEquals(GRAY_JPEG, decode(Path.of(frontJpeg)));
    }
}
