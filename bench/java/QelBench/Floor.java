package QelBench;

/**
 * The yardsticks: the bench's own JNI library (system property
 * {@code qelbench.jni}) and plain Java copies.
 */
final class Floor {

    static {
        System.load(System.getProperty("qelbench.jni"));
    }

    private Floor() {
    }

    static native int constant();

    static native int contractBoth();

    static native int scanToMemoryArguments(byte[] image0, int[] length0, byte[] image1,
            int[] length1, byte[] image2, int[] length2, byte[] image3, int[] length3,
            String[] micr, int[] quality, int[] contrast, int[] docStatus);

    static void addTo() throws Throwable {
        // A JNI call that returns a constant.
        Bench.add("jni.constant", false, 1512, Floor::constant);
        // A JNI call that reads the clock and tests both log files: what
        // LogBoth owes with the files absent.
        Bench.add("jni.contract", false, Bench.ANY, Floor::contractBoth);

        byte[][] images = new byte[4][Bench.IMAGE_BYTES];
        byte[][] copies = new byte[4][Bench.IMAGE_BYTES];
        int[][] lengths = new int[4][1];
        String[] micr = {""};
        int[] quality = new int[1];
        int[] contrast = new int[1];
        int[] docStatus = new int[32];
        // The JNI work of QelScanToMemory's arguments as the bridge does it,
        // without scan and log; returns how many images the JVM copied.
        Bench.Call arguments = () -> scanToMemoryArguments(images[0], lengths[0], images[1],
                lengths[1], images[2], lengths[2], images[3], lengths[3], micr, quality,
                contrast, docStatus);
        int copied = arguments.call();
        if (copied < 0) {
            throw new IllegalStateException("the JNI work of QelScanToMemory's arguments failed");
        }
        Bench.notes.add("arrays the JVM copied to pin them: " + copied + " of 4");
        Bench.add("jni.scanToMemoryArguments", false, copied, arguments);
        // System.arraycopy of the four 1 MiB arrays, once each.
        Bench.add("java.copy4", false, Bench.ANY, () -> {
            for (int k = 0; k < 4; k++) {
                System.arraycopy(images[k], 0, copies[k], 0, Bench.IMAGE_BYTES);
            }
            return copies[0][0];
        });
    }
}
