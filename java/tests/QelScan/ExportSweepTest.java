package QelScan;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assertions.fail;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Set;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;
import org.junit.jupiter.api.io.TempDir;

/**
 * Every native method with each of its arguments spoilt in turn: each
 * reference null, each array empty and one short of its minimum, each text
 * at 255, 256 and 1000 bytes. The cases come from the methods' own
 * signatures; the JVM runs with -Xcheck:jni.
 */
class ExportSweepTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    // An empty String[] given to these makes the element fetch raise the exception.
    private static final Set<String> IDENTITY_QUERIES = Set.of("MirbGetScannerInfo", "MirbGetScannerSerialNumber");

    @TempDir
    static Path dir;

    @AfterEach
    void closeSession() {
        QelScanApi.MirbExit();
    }

    record Case(Method method, Object[] arguments, String what) {
    }

    private static List<Case> cases() {
        List<Case> cases = new ArrayList<>();
        List<Method> methods = ExportCalls.natives();
        assertEquals(41, methods.size());
        for (Method method : methods) {
            Class<?>[] types = method.getParameterTypes();
            for (int i = 0; i < types.length; i++) {
                List<Object> spoilt = new ArrayList<>();
                List<String> names = new ArrayList<>();
                if (!types[i].isPrimitive()) {
                    spoilt.add(null);
                    names.add("null");
                }
                if (types[i].isArray()) {
                    spoilt.add(ExportCalls.array(types[i], 0));
                    names.add("empty");
                    if (ExportCalls.minimum(method, i) > 1) {
                        spoilt.add(ExportCalls.array(types[i], ExportCalls.minimum(method, i) - 1));
                        names.add("one short");
                    }
                }
                if (types[i] == String.class || (types[i] == byte[].class && ExportCalls.PRINTERS.contains(method.getName()))) {
                    for (int length : new int[] {255, 256, 1000}) {
                        spoilt.add(types[i] == String.class ? ExportCalls.text(dir, length)
                                : "x".repeat(length).getBytes(StandardCharsets.US_ASCII));
                        names.add(length + " bytes");
                    }
                }
                for (int k = 0; k < spoilt.size(); k++) {
                    Object[] arguments = ExportCalls.validArguments(method, dir);
                    arguments[i] = spoilt.get(k);
                    cases.add(new Case(method, arguments, method.getName() + " argument " + i + " " + names.get(k)));
                }
            }
        }
        return cases;
    }

    @Test
    void everyExportSurvivesEverySpoiltArgument() throws Exception {
        int run = 0;
        for (Case c : cases()) {
            logs.switchOn(logs.info, logs.error);
            Object result;
            try {
                result = c.method().invoke(null, c.arguments());
            } catch (InvocationTargetException e) {
                boolean expected = e.getCause() instanceof ArrayIndexOutOfBoundsException
                        && IDENTITY_QUERIES.contains(c.method().getName()) && c.what().endsWith("empty");
                if (!expected) {
                    fail(c.what() + " threw", e.getCause());
                }
                result = -1;
            }
            run++;
            List<String> info = logs.texts(logs.info);
            List<String> errors = logs.texts(logs.error);
            assertFalse(errors.isEmpty(), c.what() + ": no call line");
            String lastError = errors.get(errors.size() - 1);
            if (c.what().endsWith(" 256 bytes") || c.what().endsWith(" 1000 bytes")) {
                assertEquals(-1, result, c.what());
                assertTrue(lastError.endsWith("is longer than 255 bytes error"), c.what() + ": " + lastError);
            } else if (c.what().endsWith(" 255 bytes")) {
                assertFalse(lastError.contains("longer than"), c.what() + ": " + lastError);
            }
            if (Integer.valueOf(-1).equals(result)) {
                // The refusal says why, in one of the logs.
                assertTrue(errors.size() > 1 || info.size() > 1, c.what() + ": -1 without a message");
            }
        }
        System.out.println("export sweep: " + run + " cases");
    }
}
