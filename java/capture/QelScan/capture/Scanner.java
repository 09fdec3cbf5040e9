package QelScan.capture;

import java.io.IOException;
import java.nio.file.Path;
import java.util.Optional;

/**
 * What a scanner session does. {@link Session} is the real one; an
 * application may put a double of its own in its unit tests.
 *
 * <p>Every method but {@link #close()} fails with {@link ScannerException}
 * when the bridge or the scanner library reports a failure, and with
 * {@link IllegalStateException} once the session is closed. Result codes
 * are never returned: where a call answers with a number, the number is the
 * answer.
 */
public interface Scanner extends AutoCloseable {

    /** The oldest library version (15.12) that the bridge opens a session with. */
    int MINIMUM_LIBRARY_VERSION = 1512;

    /** Receives each document of {@link #feed}. */
    @FunctionalInterface
    interface DocumentHandler {
        /**
         * Takes one document.
         *
         * @param document the document just scanned
         * @return true to go on feeding, false to stop
         * @throws IOException when the document cannot be stored; feeding stops
         */
        boolean handle(Document document) throws IOException;
    }

    /** What a scanner library says of its scanner. */
    final class Info {
        private final int adapter;
        private final int target;
        private final String vendor;
        private final String product;
        private final String release;

        /**
         * An identity.
         *
         * @param adapter adapter id, 0 to 255
         * @param target target id, 0 to 255
         * @param vendor vendor text
         * @param product product text
         * @param release release text
         */
        public Info(int adapter, int target, String vendor, String product, String release) {
            this.adapter = adapter;
            this.target = target;
            this.vendor = vendor;
            this.product = product;
            this.release = release;
        }

        /** @return the adapter id, 0 to 255 */
        public int adapter() {
            return adapter;
        }

        /** @return the target id, 0 to 255 */
        public int target() {
            return target;
        }

        /** @return the vendor text */
        public String vendor() {
            return vendor;
        }

        /** @return the product text */
        public String product() {
            return product;
        }

        /** @return the release text */
        public String release() {
            return release;
        }

        @Override
        public String toString() {
            return vendor + " " + product + " " + release;
        }
    }

    /** A scanner's serial number, with its document counter and time value. */
    final class Serial {
        private final String number;
        private final long documentNumber;
        private final long time;

        /**
         * A serial number.
         *
         * @param number the serial number text
         * @param documentNumber the document number, unsigned 32 bits
         * @param time the time value, unsigned 32 bits
         */
        public Serial(String number, long documentNumber, long time) {
            this.number = number;
            this.documentNumber = documentNumber & 0xFFFFFFFFL;
            this.time = time & 0xFFFFFFFFL;
        }

        /** @return the serial number text */
        public String number() {
            return number;
        }

        /** @return the document number, 0 to 4294967295 */
        public long documentNumber() {
            return documentNumber;
        }

        /** @return the time value, 0 to 4294967295 (the virtual scanner's: {@link VirtualScanner#time}) */
        public long time() {
            return time;
        }
    }

    /** The answer of the USB scanner query. */
    final class Usb {
        private final int result;
        private final int vendorId;
        private final int productId;

        /**
         * An answer.
         *
         * @param result the library's answer: above 0 a scanner is present, 0 none
         * @param vendorId the USB vendor id
         * @param productId the USB product id
         */
        public Usb(int result, int vendorId, int productId) {
            this.result = result;
            this.vendorId = vendorId;
            this.productId = productId;
        }

        /** @return whether one of the library's USB scanners is present */
        public boolean present() {
            return result > 0;
        }

        /** @return the library's answer, above 0 when present */
        public int result() {
            return result;
        }

        /** @return the USB vendor id as the library reports it */
        public int vendorId() {
            return vendorId;
        }

        /** @return the USB product id */
        public int productId() {
            return productId;
        }
    }

    /** A code line read again, with the reader's confidence in each character. */
    final class CodeLine {
        private final String text;
        private final String confidence;

        /**
         * A code line.
         *
         * @param text the code line
         * @param confidence the confidence text, in the library's format
         */
        public CodeLine(String text, String confidence) {
            this.text = text;
            this.confidence = confidence;
        }

        /** @return the code line */
        public String text() {
            return text;
        }

        /** @return the confidence text (the virtual scanner's: one digit per character, 9 the best) */
        public String confidence() {
            return confidence;
        }
    }

    // The library and the session

    /**
     * The scanner library's version, 1512 standing for 15.12.
     *
     * @return the version number
     * @throws ScannerException when the caller is interrupted while waiting, or the answer is late
     */
    int libraryVersion() throws ScannerException;

    /**
     * Whether the bridge accepts the library: it opens sessions only with {@link #MINIMUM_LIBRARY_VERSION} or
     * later (a session opened with the three texts of {@code MirbInitPath} skips that check).
     *
     * @return true when the version is 15.12 or later
     * @throws ScannerException when the caller is interrupted while waiting, or the answer is late
     */
    default boolean libraryAccepted() throws ScannerException {
        return libraryVersion() >= MINIMUM_LIBRARY_VERSION;
    }

    /**
     * What opening the session returned: 0, or another value of 0 or more the library gives.
     *
     * @return the opening result
     */
    int openResult();

    /**
     * Whether the library says it is the virtual scanner, whose codes and status bits this package decodes.
     *
     * @return true for the virtual scanner
     */
    boolean isVirtual();

    /**
     * Sets the scanner library's debug level (MirbDebug).
     *
     * @param level the library's number
     * @throws ScannerException when it fails
     */
    void debug(int level) throws ScannerException;

    // Scans

    /**
     * Scans the next document.
     *
     * @param request what to capture, and where
     * @return the document, or empty when the feeder is empty
     * @throws ScannerException when the scan fails, or delivers less than it asked for
     */
    Optional<Document> scan(ScanRequest request) throws ScannerException;

    /**
     * Scans document after document until the feeder is empty, {@code limit} documents are scanned, or the
     * handler says stop.
     *
     * @param request what to capture of each; with files, each document's files are named by its
     *        {@link Document#sequence()} in four digits instead of the request's name
     * @param limit the most documents to scan; {@code Integer.MAX_VALUE} for no limit
     * @param handler takes each document
     * @return the number of documents scanned
     * @throws ScannerException when a scan fails; the documents before it have been handled
     * @throws IOException when the handler fails
     */
    int feed(ScanRequest request, int limit, DocumentHandler handler) throws ScannerException, IOException;

    /**
     * Reads the last document's code line again (QelScanGetOcrMicr).
     *
     * @return the code line, or empty when there is no document to read
     * @throws ScannerException when it fails
     */
    Optional<CodeLine> rereadCodeLine() throws ScannerException;

    /**
     * Registers a special document (QelScanSetSpecialDocument, or with ten values QelScanSetSpecialDocumentEx).
     *
     * @param first the first setting
     * @param second the second setting
     * @param routing the routing number text
     * @param account the account number text
     * @param values four or ten further settings, the library's
     * @throws ScannerException when it fails
     * @throws IllegalArgumentException for another number of values
     */
    void registerSpecialDocument(int first, int second, String routing, String account, int... values)
            throws ScannerException;

    // Endorsements, each for the next document scanned

    /**
     * Queues a text printed on the back of the next document (QelBatchPrintString).
     *
     * @param text 1 to 255 bytes in this system's charset
     * @param x the library's first place value (the virtual scanner's x; 0 its default)
     * @param y the second place value
     * @param scale the size, the library's number
     * @param direction the direction, the library's number (the virtual scanner's degrees clockwise)
     * @throws ScannerException when it fails
     * @throws IllegalArgumentException when this system's charset cannot write the text
     */
    void batchPrint(String text, long x, long y, int scale, int direction) throws ScannerException;

    /**
     * Queues a text printed in a font on the back of the next document (QelBatchPrintBMP).
     *
     * @param text 1 to 255 bytes in this system's charset
     * @param font the font name
     * @param x the library's first place value
     * @param y the second place value
     * @param values the seven further values of QelBatchPrintBMP, the library's
     * @throws ScannerException when it fails
     * @throws IllegalArgumentException for another number of values, or a text the charset cannot write
     */
    void batchPrintBitmap(String text, String font, long x, long y, int... values) throws ScannerException;

    /**
     * Queues a text drawn onto the images of the next document (QelScanVirtualEndorsement).
     *
     * @param text 1 to 255 bytes in this system's charset
     * @param font the font name
     * @param x the library's first place value
     * @param y the second place value
     * @param values the twelve further values of QelScanVirtualEndorsement, the library's
     * @throws ScannerException when it fails
     * @throws IllegalArgumentException for another number of values, or a text the charset cannot write
     */
    void virtualEndorsement(String text, String font, long x, long y, int... values) throws ScannerException;

    // Parameters and configuration

    /**
     * A parameter's number (MirbGetParam). Only for the virtual scanner can a failure code be told from a
     * value: there, a selector that holds no number fails.
     *
     * @param selector the parameter
     * @return its value
     * @throws ScannerException when it fails
     */
    int parameter(int selector) throws ScannerException;

    /**
     * A parameter's text (MirbGetParamString).
     *
     * @param selector the parameter
     * @return its text, or empty when the library has none for it
     * @throws ScannerException when the caller is interrupted while waiting, or the answer is late
     */
    Optional<String> parameterText(int selector) throws ScannerException;

    /**
     * Sets a parameter's number (MirbSetParam).
     *
     * @param selector the parameter
     * @param value its value
     * @throws ScannerException when it fails
     */
    void setParameter(int selector, int value) throws ScannerException;

    /**
     * Sets a parameter's text (MirbSetParamString).
     *
     * @param selector the parameter
     * @param value its text, up to 255 bytes
     * @throws ScannerException when it fails
     */
    void setParameterText(int selector, String value) throws ScannerException;

    /**
     * Loads the settings of a configuration file (MirbReadConfig).
     *
     * @param file the file, in the library's format
     * @throws ScannerException when it fails
     */
    void readConfiguration(Path file) throws ScannerException;

    /**
     * Writes the settings into a configuration file (MirbWriteConfig).
     *
     * @param file the file
     * @throws ScannerException when it fails
     */
    void writeConfiguration(Path file) throws ScannerException;

    // Status and transport

    /**
     * The status word (MirbStatus; the virtual scanner's bits: {@link VirtualScanner#status}).
     *
     * @return the status word
     * @throws ScannerException when the library answers with a negative code
     */
    int status() throws ScannerException;

    /**
     * The status word after a wait (MirbStatusDelay).
     *
     * @param value the library's first value (the virtual scanner's milliseconds)
     * @param other the library's second value
     * @return the status word
     * @throws ScannerException when the library answers with a negative code
     */
    int status(int value, int other) throws ScannerException;

    /**
     * Moves the document in the track to the pocket (MirbEjectDocument).
     *
     * @throws ScannerException when it fails
     */
    void eject() throws ScannerException;

    /**
     * Empties the track, as after a jam or double feed (MirbClearDocument).
     *
     * @throws ScannerException when it fails
     */
    void clear() throws ScannerException;

    // Identity

    /**
     * The scanner type (GetScannerType).
     *
     * @return the library's number for it
     * @throws ScannerException when the library answers with a negative code
     */
    int scannerType() throws ScannerException;

    /**
     * The scanner types the library supports (QelApiSupportedScanners), bit n standing for type n.
     *
     * @return the mask
     * @throws ScannerException when the caller is interrupted while waiting, or the answer is late
     */
    int supportedScanners() throws ScannerException;

    /**
     * Whether one of the library's USB scanners is present, with its ids (IsQelUsbScannerAvailable).
     *
     * @return the answer
     * @throws ScannerException when the library answers with a negative code
     */
    Usb usbScanner() throws ScannerException;

    /**
     * The scanner's identity (MirbGetScannerInfo).
     *
     * @return the identity
     * @throws ScannerException when it fails
     */
    Info scannerInfo() throws ScannerException;

    /**
     * The scanner's serial number (MirbGetScannerSerialNumber).
     *
     * @return the serial number
     * @throws ScannerException when it fails
     */
    Serial serialNumber() throws ScannerException;

    // Image utilities

    /**
     * Compresses a black-and-white TIFF file into memory (MirbCompressImage).
     *
     * @param file the TIFF file
     * @return the compressed image
     * @throws ScannerException when it fails
     */
    Image compress(Path file) throws ScannerException;

    /**
     * Compresses a gray image file into a JPEG in memory (MirbCompressImageGray).
     *
     * @param file the gray image file
     * @param quality the library's number (the virtual scanner's JPEG quality, 0 its default)
     * @return the compressed image
     * @throws ScannerException when it fails
     */
    Image compressGray(Path file, int quality) throws ScannerException;

    /**
     * Changes the brightness of a UV image file (QelUVGain).
     *
     * @param input the UV image file
     * @param output the file written
     * @param first the library's first value (the virtual scanner's numerator)
     * @param second the second (its denominator)
     * @param third the third (its offset)
     * @throws ScannerException when it fails
     */
    void uvGain(Path input, Path output, int first, int second, int third) throws ScannerException;

    /**
     * Turns a UV image file into a black-and-white TIFF (QelUVTiff).
     *
     * @param input the UV image file
     * @param output the file written
     * @param threshold the library's number (the virtual scanner's threshold, 0 its default)
     * @throws ScannerException when it fails
     */
    void uvToTiff(Path input, Path output, int threshold) throws ScannerException;

    /**
     * Appends the pages of one TIFF file to another (MirbCombineTIFFS).
     *
     * @param input the file that grows
     * @param append the file whose pages are appended
     * @throws ScannerException when it fails
     */
    void combineTiffs(Path input, Path append) throws ScannerException;

    /**
     * Copies a file (MirbCopyFile).
     *
     * @param input the file
     * @param output the copy
     * @throws ScannerException when it fails
     */
    void copyFile(Path input, Path output) throws ScannerException;

    /**
     * Cuts a margin from an image file (MirbCropFile).
     *
     * @param input the image file
     * @param output the file written
     * @param margin the library's number (the virtual scanner's pixels cut from each edge)
     * @throws ScannerException when it fails
     */
    void cropFile(Path input, Path output, int margin) throws ScannerException;

    /**
     * Closes the session (MirbExit). Closing again does nothing.
     *
     * @throws ScannerException when the library fails to close it; the session is closed all the same
     */
    @Override
    void close() throws ScannerException;
}
