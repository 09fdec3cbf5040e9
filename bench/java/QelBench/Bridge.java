package QelBench;

import QelScan.QelScanApi;

/** The scanner library through our bridge, under each state of the log files. */
final class Bridge {

    private Bridge() {
    }

    static void reopen() {
        QelScanApi.MirbExit();
        int result = QelScanApi.MirbInit();
        if (result != 0) {
            throw new IllegalStateException("MirbInit returned " + result);
        }
    }

    static void close() {
        QelScanApi.MirbExit();
    }

    static void addTo() {
        String front = Bench.scratch.resolve("bridge-front.tif").toString();
        String back = Bench.scratch.resolve("bridge-back.tif").toString();
        String[] frontLen = {""};
        String[] backLen = {""};
        String[] code = {""};
        String[] codeLen = {""};
        byte[][] images = new byte[4][Bench.IMAGE_BYTES];
        int[][] lengths = new int[4][1];
        int[] quality = new int[1];
        int[] contrast = new int[1];
        int[] docStatus = new int[32];
        for (Bench.Logs logs : Bench.Logs.values()) {
            Bench.add("bridge.MirbStatus", logs, false, Bench.ANY, QelScanApi::MirbStatus);
            Bench.add("bridge.MirbGetParam", logs, false, 0, () -> QelScanApi.MirbGetParam(0));
            // Both sides to TIFF files, and the code line.
            Bench.add("bridge.MirbScan", logs, true, 0,
                    () -> QelScanApi.MirbScan(0, front, frontLen, back, backLen, code, codeLen));
            // Both sides into 1 MiB arrays, and the code line.
            Bench.add("bridge.MirbScanMemory", logs, true, 0,
                    () -> QelScanApi.MirbScanMemory(0, images[0], lengths[0], images[1],
                            lengths[1], code, 0));
            // Four 1 MiB arrays, the code line, quality, contrast and 32 status values.
            Bench.add("bridge.QelScanToMemory", logs, true, 0,
                    () -> QelScanApi.QelScanToMemory(images[0], lengths[0], images[1],
                            lengths[1], images[2], lengths[2], images[3], lengths[3], code,
                            quality, contrast, docStatus));
        }
    }
}
