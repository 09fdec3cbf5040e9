package QelScan.capture;

import java.util.Optional;
import java.util.OptionalInt;

/**
 * A call of the scanner that failed: the bridge refused it, the scanner
 * library returned a failure code, it delivered less than it said, it did
 * not answer in time, or the caller was interrupted while waiting for it
 * (then {@link #getCause()} is the {@link InterruptedException} and the
 * thread's interrupt flag stays set).
 */
public class ScannerException extends Exception {

    private static final long serialVersionUID = 1L;

    /** What the bridge returns for a call it refuses before the scanner library is reached. */
    public static final int BRIDGE_REFUSAL = -1;

    /** The QelScanApi method. */
    private final String call;
    /** Its result code, or null. */
    private final Integer code;
    /** The virtual scanner's name and meaning of the code, or null. */
    private final String meaning;
    /** The fault, or null. */
    private final Fault fault;
    /** The error log's last line, or null. */
    private final String errorLogLine;

    /**
     * A failure without a result code, such as a test double's.
     *
     * @param call the QelScanApi method, such as {@code QelScanToMemory}
     * @param message what went wrong
     */
    public ScannerException(String call, String message) {
        this(call, null, null, null, message, null, null);
    }

    /**
     * A failure code of a scanner library that is not the virtual scanner, such as a test double's.
     *
     * @param call the QelScanApi method
     * @param code its result
     */
    public ScannerException(String call, int code) {
        this(call, code, false, null);
    }

    /**
     * A fault of the virtual scanner, such as a test double's jam.
     *
     * @param call the QelScanApi method
     * @param fault the fault
     */
    public ScannerException(String call, Fault fault) {
        this(call, fault == Fault.SLOW_ANSWER ? null : fault.code(), fault == Fault.SLOW_ANSWER ? null
                : VirtualScanner.result(fault.code()).orElse(null), fault,
                fault == Fault.SLOW_ANSWER ? call + " did not answer in time" : null, null, null);
    }

    ScannerException(String call, int code, boolean virtual, String errorLogLine) {
        this(call, code, virtual ? VirtualScanner.result(code).orElse(null) : null,
                virtual ? Fault.ofVirtualCode(code).orElse(null) : null, codeText(call, code, virtual),
                errorLogLine, null);
    }

    /** The fault of a scanner library's process, whatever the library; else the fault given. */
    private static Fault hostFaultOr(Integer code, Fault fault) {
        return code == null ? fault : Fault.ofHostCode(code).orElse(fault);
    }

    ScannerException(String call, Integer code, String meaning, Fault fault, String message, String errorLogLine,
            Throwable cause) {
        super(message(Fault.ofHostCode(code == null ? 0 : code).isPresent() ? codeText(call, code, false)
                : message != null ? message : codeText(call, code, meaning != null), errorLogLine), cause);
        this.call = call;
        this.code = code;
        this.meaning = meaning;
        this.fault = hostFaultOr(code, fault);
        this.errorLogLine = errorLogLine;
    }

    private static String codeText(String call, Integer code, boolean virtual) {
        String meaning;
        if (code == BRIDGE_REFUSAL) {
            meaning = "the bridge refused the call before the scanner library was reached "
                    + "(an argument it cannot pass on, such as a text or file name longer than 255 bytes)";
        } else if (code == Fault.HOST_ENDED.code()) {
            meaning = "the scanner library's process ended";
        } else if (code == Fault.HOST_DEADLINE.code()) {
            meaning = "the scanner library did not answer in time";
        } else if (virtual) {
            meaning = VirtualScanner.result(code).map(known -> "the virtual scanner's " + known)
                    .orElse("not a code of the virtual scanner");
        } else {
            meaning = "the scanner library's own code (only the virtual scanner's codes are decoded here)";
        }
        return call + " returned " + code + ", " + meaning;
    }

    private static String message(String text, String errorLogLine) {
        return text + "." + (errorLogLine == null ? ""
                : System.lineSeparator() + "  last line of the error log " + TraceFiles.errorLog() + ": "
                        + errorLogLine);
    }

    /**
     * The QelScanApi method that failed, such as {@code QelScanToMemory}.
     *
     * @return its name
     */
    public String call() {
        return call;
    }

    /**
     * The result code of the call.
     *
     * @return the code, or empty for a failure without one (late, interrupted, an image missing)
     */
    public OptionalInt code() {
        return code == null ? OptionalInt.empty() : OptionalInt.of(code);
    }

    /**
     * The code's name and meaning, known only when the library says it is the virtual scanner.
     *
     * @return "NAME: meaning", or empty
     */
    public Optional<String> meaning() {
        return Optional.ofNullable(meaning);
    }

    /**
     * Whether the bridge itself refused the call (-1) before the scanner library was reached; the error log
     * says why, while tracing is on.
     *
     * @return true for the bridge's refusal
     */
    public boolean refusedByBridge() {
        return code != null && code == BRIDGE_REFUSAL;
    }

    /**
     * The scanner's fault: for the virtual scanner a jam, a double feed, the scanner gone or a failed
     * capture; with any library an answer later than the session's answer time, and the end of the scanner
     * library's process ({@link Fault#HOST_ENDED}, {@link Fault#HOST_DEADLINE}).
     *
     * @return the fault, or empty
     */
    public Optional<Fault> fault() {
        return Optional.ofNullable(fault);
    }

    /**
     * The last line of the bridge's error log right after the call, while tracing is on.
     *
     * @return the line, or empty when the error log is off
     */
    public Optional<String> errorLogLine() {
        return Optional.ofNullable(errorLogLine);
    }
}
