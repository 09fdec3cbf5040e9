package QelScan;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;

/**
 * Scans the example hopper in a child JVM: its two checks with fields, then
 * one document for each kind of image, left in a folder (memory images
 * without their header); then spoils the back picture and opens the session
 * again. Prints "PROBE call result code-line" per call. Arguments: the
 * folder and the back picture beside the hopper.
 */
public final class OwnPicturesProbe {

    static final String PREFIX = "PROBE ";

    private OwnPicturesProbe() {
    }

    public static void main(String[] args) throws Exception {
        Path out = Path.of(args[0]);
        String[] code = {""};
        print("open", QelScanApi.MirbInit(), code);
        for (String call : new String[] {"fields1", "fields2", "full"}) {
            String[] names = Arrays.stream(new String[] {"-front.tif", "-back.tif", "-front.jpg", "-back.jpg"})
                    .map(name -> call.equals("full") ? out.resolve("full" + name).toString() : null)
                    .toArray(String[]::new);
            print(call, QelScanApi.QelScanToFile(names[0], names[1], names[2], names[3], code, new int[1],
                    new int[1], null), code);
        }
        print("gray", QelScanApi.MirbScanGray(0, out.resolve("gray-front.tif").toString(), new String[] {""},
                out.resolve("gray-back.tif").toString(), new String[] {""}, code, new String[] {""}, 0), code);
        byte[][] images = new byte[2][1048576];
        int[][] lengths = new int[2][1];
        for (String type : new String[] {"tif", "jpg"}) {
            print("memory-" + type, type.equals("tif")
                    ? QelScanApi.MirbScanMemory(0, images[0], lengths[0], images[1], lengths[1], code, 0)
                    : QelScanApi.MirbScanMemoryGray(0, images[0], lengths[0], images[1], lengths[1], code, 0, 0),
                    code);
            for (int i = 0; i < 2; i++) {
                int start = (images[i][8] & 0xFF) | (images[i][9] & 0xFF) << 8;
                Files.write(out.resolve("memory" + (i == 0 ? "-front." : "-back.") + type),
                        Arrays.copyOfRange(images[i], start, lengths[i][0]));
            }
        }
        QelScanApi.MirbExit();
        Path picture = Path.of(args[1]);
        Files.write(picture, Arrays.copyOf(Files.readAllBytes(picture), 100));
        code[0] = "";
        print("reopen", QelScanApi.MirbInit(), code);
        QelScanApi.MirbExit();
    }

    private static void print(String call, int result, String[] code) {
        System.out.println(PREFIX + call + " " + result + " " + code[0]);
    }
}
