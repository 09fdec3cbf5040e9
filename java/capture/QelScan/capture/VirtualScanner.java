package QelScan.capture;

import java.text.SimpleDateFormat;
import java.util.ArrayList;
import java.util.Date;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.Optional;
import java.util.TimeZone;

/**
 * What the virtual scanner's numbers mean. Another scanner library gives its
 * own meanings to the same numbers, so these apply only when the library's
 * identity says it is the virtual scanner ({@link Scanner#isVirtual()}).
 */
public final class VirtualScanner {

    /** The vendor text of its identity. */
    public static final String VENDOR = "QEL Virtual";
    /** The product text of its identity. */
    public static final String PRODUCT = "MIRB Virtual Check Scanner";
    /** Said beside numbers put into words here, since they mean this only for the virtual scanner. */
    public static final String MEANINGS = "the virtual scanner's meanings";
    /** The result code of an empty hopper (and of an empty track, or no document scanned yet). */
    public static final int NO_DOCUMENT = -102;

    private static final Map<Integer, String[]> RESULTS = new LinkedHashMap<Integer, String[]>();

    static {
        result(-101, "NOT_INITIALISED", "no session is open");
        result(-102, "NO_DOCUMENT", "the hopper is empty, nothing is in the track, or no document was scanned yet");
        result(-103, "BAD_ARGUMENT", "a required argument is missing, a text is longer than 255 bytes, "
                + "a selector, option or number is out of range, or an image is of the wrong kind");
        result(-104, "FILE", "a file is missing, unreadable or a folder, or cannot be written");
        result(-105, "CONFIG_FORMAT", "the configuration file is malformed");
        result(-106, "HOPPER", "the hopper file cannot be read or is malformed");
        result(-107, "UNKNOWN_ADDRESS", "no image was placed at that address");
        result(-108, "TOO_LARGE", "an image would not fit the caller's buffer, or an image file is too large");
        result(-109, "IMAGE_FORMAT", "an input is no TIFF or JPEG the library reads");
        result(-110, "JAM", "a document jammed in the track: every scan fails until the track is cleared "
                + "(MirbClearDocument)");
        result(-111, "DOUBLE_FEED", "two documents were taken at once and stay in the track: every scan fails "
                + "until the track is cleared (MirbClearDocument)");
        result(-112, "UNPLUGGED", "the scanner is gone: what needs it fails until a new session is opened");
        result(-113, "CAPTURE", "the code line was read but no image was made");
        result(-114, "INTERNAL", "the scanner library failed inside (memory ran out); the document was not taken "
                + "and the session is still usable");
    }

    private static void result(int code, String name, String meaning) {
        RESULTS.put(code, new String[] {name, meaning});
    }

    private VirtualScanner() {
    }

    /**
     * Whether an identity is the virtual scanner's.
     *
     * @param info what the library says of its scanner
     * @return true for the virtual scanner
     */
    public static boolean is(Scanner.Info info) {
        return VENDOR.equals(info.vendor()) && PRODUCT.equals(info.product());
    }

    /**
     * A result code's name and meaning.
     *
     * @param code a result code of the virtual scanner
     * @return "NAME: meaning", or empty for a code it does not return
     */
    public static Optional<String> result(int code) {
        String[] entry = RESULTS.get(code);
        return entry == null ? Optional.<String>empty() : Optional.of(entry[0] + ": " + entry[1]);
    }

    /**
     * The status word's bits in words.
     *
     * @param word a status word of {@link Scanner#status()}
     * @return such as "ready, the track empty and documents left in the hopper"
     */
    public static String status(int word) {
        List<String> words = new ArrayList<String>();
        words.add((word & 0x1) != 0 ? "ready" : "not ready");
        words.add((word & 0x2) != 0 ? "a document in the track" : "the track empty");
        words.add((word & 0x4) != 0 ? "documents left in the hopper" : "the hopper empty");
        String[] faults = {"a jam", "a double feed", "a document being fed"};
        for (int bit = 0; bit < faults.length; bit++) {
            if ((word & 0x8 << bit) != 0) {
                words.add(faults[bit]);
            }
        }
        if ((word & ~0x3F) != 0) {
            words.add(String.format("unknown bits 0x%04X", word & ~0x3F));
        }
        return join(words);
    }

    /**
     * The supported-scanners mask in words, bit n standing for scanner type n.
     *
     * @param mask the mask of {@link Scanner#supportedScanners()}
     * @return such as "types 1, 2 and 4"
     */
    public static String supportedTypes(int mask) {
        List<String> types = new ArrayList<String>();
        for (int type = 0; type < 32; type++) {
            if ((mask & (1 << type)) != 0) {
                types.add(Integer.toString(type));
            }
        }
        return types.isEmpty() ? "no type" : (types.size() == 1 ? "type " : "types ") + join(types);
    }

    /**
     * The serial number's time value as a date: seconds since 1970-01-01 UTC, modulo 2^32.
     *
     * @param seconds the time value of {@link Scanner.Serial#time()}
     * @return such as "2026-01-27 20:31:52 UTC"
     */
    public static String time(long seconds) {
        SimpleDateFormat format = new SimpleDateFormat("yyyy-MM-dd HH:mm:ss 'UTC'");
        format.setTimeZone(TimeZone.getTimeZone("UTC"));
        return format.format(new Date((seconds & 0xFFFFFFFFL) * 1000));
    }

    /**
     * Whether a parameter selector holds a number; the virtual scanner answers any other with BAD_ARGUMENT.
     *
     * @param selector a parameter selector
     * @return true for 0 to 255
     */
    public static boolean holdsNumber(int selector) {
        return selector >= 0 && selector <= 255;
    }

    private static String join(List<String> words) {
        if (words.size() == 1) {
            return words.get(0);
        }
        StringBuilder text = new StringBuilder();
        for (int i = 0; i < words.size() - 1; i++) {
            text.append(i > 0 ? ", " : "").append(words.get(i));
        }
        return text.append(" and ").append(words.get(words.size() - 1)).toString();
    }
}
