package QelScan;

import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Comparator;
import java.util.List;
import java.util.Set;

/** Calls of every native method, with arguments made from the method's own signature. */
final class ExportCalls {

    static final int IMAGE_BYTES = 1048576;
    static final Set<String> PRINTERS =
            Set.of("QelBatchPrintString", "QelBatchPrintBMP", "QelScanVirtualEndorsement");

    private ExportCalls() {
    }

    /** The 41 native methods, by name. */
    static List<Method> natives() {
        List<Method> methods = new ArrayList<>(Arrays.asList(QelScanApi.class.getDeclaredMethods()));
        methods.removeIf(m -> !Modifier.isNative(m.getModifiers()));
        methods.sort(Comparator.comparing(Method::getName));
        return methods;
    }

    /** The smallest array a parameter takes. */
    static int minimum(Method method, int index) {
        Class<?> type = method.getParameterTypes()[index];
        boolean last = index == method.getParameterCount() - 1;
        if (type == byte[].class) {
            return PRINTERS.contains(method.getName()) ? 1 : IMAGE_BYTES;
        }
        if (type == int[].class && last && method.getName().startsWith("QelScanTo")) {
            return 32; // the document status values
        }
        return 1;
    }

    static Object array(Class<?> type, int length) {
        if (type == int[].class) {
            return new int[length];
        }
        if (type == byte[].class) {
            byte[] bytes = new byte[length];
            Arrays.fill(bytes, (byte) 'x');
            return bytes;
        }
        String[] texts = new String[length];
        Arrays.fill(texts, "");
        return texts;
    }

    /** A text of `length` bytes that also names a file in `dir`. */
    static String text(Path dir, int length) {
        String folder = dir.toString() + "/";
        StringBuilder text = new StringBuilder(folder);
        while (text.length() < length) {
            text.append(text.length() - folder.length() < 200 ? 'n' : '/');
        }
        return text.substring(0, length);
    }

    /** Arguments every check of the bridge accepts; file names lie in `dir`. */
    static Object[] validArguments(Method method, Path dir) {
        Class<?>[] types = method.getParameterTypes();
        Object[] arguments = new Object[types.length];
        for (int i = 0; i < types.length; i++) {
            if (types[i] == int.class) {
                arguments[i] = 0;
            } else if (types[i] == long.class) {
                arguments[i] = 0L;
            } else if (types[i] == String.class) {
                arguments[i] = text(dir, dir.toString().length() + 6);
            } else if (PRINTERS.contains(method.getName()) && types[i] == byte[].class) {
                arguments[i] = "PAID".getBytes(StandardCharsets.US_ASCII);
            } else {
                arguments[i] = array(types[i], minimum(method, i));
            }
        }
        return arguments;
    }
}
