package QelScan;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;

/**
 * Scans the example hopper's first documents in a child JVM, one kind of
 * scan each, and leaves every image it delivers as a file in a folder (a
 * memory image without its header). Then spoils the back picture and opens
 * the session again. Prints "PROBE name result code-line" per call.
 * Arguments: the image folder and the back picture beside the hopper.
 */
public final class OwnPicturesProbe {

    static final String PREFIX = "PROBE ";

    private OwnPicturesProbe() {
    }

    public static void main(String[] args) throws Exception {
        Path out = Path.of(args[0]);
        String[] code = {""};
        print("open", QelScanApi.MirbInit(), code);
        for (String name : new String[] {"fields1", "fields2"}) {
            print(name, QelScanApi.QelScanToFile(null, null, null, null, code, new int[1], new int[1], null), code);
        }
        print("scan", QelScanApi.MirbScan(0, file(out, "scan-front.tif"), new String[] {""},
                file(out, "scan-back.tif"), new String[] {""}, code, new String[] {""}), code);
        for (String kind : new String[] {"jpg", "tif"}) {
            print("gray-" + kind, QelScanApi.MirbScanGray(0, file(out, "gray" + kind + "-front." + kind),
                    new String[] {""}, file(out, "gray" + kind + "-back." + kind), new String[] {""}, code,
                    new String[] {""}, 0), code);
        }
        byte[][] images = new byte[4][1048576];
        int[][] lengths = new int[4][1];
        print("memory", QelScanApi.MirbScanMemory(0, images[0], lengths[0], images[1], lengths[1], code, 0), code);
        save(out, "memory-front.tif", images[0], lengths[0][0], true);
        save(out, "memory-back.tif", images[1], lengths[1][0], true);
        print("memory-gray", QelScanApi.MirbScanMemoryGray(0, images[0], lengths[0], images[1], lengths[1], code,
                0, 0), code);
        save(out, "memorygray-front.jpg", images[0], lengths[0][0], true);
        save(out, "memorygray-back.jpg", images[1], lengths[1][0], true);
        print("full", QelScanApi.QelScanToFile(file(out, "full-front.tif"), file(out, "full-back.tif"),
                file(out, "full-front.jpg"), file(out, "full-back.jpg"), code, new int[1], new int[1], null), code);
        print("full-memory", QelScanApi.QelScanToMemory(images[0], lengths[0], images[1], lengths[1], images[2],
                lengths[2], images[3], lengths[3], code, new int[1], new int[1], null), code);
        String[] names = {"fullmemory-front.tif", "fullmemory-back.tif", "fullmemory-front.jpg",
            "fullmemory-back.jpg"};
        for (int i = 0; i < 4; i++) {
            save(out, names[i], images[i], lengths[i][0], false);
        }
        QelScanApi.MirbExit();
        Path picture = Path.of(args[1]);
        Files.write(picture, Arrays.copyOf(Files.readAllBytes(picture), 100));
        code[0] = "";
        print("reopen", QelScanApi.MirbInit(), code);
        QelScanApi.MirbExit();
    }

    private static String file(Path out, String name) {
        return out.resolve(name).toString();
    }

    private static void print(String name, int result, String[] code) {
        System.out.println(PREFIX + name + " " + result + " " + code[0]);
    }

    private static void save(Path out, String name, byte[] image, int length, boolean header) throws Exception {
        int start = header ? (image[8] & 0xFF) | (image[9] & 0xFF) << 8 : 0;
        Files.write(out.resolve(name), Arrays.copyOfRange(image, start, length));
    }
}
