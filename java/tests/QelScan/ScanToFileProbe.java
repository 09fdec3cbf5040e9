package QelScan;

/**
 * Runs one full scan to files in a child JVM between two lines of its own,
 * so that a test can see where the bridge's file-name lines land.
 * Arguments: the front TIFF and front JPEG file names.
 */
public final class ScanToFileProbe {

    private ScanToFileProbe() {
    }

    public static void main(String[] args) {
        QelScanApi.MirbInit();
        System.out.println("before the scan");
        int result = QelScanApi.QelScanToFile(args[0], null, args[1], null, new String[] {""}, new int[1],
                new int[1], null);
        System.out.println("after the scan: " + result);
        QelScanApi.MirbExit();
    }
}
