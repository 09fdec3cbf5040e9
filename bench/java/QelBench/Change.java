package QelBench;

import QelScan.QelScanApi;
import java.lang.invoke.MethodHandle;
import java.lang.invoke.MethodHandles;
import java.lang.invoke.MethodType;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.file.Path;

/**
 * An earlier bridge beside the current one in the same process, so that a
 * change is measured before and after under the same conditions, batch by
 * batch. The earlier {@code QelScanApi} is loaded by a class loader of its
 * own, which finds the earlier library file; both are called through
 * method handles alike.
 */
final class Change {

    private Change() {
    }

    private static Class<?> earlierApi(Path jar, Path library) throws Exception {
        ClassLoader loader = new URLClassLoader(new URL[] {jar.toUri().toURL()},
                ClassLoader.getPlatformClassLoader()) {
            @Override
            protected String findLibrary(String name) {
                return name.equals("QELScanner") ? library.toString() : null;
            }
        };
        return Class.forName("QelScan.QelScanApi", true, loader);
    }

    private static MethodHandle entry(Class<?> api, String name, Class<?>... parameters) throws Exception {
        return MethodHandles.publicLookup().findStatic(api, name, MethodType.methodType(int.class, parameters));
    }

    static void addTo(Bench bench, Path earlierJar, Path earlierLibrary) throws Exception {
        Class<?> earlier = earlierApi(earlierJar, earlierLibrary);
        if (earlier == QelScanApi.class) {
            throw new IllegalStateException("the earlier bridge resolved to the current class");
        }
        String front = bench.scratch.resolve("change-front.tif").toString();
        String back = bench.scratch.resolve("change-back.tif").toString();
        String[] frontLen = {""};
        String[] backLen = {""};
        String[] code = {""};
        String[] codeLen = {""};
        byte[][] images = new byte[4][Bench.IMAGE_BYTES];
        int[][] lengths = new int[4][1];
        int[] quality = new int[1];
        int[] contrast = new int[1];
        int[] docStatus = new int[32];
        String[] moments = {"before", "after"};
        MethodHandle[][] handles = new MethodHandle[2][];
        for (int m = 0; m < 2; m++) {
            Class<?> api = m == 0 ? earlier : QelScanApi.class;
            handles[m] = new MethodHandle[] {
                entry(api, "MirbStatus"),
                entry(api, "MirbGetParam", int.class),
                entry(api, "MirbScan", int.class, String.class, String[].class, String.class, String[].class,
                        String[].class, String[].class),
                entry(api, "MirbScanMemory", int.class, byte[].class, int[].class, byte[].class, int[].class,
                        String[].class, int.class),
                entry(api, "QelScanToMemory", byte[].class, int[].class, byte[].class, int[].class, byte[].class,
                        int[].class, byte[].class, int[].class, String[].class, int[].class, int[].class,
                        int[].class),
            };
        }
        // Before and after of each entry run next to each other in a round.
        for (Bench.Logs logs : Bench.Logs.values()) {
            for (int m = 0; m < 2; m++) {
                MethodHandle status = handles[m][0];
                bench.add("change." + moments[m] + ".MirbStatus", "change", "MirbStatus, " + moments[m], logs,
                        false, Bench.ANY, n -> {
                            long sum = 0;
                            for (int i = 0; i < n; i++) {
                                sum += (int) status.invokeExact();
                            }
                            return sum;
                        });
            }
            for (int m = 0; m < 2; m++) {
                MethodHandle getParam = handles[m][1];
                bench.add("change." + moments[m] + ".MirbGetParam", "change", "MirbGetParam(0), " + moments[m],
                        logs, false, 0, n -> {
                            long sum = 0;
                            for (int i = 0; i < n; i++) {
                                sum += (int) getParam.invokeExact(0);
                            }
                            return sum;
                        });
            }
            for (int m = 0; m < 2; m++) {
                MethodHandle scan = handles[m][2];
                bench.add("change." + moments[m] + ".MirbScan", "change", "MirbScan, " + moments[m], logs, true,
                        0, n -> {
                            long sum = 0;
                            for (int i = 0; i < n; i++) {
                                sum += (int) scan.invokeExact(0, front, frontLen, back, backLen, code, codeLen);
                            }
                            return sum;
                        });
            }
            for (int m = 0; m < 2; m++) {
                MethodHandle scanMemory = handles[m][3];
                bench.add("change." + moments[m] + ".MirbScanMemory", "change", "MirbScanMemory, " + moments[m],
                        logs, true, 0, n -> {
                            long sum = 0;
                            for (int i = 0; i < n; i++) {
                                sum += (int) scanMemory.invokeExact(0, images[0], lengths[0], images[1],
                                        lengths[1], code, 0);
                            }
                            return sum;
                        });
            }
            for (int m = 0; m < 2; m++) {
                MethodHandle scanToMemory = handles[m][4];
                bench.add("change." + moments[m] + ".QelScanToMemory", "change",
                        "QelScanToMemory, " + moments[m], logs, true, 0, n -> {
                            long sum = 0;
                            for (int i = 0; i < n; i++) {
                                sum += (int) scanToMemory.invokeExact(images[0], lengths[0], images[1],
                                        lengths[1], images[2], lengths[2], images[3], lengths[3], code, quality,
                                        contrast, docStatus);
                            }
                            return sum;
                        });
            }
        }
    }
}
