package QelScan;

import static QelScan.Images.decode;
import static QelScan.LogFiles.callLine;
import static org.junit.jupiter.api.Assertions.assertEquals;

import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.file.Path;
import java.util.List;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.ValueSource;

/** UV and long-document scans, special documents and the code-line reread, against the virtual scanner. */
class UvLongAndRegistrationTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    @RegisterExtension
    final ScannerSession session = new ScannerSession();

    // The virtual scanner's document status slot of a matching special document.
    private static final int SPECIAL_STATUS = 1;

    /** The image of a memory buffer: the stream behind the header, as long as reported. */
    private static Images.Decoded decodeMemoryImage(byte[] image, int length) throws Exception {
        int headerBytes = ByteBuffer.wrap(image).order(ByteOrder.LITTLE_ENDIAN).getShort(8);
        return decode(image, headerBytes, length - headerBytes);
    }

    @ParameterizedTest
    @ValueSource(ints = {0, 1, 2})
    void uvAndLongImagesGoToAFileAndIntoMemoryAlike(int formatComp, @TempDir Path dir) throws Exception {
        Path uv = dir.resolve("uv.img");
        byte[] image = new byte[1048576];
        int[] size = {-1, 5};
        assertEquals(0, QelScanApi.QelScanUV(uv.toString(), image, size, formatComp));
        assertEquals(5, size[1]);
        Images.Decoded uvFile = decode(uv);
        assertEquals(List.of(600, 275, 8), List.of(uvFile.width(), uvFile.height(), uvFile.bits()));
        assertEquals(uvFile, decodeMemoryImage(image, size[0]));

        Path longFile = dir.resolve("long.img");
        assertEquals(0, QelScanApi.QelScanLong(longFile.toString(), null, null, formatComp));
        Images.Decoded longImage = decode(longFile);
        assertEquals(List.of(2400, 550, 1), List.of(longImage.width(), longImage.height(), longImage.bits()));
    }

    @Test
    void aRegisteredSpecialDocumentIsReportedInTheStatusOfItsScan(@TempDir Path dir) throws Exception {
        logs.switchOn(logs.info, logs.error);
        // The second check of the default stack: routing 111992489, account 7031845526.
        assertEquals(0, QelScanApi.QelScanSetSpecialDocument(1, 0, "249239726", "0000000000", 0, 0, 0, 0));
        assertEquals(0, QelScanApi.QelScanSetSpecialDocumentEx(2, 0, "111992489", "7031845526", 0, 0, 0, 0, 0, 0,
                0, 0, 0, 0));
        assertEquals(-1, QelScanApi.QelScanSetSpecialDocument(1, 0, null, "1", 0, 0, 0, 0));

        int[] expected = {0, 2};
        for (int document = 0; document < 2; document++) {
            String[] code = {""};
            int[] status = new int[32];
            assertEquals(0, QelScanApi.QelScanToFile(null, null, null, null, code, new int[1], new int[1], status));
            assertEquals(VirtualStack.CODE_LINES.get(document), code[0]);
            assertEquals(expected[document], status[SPECIAL_STATUS], code[0]);
        }
        List<String> info = logs.texts(logs.info);
        assertEquals(List.of("Java_QelScan_QelScanApi_QelScanSetSpecialDocumentEx()", "acRouting = 111992489",
                "acAccount = 7031845526"), info.subList(3, 6));
        assertEquals(List.of("Java_QelScan_QelScanApi_QelScanSetSpecialDocument()",
                "Java_QelScan_QelScanApi_QelScanSetSpecialDocumentEx()",
                "Java_QelScan_QelScanApi_QelScanSetSpecialDocument()", "Routing string is NULL error"),
                logs.texts(logs.error).subList(0, 4));
    }

    @Test
    void theCodeLineRereadAfterAScanIsTheOneTheScanReturned() throws Exception {
        logs.switchOn(logs.error);
        String[] scanned = {""};
        assertEquals(0, QelScanApi.MirbScan(0, null, null, null, null, scanned, new String[] {""}));
        String[] code = {"", "keep"};
        String[] confidence = {""};
        assertEquals(0, QelScanApi.QelScanGetOcrMicr(code, confidence));
        assertEquals(List.of(scanned[0], "keep"), List.of(code));
        assertEquals(scanned[0].length(), confidence[0].length(), confidence[0]);
        assertEquals(-1, QelScanApi.QelScanGetOcrMicr(code, new String[] {null}));
        assertEquals(List.of(callLine("MirbScan"), callLine("QelScanGetOcrMicr"), callLine("QelScanGetOcrMicr"),
                "Get MICRConf error"), logs.texts(logs.error));
    }
}
