package QelScan;

import static QelScan.LogFiles.callLine;
import static org.junit.jupiter.api.Assertions.assertEquals;

import java.util.List;
import java.util.Map;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.ValueSource;

/** MirbInit against scanner libraries of other versions and results, each in its own JVM. */
class VersionGateTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    private static final String JNI_VERSION = "QelScanApi JNI Version = 1.0.0.0";
    private static final String REFUSAL = "Incorrect version of MirApi, only support version 15.12 or above";

    private int initWith(Map<String, String> environment) throws Exception {
        logs.switchOn(logs.info, logs.error);
        ChildJvm.Result child = ChildJvm.run(environment, InitProbe.class.getName());
        assertEquals(0, child.exitCode(), child.output());
        return InitProbe.resultIn(child.output());
    }

    private void assertBothLogs(List<String> expected) throws Exception {
        assertEquals(expected, logs.texts(logs.info));
        assertEquals(expected, logs.texts(logs.error));
    }

    // -1 would pass an unsigned comparison.
    @ParameterizedTest
    @ValueSource(ints = {1511, 0, -1})
    void aLibraryOlderThan1512IsRefusedWithoutOpeningTheSession(int version) throws Exception {
        assertEquals(-1, initWith(Map.of("MIRB_VIRTUAL_VERSION", Integer.toString(version),
                "MIRB_VIRTUAL_INIT_RESULT", "5")));
        assertBothLogs(List.of(callLine("MirbInit"), JNI_VERSION, "MirbApi Version = " + version, REFUSAL));
    }

    @Test
    void aNewerLibraryPassesAndItsOwnResultComesBackUnchanged() throws Exception {
        assertEquals(0, initWith(Map.of("MIRB_VIRTUAL_VERSION", "1600")));
        assertBothLogs(List.of(callLine("MirbInit"), JNI_VERSION, "MirbApi Version = 1600"));

        assertEquals(-7, initWith(Map.of("MIRB_VIRTUAL_INIT_RESULT", "-7")));
        assertBothLogs(List.of(callLine("MirbInit"), JNI_VERSION, "MirbApi Version = 1512"));
    }
}
