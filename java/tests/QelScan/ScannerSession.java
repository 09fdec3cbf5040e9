package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;

import org.junit.jupiter.api.extension.AfterEachCallback;
import org.junit.jupiter.api.extension.BeforeEachCallback;
import org.junit.jupiter.api.extension.ExtensionContext;

/** A scanner session open for each test, on the virtual scanner's default stack. */
final class ScannerSession implements BeforeEachCallback, AfterEachCallback {

    @Override
    public void beforeEach(ExtensionContext context) {
        assertEquals(0, QelScanApi.MirbInit());
    }

    @Override
    public void afterEach(ExtensionContext context) {
        QelScanApi.MirbExit();
    }
}
