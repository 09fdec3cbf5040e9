package QelScan.capture;

import QelScan.QelScanApi;

/**
 * What the scanner library answers without a session: before one is opened,
 * or when it does not open. While a session is open these run on its thread
 * like its own calls; otherwise on the caller's, one caller at a time.
 */
public final class Library {

    private Library() {
    }

    /**
     * The scanner library's version (QelApiVersion).
     *
     * @return the version number, 1512 standing for 15.12
     * @throws ScannerException when the caller is interrupted while a session's call runs
     */
    public static int version() throws ScannerException {
        return Session.outside("QelApiVersion", QelScanApi::QelApiVersion);
    }

    /**
     * Whether the bridge opens sessions with this library: version 15.12 or later.
     *
     * @return true when it does
     * @throws ScannerException when the caller is interrupted while a session's call runs
     */
    public static boolean accepted() throws ScannerException {
        return version() >= Scanner.MINIMUM_LIBRARY_VERSION;
    }

    /**
     * The scanner types the library supports (QelApiSupportedScanners), bit n standing for type n.
     *
     * @return the mask
     * @throws ScannerException when the caller is interrupted while a session's call runs
     */
    public static int supportedScanners() throws ScannerException {
        return Session.outside("QelApiSupportedScanners", QelScanApi::QelApiSupportedScanners);
    }

    /**
     * Whether one of the library's USB scanners is present, with its ids (IsQelUsbScannerAvailable).
     *
     * @return the answer
     * @throws ScannerException when the library answers with a negative code
     */
    public static Scanner.Usb usbScanner() throws ScannerException {
        return Session.outside("IsQelUsbScannerAvailable", Session::usb);
    }
}
