package QelScan.tool;

import QelScan.QelScanApi;
import java.io.File;
import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Option;
import picocli.CommandLine.Spec;

/** What the scanner library and the scanner say of themselves. */
@Command(name = "info",
        description = {"Shows the scanner library's version and whether the bridge accepts it, the scanner type, "
                + "the supported scanners, the USB scanner, the scanner's identity, serial number and status.",
            "Status bits, scanner types and result codes are put into words only when the library says it is "
                    + "the virtual scanner; with any other library they are shown as numbers."})
final class InfoCommand implements Callable<Integer> {

    @Spec
    CommandSpec spec;

    @Option(names = "--config", paramLabel = "FILE", description = "Load the scanner settings of FILE first.")
    File config;

    private boolean failed;

    @Override
    public Integer call() throws Failure {
        int version = QelScanApi.QelApiVersion();
        row("Library version", String.format("%s (%d): %s", Session.versionText(version), version,
                version >= Session.MINIMUM_VERSION ? "accepted, the bridge needs 15.12 or later"
                        : "refused, the bridge opens no session with a library older than 15.12"));
        int supported = QelScanApi.QelApiSupportedScanners();
        int[] vendorId = {0};
        int[] productId = {0};
        int usb = QelScanApi.IsQelUsbScannerAvailable(vendorId, productId);

        Session session;
        try {
            session = Session.open(config);
        } catch (Failure e) {
            row("Supported scanners", hex(supported, 2));
            usbRow(usb, vendorId[0], productId[0], false);
            throw e;
        }
        try (Session opened = session) {
            describe(opened, supported, usb, vendorId[0], productId[0]);
        }
        if (failed) {
            throw new Failure("some of the scanner's answers are missing (above)");
        }
        return Main.OK;
    }

    /** The rows that need the session. */
    private void describe(Session session, int supported, int usb, int vendorId, int productId) {
        boolean virtual = session.virtual;
        row("Supported scanners", hex(supported, 2)
                + (virtual ? ": " + VirtualScanner.supportedTypes(supported) + meanings() : ""));
        usbRow(usb, vendorId, productId, virtual);
        row("Session", "opened" + (session.initResult != 0 ? " (MirbInit " + session.initResult + ")" : ""));

        int type = QelScanApi.GetScannerType();
        row("Scanner type", type + (virtual ? ", the virtual scanner's own type" : ""));

        if (session.infoResult == 0) {
            row("Scanner", String.format("adapter %d, target %d, vendor \"%s\", product \"%s\", release \"%s\"",
                    session.adapter, session.target, session.vendor, session.product, session.release));
        } else {
            failedRow(session, "Scanner", "MirbGetScannerInfo", session.infoResult);
        }

        String[] serial = {""};
        int[] documentNumber = {0};
        int[] time = {0};
        int serialResult = QelScanApi.MirbGetScannerSerialNumber(serial, documentNumber, time);
        if (serialResult == 0) {
            row("Serial number", String.format("%s, document number %s, time %s", serial[0],
                    Integer.toUnsignedString(documentNumber[0]), Integer.toUnsignedString(time[0])
                            + (virtual ? " = " + VirtualScanner.time(time[0]) + meanings() : "")));
        } else {
            failedRow(session, "Serial number", "MirbGetScannerSerialNumber", serialResult);
        }

        int status = QelScanApi.MirbStatus();
        if (virtual && status < 0) {
            failedRow(session, "Status", "MirbStatus", status);
        } else {
            row("Status", hex(status, 4) + (status < 0 ? " (" + status + ")" : "")
                    + (virtual ? ": " + VirtualScanner.status(status) + meanings() : ""));
        }

        row("Meanings", virtual
                ? "the library says it is the virtual scanner (\"" + session.vendor + "\", \"" + session.product
                        + "\"), so its numbers are decoded with " + VirtualScanner.MEANINGS
                : "numbers only: the library is not the virtual scanner, the only one whose meanings "
                        + "qelscan knows");
    }

    private void usbRow(int result, int vendorId, int productId, boolean virtual) {
        String ids = String.format("vendor id 0x%04X, product id 0x%04X", vendorId, productId);
        if (result > 0) {
            row("USB scanner", "present (" + result + "), " + ids);
        } else if (result == 0) {
            row("USB scanner", "none present, " + ids);
        } else {
            failed = true;
            row("USB scanner", "IsQelUsbScannerAvailable returned " + result + ", "
                    + Session.meaning(result, virtual));
        }
    }

    private void failedRow(Session session, String label, String call, int result) {
        failed = true;
        row(label, call + " returned " + result + ", " + Session.meaning(result, session.virtual));
    }

    private static String meanings() {
        return " (" + VirtualScanner.MEANINGS + ")";
    }

    private static String hex(int value, int digits) {
        return String.format("0x%0" + digits + "X", value);
    }

    private void row(String label, String value) {
        spec.commandLine().getOut().println(String.format("%-19s %s", label, value));
    }
}
