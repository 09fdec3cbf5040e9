package QelScan;

import static QelScan.LogFiles.callLine;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;

import java.nio.file.Files;
import java.time.LocalDateTime;
import java.time.temporal.ChronoUnit;
import java.util.List;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;

/** The session methods in a real JVM, against the virtual scanner, read through the real log files. */
class SessionTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    private static final String JNI_VERSION = "QelScanApi JNI Version = 1.0.0.0";
    private static final String LIBRARY_VERSION = "MirbApi Version = 1512";
    // The virtual scanner's own codes, which must come back unchanged.
    private static final int NOT_INITIALISED = -101;
    private static final int DLL_PATH = 900;
    private static final int INI_FILE = 901;
    private static final int CFG_FILE = 902;

    /** Every test starts without a session; the log files are absent at this point. */
    @BeforeEach
    void closeSession() {
        QelScanApi.MirbExit();
    }

    @Test
    void initChecksTheVersionOpensTheSessionAndStampsBothLogsAlike() throws Exception {
        logs.switchOn(logs.info, logs.error);
        LocalDateTime before = LocalDateTime.now().truncatedTo(ChronoUnit.MILLIS);
        int result = QelScanApi.MirbInit();
        LocalDateTime after = LocalDateTime.now();
        assertEquals(0, result);
        assertEquals(0, QelScanApi.MirbExit());

        List<LogFiles.Entry> info = logs.entries(logs.info);
        List<LogFiles.Entry> error = logs.entries(logs.error);
        List<String> expected = List.of(callLine("MirbInit"), JNI_VERSION, LIBRARY_VERSION, callLine("MirbExit"));
        assertEquals(expected, logs.texts(logs.info));
        assertEquals(expected, logs.texts(logs.error));
        for (int i = 0; i < 3; i++) {
            LocalDateTime stamp = info.get(i).stamp();
            assertEquals(stamp, error.get(i).stamp(), "one time stamp for both logs: " + info.get(i).text());
            assertFalse(stamp.isBefore(before) || stamp.isAfter(after), stamp + " is not local time now");
        }
    }

    @Test
    void debugAndExitWriteOnlyTheirCallLinesAndReturnTheLibraryResult() throws Exception {
        logs.switchOn(logs.info, logs.error);
        assertEquals(0, QelScanApi.MirbDebug(3));
        assertEquals(NOT_INITIALISED, QelScanApi.MirbExit());

        List<String> expected = List.of(callLine("MirbDebug"), callLine("MirbExit"));
        assertEquals(expected, logs.texts(logs.info));
        assertEquals(expected, logs.texts(logs.error));
    }

    @Test
    void initPathTracesItsThreeTextsInTheInformationLogOnly() throws Exception {
        logs.switchOn(logs.info, logs.error);
        // A non-ASCII name reaches the log as its UTF-8 bytes.
        assertEquals(0, QelScanApi.MirbInitPath("/opt/scanner/lib", "scanner.ini", "Filiale-Süd.cfg"));
        assertEquals("Filiale-Süd.cfg", QelScanApi.MirbGetParamString(CFG_FILE));

        assertEquals(List.of(callLine("MirbInitPath"), "capPath = /opt/scanner/lib",
                "capIniFileName = scanner.ini", "capCfgFileName = Filiale-Süd.cfg"),
                logs.texts(logs.info).subList(0, 4));
        assertEquals(callLine("MirbInitPath"), logs.texts(logs.error).get(0));
        assertFalse(logs.texts(logs.error).stream().anyMatch(t -> t.startsWith("cap")));
    }

    @Test
    void initPathRefusesAMissingOrOverlongTextBeforeTheLibrary() throws Exception {
        logs.switchOn(logs.info, logs.error);
        assertEquals(-1, QelScanApi.MirbInitPath("/opt/scanner/lib", null, "scanner.cfg"));
        assertEquals(List.of(callLine("MirbInitPath"), "capPath = /opt/scanner/lib"), logs.texts(logs.info));
        assertEquals(List.of(callLine("MirbInitPath"), "Get sIniFileName error"), logs.texts(logs.error));

        logs.switchOn(logs.info, logs.error);
        assertEquals(-1, QelScanApi.MirbInitPath("/opt/scanner/lib", "scanner.ini", "c".repeat(256)));
        assertEquals(List.of(callLine("MirbInitPath"), "sCfgFileName is longer than 255 bytes error"),
                logs.texts(logs.error));
        assertFalse(logs.texts(logs.info).stream().anyMatch(t -> t.startsWith("capCfgFileName")));
        // The library was not reached, so no session was opened.
        assertEquals(NOT_INITIALISED, QelScanApi.MirbExit());
    }

    @Test
    void initPathHandsTheLongestTextsWholeToTheLibraryAndCutsOnlyTheLogLines() throws Exception {
        logs.switchOn(logs.info, logs.error);
        String path = "p".repeat(255);
        String ini = "i".repeat(255);
        String cfg = "c".repeat(255);
        assertEquals(0, QelScanApi.MirbInitPath(path, ini, cfg));
        assertEquals(List.of(path, ini, cfg), List.of(QelScanApi.MirbGetParamString(DLL_PATH),
                QelScanApi.MirbGetParamString(INI_FILE), QelScanApi.MirbGetParamString(CFG_FILE)));

        assertEquals(List.of(("capPath = " + path).substring(0, 255), ("capIniFileName = " + ini).substring(0, 255),
                ("capCfgFileName = " + cfg).substring(0, 255)), logs.texts(logs.info).subList(1, 4));
    }

    @Test
    void withoutLogFilesNothingIsCreatedAndTheResultsStayTheSame() {
        assertEquals(0, QelScanApi.MirbInit());
        assertEquals(0, QelScanApi.MirbDebug(1));
        assertEquals(0, QelScanApi.MirbInitPath("/opt/scanner/lib", "scanner.ini", "scanner.cfg"));
        assertEquals(-1, QelScanApi.MirbInitPath("/opt/scanner/lib", null, "scanner.cfg"));
        assertEquals(0, QelScanApi.MirbExit());
        assertFalse(Files.exists(logs.info));
        assertFalse(Files.exists(logs.error));
    }

    @Test
    void anErrorLogAloneGetsTheCallAndVersionLinesButNoInformation() throws Exception {
        logs.switchOn(logs.error);
        assertEquals(0, QelScanApi.MirbInit());
        assertEquals(0, QelScanApi.MirbInitPath("/opt/scanner/lib", "scanner.ini", "scanner.cfg"));

        assertEquals(List.of(callLine("MirbInit"), JNI_VERSION, LIBRARY_VERSION, callLine("MirbInitPath")),
                logs.texts(logs.error));
        assertFalse(Files.exists(logs.info));
    }

    @Test
    void deletingAndRecreatingALogFileSwitchesItsTracingAtOnce() throws Exception {
        logs.switchOn(logs.info, logs.error);
        QelScanApi.MirbDebug(1);
        logs.switchOff(logs.info);
        QelScanApi.MirbDebug(2);
        assertFalse(Files.exists(logs.info));
        logs.switchOn(logs.info);
        QelScanApi.MirbExit();

        assertEquals(List.of(callLine("MirbExit")), logs.texts(logs.info));
        assertEquals(List.of(callLine("MirbDebug"), callLine("MirbDebug"), callLine("MirbExit")),
                logs.texts(logs.error));
    }
}
