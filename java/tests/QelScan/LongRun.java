package QelScan;

import java.io.IOException;
import java.lang.reflect.Method;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.List;
import java.util.Set;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/**
 * Calls every native method round after round in a JVM with native memory
 * tracking, and prints how much more native memory was allocated at the
 * end than at a baseline after a warm-up.
 * Arguments: a scratch folder and the number of calls.
 */
public final class LongRun {

    static final String RESULT = "native malloc growth KB: ";
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
        System.out.println("calls: " + made);
        // Java's heap and code grow and shrink as they like; what the bridge
        // could leak (strings, array copies, local references) is malloc'd:
        // the sum of every category's "(malloc=...KB +...KB" change.
        Matcher malloc = Pattern.compile("\\(malloc=\\d+KB ([-+]\\d+)KB").matcher(diff);
        long growth = 0;
        while (malloc.find()) {
            growth += Long.parseLong(malloc.group(1).replace("+", ""));
        }
        for (String line : diff.split("\n")) {
            if (line.startsWith("Total:")) {
                System.out.println(line);
            }
        }
        System.out.println(RESULT + growth);
    }
}
