package QelScan.capture;

import java.util.Optional;

/**
 * What went wrong with the scanner itself, told without comparing numbers.
 * The codes are the virtual scanner's: {@link ScannerException#fault()} names
 * them only when the library says it is the virtual scanner. A late answer
 * is this library's own finding, with any scanner library.
 */
public enum Fault {

    /** A document jammed in the track: every scan fails until {@link Scanner#clear()} takes it out. */
    JAM(-110),
    /** Two documents were taken at once and stay in the track: every scan fails until {@link Scanner#clear()}. */
    DOUBLE_FEED(-111),
    /** The scanner is gone: every call that needs it fails until the session is closed and a new one opened. */
    UNPLUGGED(-112),
    /** The code line was read, but no image was made. */
    CAPTURE(-113),
    /**
     * The scanner did not answer within the session's answer time
     * ({@link Session.Options#answerTime}); the call goes on in the session, and a scan's document comes
     * with the session's next scan call ({@link Session#scan}).
     */
    SLOW_ANSWER(0);

    private final int code;

    Fault(int code) {
        this.code = code;
    }

    /**
     * The virtual scanner's result code of this fault.
     *
     * @return the code, or 0 for {@link #SLOW_ANSWER}, which has none
     */
    public int code() {
        return code;
    }

    /**
     * The fault a virtual scanner's result code stands for.
     *
     * @param code a result code of the virtual scanner
     * @return its fault, or empty when the code is no fault
     */
    public static Optional<Fault> ofVirtualCode(int code) {
        for (Fault fault : values()) {
            if (fault.code == code && code != 0) {
                return Optional.of(fault);
            }
        }
        return Optional.empty();
    }
}
