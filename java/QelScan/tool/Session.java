package QelScan.tool;

import QelScan.QelScanApi;
import java.io.File;

/**
 * One scanner session, what the library says it is, and the failures of
 * calls made in it.
 */
final class Session implements AutoCloseable {

    /** The bridge refuses to open a session on an older library. */
    static final int MINIMUM_VERSION = 1512;

    final int initResult;
    /** The result of MirbGetScannerInfo, and its answers when that is 0. */
    final int infoResult;
    final int adapter;
    final int target;
    final String vendor;
    final String product;
    final String release;
    /** Numbers are put into words only for the virtual scanner, whose meanings the tool knows. */
    final boolean virtual;
    private boolean open = true;

    private Session(int initResult) {
        this.initResult = initResult;
        int[] adapterId = {0};
        int[] targetId = {0};
        String[] vendorText = {""};
        String[] productText = {""};
        String[] releaseText = {""};
        infoResult = QelScanApi.MirbGetScannerInfo(adapterId, targetId, vendorText, productText, releaseText, 0);
        adapter = adapterId[0];
        target = targetId[0];
        vendor = vendorText[0];
        product = productText[0];
        release = releaseText[0];
        virtual = infoResult == 0 && VirtualScanner.is(vendor, product);
    }

    /** Opens the session and, when {@code config} is given, loads the settings of that file. */
    static Session open(File config) throws Failure {
        int result = QelScanApi.MirbInit();
        if (result < 0) {
            throw openFailure(result);
        }
        Session session = new Session(result);
        if (config != null) {
            try {
                session.check("Loading the settings of " + config, "MirbReadConfig",
                        QelScanApi.MirbReadConfig(config.getPath()));
            } catch (Failure e) {
                session.closeQuietly();
                throw e;
            }
        }
        return session;
    }

    /**
     * Why the session did not open. Without a session the library cannot say
     * what it is, so its code stays a number.
     */
    static Failure openFailure(int result) {
        // Before asking the version, whose call is traced too.
        String last = TraceFiles.lastErrorLine();
        if (result == -1) {
            int version = QelScanApi.QelApiVersion();
            if (version < MINIMUM_VERSION) {
                return failure(String.format("Opening the session failed: MirbInit returned -1, the bridge's "
                        + "refusal: the scanner library's version %s is older than 15.12", versionText(version)),
                        false, last);
            }
        }
        return failure("Opening the session failed: MirbInit returned " + result + ", "
                + (result == -1 ? meaning(-1, false)
                        : "the scanner library's own code (it cannot say what it is without a session, "
                                + "so the code is not decoded)"),
                result == -1, last);
    }

    /** A failure unless {@code result} is 0. */
    void check(String what, String call, int result) throws Failure {
        if (result != 0) {
            throw failure(what, call, result);
        }
    }

    Failure failure(String what, String call, int result) {
        return failure(what + " failed: " + call + " returned " + result + ", " + meaning(result, virtual),
                result == -1);
    }

    /** A failure without a result code, such as a missing answer. */
    Failure failure(String message) {
        return failure(message, false);
    }

    private static Failure failure(String message, boolean refusedByBridge) {
        return failure(message, refusedByBridge, TraceFiles.lastErrorLine());
    }

    private static Failure failure(String message, boolean refusedByBridge, String last) {
        StringBuilder text = new StringBuilder(message).append('.');
        if (last != null) {
            text.append(System.lineSeparator()).append("  last line of the error log ")
                    .append(TraceFiles.ERROR).append(": ").append(last);
        } else if (refusedByBridge) {
            text.append(System.lineSeparator())
                    .append("  The bridge's error log says what it refused: switch tracing on with "
                            + "'qelscan trace on' and run again.");
        }
        return new Failure(text.toString());
    }

    static String meaning(int result, boolean virtual) {
        if (result == -1) {
            return "the bridge refused the call before the scanner library was reached "
                    + "(an argument it cannot pass on, such as a text or file name longer than 255 bytes)";
        }
        if (virtual) {
            String known = VirtualScanner.result(result);
            return known != null ? "the virtual scanner's " + known : "not a code of the virtual scanner";
        }
        return "the scanner library's own code (only the virtual scanner's codes are decoded here)";
    }

    /** 1512 stands for 15.12. */
    static String versionText(int number) {
        return number < 0 ? Integer.toString(number) : String.format("%d.%02d", number / 100, number % 100);
    }

    String identity() {
        return infoResult != 0 ? "a scanner that did not say what it is (MirbGetScannerInfo " + infoResult + ")"
                : vendor + " " + product + " " + release;
    }

    /** Closes the session; a failure to close is reported like any other. */
    @Override
    public void close() throws Failure {
        if (open) {
            open = false;
            check("Closing the session", "MirbExit", QelScanApi.MirbExit());
        }
    }

    void closeQuietly() {
        if (open) {
            open = false;
            QelScanApi.MirbExit();
        }
    }
}
