package QelScan.tool;

import QelScan.capture.Library;
import QelScan.capture.Scanner;
import QelScan.capture.ScannerException;
import QelScan.capture.Session;
import QelScan.capture.TraceFiles;
import QelScan.capture.VirtualScanner;
import java.nio.file.Path;
import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Option;

/** What the scanner library and the scanner say of themselves. */
@Command(name = "info",
        description = {"Shows the scanner library's version and whether the bridge accepts it, whether it runs "
                + "in this process or in a host process of its own, the scanner type, "
                + "the supported scanners, the USB scanner, the scanner's identity, serial number and status.",
            "Status bits, scanner types and result codes are put into words only when the library says it is "
                    + "the virtual scanner; with any other library they are shown as numbers."})
final class InfoCommand extends ToolCommand implements Callable<Integer> {

    /** A query of the scanner. */
    private interface Query {
        String answer() throws ScannerException;
    }

    @Option(names = "--config", paramLabel = "FILE", description = "Load the scanner settings of FILE first.")
    Path config;

    private boolean failed;

    @Override
    public Integer call() throws Failure {
        int version = Failure.doing("Asking the version", Library::version);
        row("Library version", String.format("%s (%d): %s", Session.versionText(version), version,
                version >= Scanner.MINIMUM_LIBRARY_VERSION ? "accepted, the bridge needs 15.12 or later"
                        : "refused, the bridge opens no session with a library older than 15.12"));
        row("Scanner library", LibraryPlace.describe());
        int supported = Failure.doing("Asking the supported scanners", Library::supportedScanners);
        // Asked before the session opens, which a scanner library may answer otherwise.
        String usb;
        try {
            Scanner.Usb answer = Library.usbScanner();
            usb = String.format("%s, vendor id 0x%04X, product id 0x%04X",
                    answer.present() ? "present (" + answer.result() + ")" : "none present", answer.vendorId(),
                    answer.productId());
        } catch (ScannerException e) {
            failed = true;
            usb = text(e);
        }

        Session session;
        try {
            session = Failure.openSession(config);
        } catch (Failure e) {
            row("Supported scanners", hex(supported, 2));
            row("USB scanner", usb);
            throw e;
        }
        try (Session opened = session) {
            describe(opened, supported, usb);
        } catch (ScannerException e) {
            throw new Failure("Closing the session", e);
        }
        if (failed) {
            throw new Failure("some of the scanner's answers are missing (above)");
        }
        return Main.OK;
    }

    /** The rows that need the session. */
    private void describe(Session session, int supported, String usb) {
        boolean virtual = session.isVirtual();
        row("Supported scanners", hex(supported, 2)
                + (virtual ? ": " + VirtualScanner.supportedTypes(supported) + meanings() : ""));
        row("USB scanner", usb);
        row("Session", "opened" + (session.openResult() != 0 ? " (MirbInit " + session.openResult() + ")" : ""));
        row("Scanner type", () -> session.scannerType() + (virtual ? ", the virtual scanner's own type" : ""));
        row("Scanner", () -> {
            Scanner.Info info = session.scannerInfo();
            return String.format("adapter %d, target %d, vendor \"%s\", product \"%s\", release \"%s\"",
                    info.adapter(), info.target(), info.vendor(), info.product(), info.release());
        });
        row("Serial number", () -> {
            Scanner.Serial serial = session.serialNumber();
            return String.format("%s, document number %d, time %d%s", serial.number(), serial.documentNumber(),
                    serial.time(), virtual ? " = " + VirtualScanner.time(serial.time()) + meanings() : "");
        });
        row("Status", () -> {
            int status;
            try {
                status = session.status();
            } catch (ScannerException e) {
                // Only the virtual scanner's negative status is known to be a failure.
                if (virtual || !e.code().isPresent()) {
                    throw e;
                }
                status = e.code().getAsInt();
            }
            return hex(status, 4) + (status < 0 ? " (" + status + ")" : "")
                    + (virtual ? ": " + VirtualScanner.status(status) + meanings() : "");
        });
        row("Meanings", virtual
                ? "the library says it is the virtual scanner (\"" + VirtualScanner.VENDOR + "\", \""
                        + VirtualScanner.PRODUCT + "\"), so its numbers are decoded with " + VirtualScanner.MEANINGS
                : "numbers only: the library is not the virtual scanner, the only one whose meanings "
                        + "qelscan knows");
    }

    /** A row with the answer of {@code query}, or with its failure. */
    private void row(String label, Query query) {
        try {
            row(label, query.answer());
        } catch (ScannerException e) {
            failed = true;
            row(label, text(e));
        }
    }

    /** The failure's first line, without its full stop. */
    private static String text(ScannerException e) {
        String first = e.getMessage().split("\\R", 2)[0];
        return first.endsWith(".") ? first.substring(0, first.length() - 1) : first;
    }

    private static String meanings() {
        return " (" + VirtualScanner.MEANINGS + ")";
    }

    private static String hex(int value, int digits) {
        return String.format("0x%0" + digits + "X", value);
    }

    private void row(String label, String value) {
        line.getOut().println(String.format("%-19s %s", label, TraceFiles.visible(value)));
    }
}
