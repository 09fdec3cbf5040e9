package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.util.Map;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;

/** The demo as an operator runs it, with the log files not there yet. */
class DemoTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    @Test
    void theDemoSwitchesTracingOnAndShowsTheSessionAndTheLibraryVersion() throws Exception {
        ChildJvm.Result demo = ChildJvm.run(Map.of(), Demo.class.getName(), logs.dir.toString());
        String out = demo.output();
        assertEquals(0, demo.exitCode(), out);
        assertTrue(Files.isRegularFile(logs.info) && Files.isRegularFile(logs.error), out);
        assertTrue(out.contains("Created " + logs.info), out);
        assertTrue(out.contains("Created " + logs.error), out);
        assertTrue(out.contains("--->QelScanApi JNI Version = 1.0.0.0"), out);
        assertTrue(out.contains("--->Calling Java_QelScan_QelScanApi_MirbExit()"), out);
        assertTrue(out.contains("Scanner library version: 15.12"), out);
    }

    @Test
    void theDemoFailsWhenTheSessionDoesNotOpen() throws Exception {
        logs.switchOn(logs.info, logs.error);
        ChildJvm.Result demo = ChildJvm.run(Map.of("MIRB_VIRTUAL_INIT_RESULT", "-7"), Demo.class.getName(),
                logs.dir.toString());
        assertEquals(1, demo.exitCode(), demo.output());
        // The session never opened, so the demo does not go on to close it.
        assertEquals(3, logs.texts(logs.info).size(), demo.output());
    }
}
