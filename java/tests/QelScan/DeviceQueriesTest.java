package QelScan;

import static QelScan.LogFiles.callLine;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;
import org.junit.jupiter.api.io.TempDir;

/** Parameters, configuration files, status and identity in a real JVM against the virtual scanner. */
class DeviceQueriesTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    @RegisterExtension
    final ScannerSession session = new ScannerSession();

    // The virtual scanner's own codes, which must come back unchanged.
    private static final int NO_DOCUMENT = -102;
    private static final int FILE_ERROR = -104;
    private static final int NULL_SELECTOR = -1;

    @Test
    void parametersAreSetAndReadBackByNumberAndAsText() throws Exception {
        logs.switchOn(logs.info, logs.error);
        assertEquals(0, QelScanApi.MirbSetParam(12, -40000));
        assertEquals(-40000, QelScanApi.MirbGetParam(12));
        String text = "Filiale Süd " + "x".repeat(200);
        assertEquals(0, QelScanApi.MirbSetParamString(13, text));
        assertEquals(text, QelScanApi.MirbGetParamString(13));
        assertNull(QelScanApi.MirbGetParamString(NULL_SELECTOR));

        List<String> info = logs.texts(logs.info);
        assertTrue(info.contains("cap = " + text), info::toString);
        assertTrue(info.contains("pacParameter is NULL"), info::toString);
        assertEquals(List.of(callLine("MirbSetParam"), callLine("MirbGetParam"), callLine("MirbSetParamString"),
                callLine("MirbGetParamString"), callLine("MirbGetParamString")), logs.texts(logs.error));
    }

    @Test
    void aConfigurationWrittenChangedAndReadBackRestoresTheWrittenState(@TempDir Path dir) throws Exception {
        String file = dir.resolve("branch.cfg").toString();
        QelScanApi.MirbSetParam(3, 77);
        QelScanApi.MirbSetParamString(4, "endorse");
        assertEquals(0, QelScanApi.MirbWriteConfig(file));
        assertTrue(Files.size(Path.of(file)) > 0);

        QelScanApi.MirbSetParam(3, 1);
        QelScanApi.MirbSetParamString(4, "changed");
        logs.switchOn(logs.info);
        assertEquals(0, QelScanApi.MirbReadConfig(file));
        assertEquals(77, QelScanApi.MirbGetParam(3));
        assertEquals("endorse", QelScanApi.MirbGetParamString(4));
        assertEquals(List.of(callLine("MirbReadConfig"), "cap = " + file), logs.texts(logs.info).subList(0, 2));

        assertEquals(FILE_ERROR, QelScanApi.MirbReadConfig(dir.resolve("missing.cfg").toString()));
        assertEquals(-1, QelScanApi.MirbWriteConfig(null));
    }

    @Test
    void passThroughsReturnTheLibrarysAnswersUnchanged() {
        assertEquals(1512, QelScanApi.QelApiVersion());
        assertEquals(4, QelScanApi.GetScannerType());
        assertEquals(0x16, QelScanApi.QelApiSupportedScanners());
        // Ready, with the default stack in the hopper.
        assertEquals(0x0005, QelScanApi.MirbStatus());
        assertEquals(0x0005, QelScanApi.MirbStatusDelay(5, 0));
        assertEquals(NO_DOCUMENT, QelScanApi.MirbEjectDocument());
        assertEquals(0, QelScanApi.MirbClearDocument());
    }

    @Test
    void identityQueriesFillElementZeroAndLeaveTheRestAlone() throws Exception {
        logs.switchOn(logs.info, logs.error);
        int[] vid = {-9, -9};
        int[] pid = {-9};
        assertEquals(1, QelScanApi.IsQelUsbScannerAvailable(vid, pid));
        assertArrayEquals(new int[] {0xF055, -9}, vid);
        assertArrayEquals(new int[] {0x5C4E}, pid);

        int[] adapter = {0, 5};
        int[] target = {0};
        String[] vendor = {"", "keep"};
        String[] product = {""};
        String[] release = {""};
        assertEquals(0, QelScanApi.MirbGetScannerInfo(adapter, target, vendor, product, release, 0));
        assertArrayEquals(new int[] {200, 5}, adapter);
        assertArrayEquals(new int[] {7}, target);
        assertArrayEquals(new String[] {"QEL Virtual", "keep"}, vendor);
        assertEquals("MIRB Virtual Check Scanner", product[0]);
        assertEquals("15.12", release[0]);

        String[] serial = {""};
        int[] documentNumber = {0, 3};
        int[] time = {0};
        assertEquals(0, QelScanApi.MirbGetScannerSerialNumber(serial, documentNumber, time));
        assertEquals("QELVIRT-0001512", serial[0]);
        assertEquals(3, documentNumber[1]);
        assertTrue(time[0] != 0);

        List<String> info = logs.texts(logs.info);
        assertTrue(info.contains("Adapter ID = 200"), info::toString);
        assertTrue(info.contains("Product = MIRB Virtual Check Scanner"), info::toString);
        assertTrue(info.contains("SerialNumber = QELVIRT-0001512"), info::toString);
        assertEquals(List.of(callLine("IsQelUsbScannerAvailable"), callLine("MirbGetScannerInfo"),
                callLine("MirbGetScannerSerialNumber")), logs.texts(logs.error));
    }

    @Test
    void unusableOutputArraysAreRefusedAndAnEmptyTextArrayThrows() throws Exception {
        logs.switchOn(logs.info, logs.error);
        String[] vendor = {null};
        int[] adapter = {42};
        assertEquals(-1, QelScanApi.MirbGetScannerInfo(adapter, new int[1], vendor, new String[] {""},
                new String[] {""}, 0));
        assertArrayEquals(new int[] {42}, adapter);
        assertEquals(-1, QelScanApi.IsQelUsbScannerAvailable(new int[0], new int[1]));
        assertThrows(ArrayIndexOutOfBoundsException.class,
                () -> QelScanApi.MirbGetScannerSerialNumber(new String[0], new int[1], new int[1]));

        List<String> errors = logs.texts(logs.error);
        assertEquals(List.of(callLine("MirbGetScannerInfo"), "Get Vendor input info error",
                callLine("IsQelUsbScannerAvailable"), "Get aiQELProductVID input info error",
                callLine("MirbGetScannerSerialNumber"), "Get SerialNumber input info error"), errors);
    }
}
