package QelBench;

import static java.lang.foreign.ValueLayout.ADDRESS;
import static java.lang.foreign.ValueLayout.JAVA_BYTE;
import static java.lang.foreign.ValueLayout.JAVA_INT;

import java.lang.foreign.Arena;
import java.lang.foreign.FunctionDescriptor;
import java.lang.foreign.Linker;
import java.lang.foreign.MemorySegment;
import java.lang.foreign.SymbolLookup;
import java.lang.invoke.MethodHandle;

/**
 * The scanner library called through the Foreign Function & Memory API
 * (Java 22 and later), without our bridge. Loaded by name from
 * {@link Bench} only on such a Java, so that the rest runs on older ones.
 */
// Binding a native library is what this class is for.
@SuppressWarnings("restricted")
public final class Ffm {

    private static final Linker LINKER = Linker.nativeLinker();
    private static final SymbolLookup LIBRARY =
            SymbolLookup.libraryLookup(Bench.scanner, Arena.global());

    private static MethodHandle entry(String name, FunctionDescriptor descriptor) {
        return LINKER.downcallHandle(LIBRARY.find(name).orElseThrow(), descriptor);
    }

    private static final MethodHandle STATUS =
            entry("MIRBStatus", FunctionDescriptor.of(JAVA_INT));
    private static final MethodHandle GET_PARAM =
            entry("MIRBGetParam", FunctionDescriptor.of(JAVA_INT, JAVA_INT));
    private static final FunctionDescriptor SCAN_DESCRIPTOR = FunctionDescriptor.of(JAVA_INT,
            JAVA_INT, ADDRESS, ADDRESS, ADDRESS, ADDRESS, ADDRESS, ADDRESS);
    private static final MethodHandle SCAN = entry("MIRBScan", SCAN_DESCRIPTOR);
    private static final MethodHandle SCAN_MEMORY = entry("MIRBScanMemory", SCAN_DESCRIPTOR);
    private static final MethodHandle FULL_SCAN = entry("QELScan", FunctionDescriptor.of(
            JAVA_INT, ADDRESS, ADDRESS, ADDRESS, ADDRESS, ADDRESS, ADDRESS, ADDRESS, ADDRESS));
    private static final MethodHandle IMAGE_LENGTH =
            entry("QELGetMemoryImageLength", FunctionDescriptor.of(JAVA_INT, ADDRESS));

    private Ffm() {
    }

    public static void addTo() {
        String front = Bench.scratch.resolve("ffm-front.tif").toString();
        String back = Bench.scratch.resolve("ffm-back.tif").toString();
        String[] texts = new String[4];
        byte[] frontImage = new byte[Bench.IMAGE_BYTES];
        byte[] backImage = new byte[Bench.IMAGE_BYTES];
        // Off-heap image buffers, made once as a program would keep them.
        Arena buffers = Arena.global();
        MemorySegment[] images = new MemorySegment[4];
        MemorySegment[] descriptors = new MemorySegment[4];
        for (int i = 0; i < 4; i++) {
            images[i] = buffers.allocate(Bench.IMAGE_BYTES);
            descriptors[i] = buffers.allocateFrom("MD:" + images[i].address());
        }
        Bench.add("ffm.MIRBStatus", false, Bench.ANY, () -> (int) STATUS.invokeExact());
        Bench.add("ffm.MIRBGetParam", false, 0, () -> (int) GET_PARAM.invokeExact(0));
        // Both sides to TIFF files; the names and texts in a confined arena.
        Bench.add("ffm.MIRBScan", true, 0, () -> {
            try (Arena call = Arena.ofConfined()) {
                MemorySegment frontLen = call.allocate(32);
                MemorySegment backLen = call.allocate(32);
                MemorySegment code = call.allocate(256);
                MemorySegment codeLen = call.allocate(32);
                int result = (int) SCAN.invokeExact(0, call.allocateFrom(front), frontLen,
                        call.allocateFrom(back), backLen, code, codeLen);
                texts[0] = frontLen.getString(0);
                texts[1] = backLen.getString(0);
                texts[2] = code.getString(0);
                texts[3] = codeLen.getString(0);
                return result;
            }
        });
        // Into off-heap buffers, each image's bytes then copied into a Java array.
        Bench.add("ffm.MIRBScanMemory", true, 0, () -> {
            try (Arena call = Arena.ofConfined()) {
                MemorySegment out = call.allocate(JAVA_INT, 3);
                MemorySegment code = call.allocate(256);
                int result = (int) SCAN_MEMORY.invokeExact(0, images[0], out, images[1],
                        out.asSlice(4), code, out.asSlice(8));
                MemorySegment.copy(images[0], JAVA_BYTE, 0, frontImage, 0,
                        out.getAtIndex(JAVA_INT, 0));
                MemorySegment.copy(images[1], JAVA_BYTE, 0, backImage, 0,
                        out.getAtIndex(JAVA_INT, 1));
                texts[2] = code.getString(0);
                return result;
            }
        });
        // Four off-heap buffers named by memory descriptors, and their four
        // lengths: the library's share of QelScanToMemory.
        Bench.add("ffm.QELScan", true, 0, () -> {
            try (Arena call = Arena.ofConfined()) {
                MemorySegment code = call.allocate(256);
                MemorySegment figures = call.allocate(JAVA_INT, 2 + 32);
                int result = (int) FULL_SCAN.invokeExact(descriptors[0], descriptors[1],
                        descriptors[2], descriptors[3], code, figures, figures.asSlice(4),
                        figures.asSlice(8));
                for (MemorySegment image : images) {
                    result -= (int) IMAGE_LENGTH.invokeExact(image) > 0 ? 0 : 1;
                }
                return result;
            }
        });
    }
}
