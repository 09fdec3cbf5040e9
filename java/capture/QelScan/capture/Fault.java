package QelScan.capture;

import java.util.Optional;

/**
 * What went wrong with the scanner itself, told without comparing numbers.
 * The codes of the first four are the virtual scanner's: {@link ScannerException#fault()} names
 * them only when the library says it is the virtual scanner. A late answer
 * is this library's own finding, with any scanner library; so are the two faults of a scanner
 * library that runs in a process of its own (the proxy scanner library's codes), whatever library that is.
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
    SLOW_ANSWER(0),
    /**
     * The scanner library's process ended (it crashed or was killed): every call fails so until a new session
     * is opened, which starts it again.
     */
    HOST_ENDED(-30001),
    /**
     * The scanner library did not answer in time (QELSCAN_HOST_DEADLINE_MS), and its process was ended: every
     * call fails with {@link #HOST_ENDED} until a new session is opened.
     */
    HOST_DEADLINE(-30002);

    /** The faults whose codes mean the same with any scanner library: those of its process. */
    static Optional<Fault> ofHostCode(int code) {
        return code == HOST_ENDED.code ? Optional.of(HOST_ENDED)
                : code == HOST_DEADLINE.code ? Optional.of(HOST_DEADLINE) : Optional.empty();
    }

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
            if (fault.code == code && code != 0 && !ofHostCode(code).isPresent()) {
                return Optional.of(fault);
            }
        }
        return Optional.empty();
    }
}
