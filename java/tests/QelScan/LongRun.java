package QelScan;

import java.io.IOException;
import java.lang.reflect.Method;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.List;
import java.util.Set;

/**
 * Calls every native method round after round in a JVM with native memory
 * tracking, and prints the growth of the native memory it committed
 * between a baseline after a warm-up and the end.
 * Arguments: a scratch folder and the number of calls.
 */
public final class LongRun {

    static final String RESULT = "native memory committed growth KB: ";
    // Methods that scan or convert images: every 50th round only, to keep the run short.
    private static final Set<String> IMAGE_WORK = Set.of("MirbScan", "MirbScanGray", "MirbScanMemory",
            "MirbScanMemoryGray", "QelScanToFile", "QelScanToMemory", "QelScanUV", "QelScanLong",
            "MirbCompressImage", "MirbCompressImageGray", "QelUVGain", "QelUVTiff", "MirbCombineTIFFS",
            "MirbCropFile", "MirbCopyFile");

    private LongRun() {
    }

    private static String nativeMemory(String command) throws IOException, InterruptedException {
        Process jcmd = new ProcessBuilder(Paths.get(System.getProperty("java.home"), "bin", "jcmd").toString(),
                Long.toString(ProcessHandle.current().pid()), "VM.native_memory", command)
                .redirectErrorStream(true).start();
        String output = new String(jcmd.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
        jcmd.waitFor();
        return output;
    }

    private static int calls(List<Method> methods, Path dir, int limit) throws Exception {
        int made = 0;
        for (int round = 0; made < limit; round++) {
            for (Method method : methods) {
                if (IMAGE_WORK.contains(method.getName()) && round % 50 != 0) {
                    continue;
                }
                method.invoke(null, ExportCalls.validArguments(method, dir));
                made++;
            }
        }
        return made;
    }

    public static void main(String[] args) throws Exception {
        Path dir = Paths.get(args[0]);
        int limit = Integer.parseInt(args[1]);
        List<Method> methods = ExportCalls.natives();
        calls(methods, dir, limit / 10);
        System.gc();
        nativeMemory("baseline");
        int made = calls(methods, dir, limit);
        System.gc();
        String diff = nativeMemory("summary.diff");
        // "Total: reserved=...KB +...KB, committed=...KB +...KB"
        for (String line : diff.split("\n")) {
            if (line.startsWith("Total:")) {
                System.out.println(line);
                String committed = line.substring(line.indexOf("committed="));
                String[] parts = committed.split(" ");
                long growth = parts.length > 1 ? Long.parseLong(parts[1].replaceAll("[^-0-9]", "")) : 0;
                System.out.println("calls: " + made);
                System.out.println(RESULT + growth);
            }
        }
    }
}
