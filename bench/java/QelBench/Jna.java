package QelBench;

import com.sun.jna.Library;
import com.sun.jna.Native;
import com.sun.jna.NativeLibrary;

/**
 * The scanner library called from Java without our bridge, through JNA:
 * an interface proxy (the usual way) and direct mapping (JNA's fast way).
 * Each call hands back what the bridge's call does: the texts as Strings,
 * the images in Java arrays.
 */
final class Jna {

    private Jna() {
    }

    /** The entries as JNA's interface mapping sees them. */
    public interface Scanner extends Library {
        int MIRBStatus();

        int MIRBGetParam(int selector);

        int MIRBScan(int option, String front, byte[] frontLen, String back, byte[] backLen,
                byte[] micr, byte[] micrLen);

        int MIRBScanMemory(int option, byte[] front, int[] frontLen, byte[] back, int[] backLen,
                byte[] micr, int[] micrLen);
    }

    /** The same entries bound by direct mapping, behind the same interface. */
    static final class Direct implements Scanner {
        static {
            Native.register(Direct.class, NativeLibrary.getInstance(Bench.scanner.toString()));
        }

        @Override
        public native int MIRBStatus();

        @Override
        public native int MIRBGetParam(int selector);

        @Override
        public native int MIRBScan(int option, String front, byte[] frontLen, String back,
                byte[] backLen, byte[] micr, byte[] micrLen);

        @Override
        public native int MIRBScanMemory(int option, byte[] front, int[] frontLen, byte[] back,
                int[] backLen, byte[] micr, int[] micrLen);
    }

    static void addTo() {
        add("jna-interface", Native.load(Bench.scanner.toString(), Scanner.class));
        add("jna-direct", new Direct());
    }

    // One set of variants for both ways.
    private static void add(String way, Scanner library) {
        String front = Bench.scratch.resolve(way + "-front.tif").toString();
        String back = Bench.scratch.resolve(way + "-back.tif").toString();
        byte[] frontLen = new byte[32];
        byte[] backLen = new byte[32];
        byte[] micr = new byte[256];
        byte[] micrLen = new byte[32];
        String[] texts = new String[4];
        byte[] frontImage = new byte[Bench.IMAGE_BYTES];
        byte[] backImage = new byte[Bench.IMAGE_BYTES];
        int[] frontImageLen = new int[1];
        int[] backImageLen = new int[1];
        int[] codeLen = new int[1];
        Bench.add(way + ".MIRBStatus", false, Bench.ANY, library::MIRBStatus);
        Bench.add(way + ".MIRBGetParam", false, 0, () -> library.MIRBGetParam(0));
        Bench.add(way + ".MIRBScan", true, 0, () -> {
            int result = library.MIRBScan(0, front, frontLen, back, backLen, micr, micrLen);
            texts[0] = Native.toString(frontLen);
            texts[1] = Native.toString(backLen);
            texts[2] = Native.toString(micr);
            texts[3] = Native.toString(micrLen);
            return result;
        });
        Bench.add(way + ".MIRBScanMemory", true, 0, () -> {
            int result = library.MIRBScanMemory(0, frontImage, frontImageLen, backImage,
                    backImageLen, micr, codeLen);
            texts[2] = Native.toString(micr);
            return result;
        });
    }
}
