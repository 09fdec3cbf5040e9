package QelScan;

import static QelScan.LogFiles.callLine;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.ConcurrentLinkedQueue;
import java.util.concurrent.atomic.AtomicBoolean;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;

/**
 * Eight threads calling the bridge at once while both log files trace
 * them: every line whole, none lost, every result right; then with the files
 * deleted and re-created under the threads' feet.
 */
class ConcurrentTracingTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    @RegisterExtension
    final ScannerSession session = new ScannerSession();

    private static final int THREADS = 8;
    private static final int ROUNDS = 1500;
    private static final int READY_WITH_DOCUMENTS = 0x0005; // the virtual scanner's status word

    /** Four calls a round; thread t owns parameter selector t. Returns the rounds it made. */
    private static int calls(int thread, int limit, AtomicBoolean stop, ConcurrentLinkedQueue<String> wrong) {
        int rounds = 0;
        for (; rounds < limit && !stop.get(); rounds++) {
            check(wrong, "MirbStatus", READY_WITH_DOCUMENTS, QelScanApi.MirbStatus());
            check(wrong, "QelApiVersion", 1512, QelScanApi.QelApiVersion());
            check(wrong, "MirbSetParamString", 0, QelScanApi.MirbSetParamString(thread, "thread " + thread));
            check(wrong, "MirbGetParam", 1000 + thread, QelScanApi.MirbGetParam(thread));
        }
        return rounds;
    }

    private static void check(ConcurrentLinkedQueue<String> wrong, String method, int expected, int actual) {
        if (expected != actual) {
            wrong.add(method + " returned " + actual + ", not " + expected);
        }
    }

    /**
     * Runs the threads for `limit` rounds each, or until `during`, run on
     * this thread meanwhile, is over. Returns the rounds made.
     */
    private static int run(int limit, Runnable during) throws Exception {
        AtomicBoolean stop = new AtomicBoolean();
        ConcurrentLinkedQueue<String> wrong = new ConcurrentLinkedQueue<>();
        int[] rounds = new int[THREADS];
        List<Thread> threads = new ArrayList<>();
        for (int t = 0; t < THREADS; t++) {
            final int thread = t;
            assertEquals(0, QelScanApi.MirbSetParam(thread, 1000 + thread));
            threads.add(new Thread(() -> rounds[thread] = calls(thread, limit, stop, wrong)));
        }
        threads.forEach(Thread::start);
        during.run();
        if (limit == Integer.MAX_VALUE) {
            stop.set(true);
        }
        for (Thread thread : threads) {
            thread.join();
        }
        assertEquals(List.of(), new ArrayList<>(wrong));
        int total = 0;
        for (int r : rounds) {
            total += r;
        }
        return total;
    }

    /** How often each text occurs; fails on a text no call writes (a torn or mixed line). */
    private static Map<String, Integer> count(List<String> texts) {
        Map<String, String> known = new HashMap<>();
        for (String method : List.of("MirbStatus", "QelApiVersion", "MirbSetParamString", "MirbGetParam",
                "MirbSetParam")) {
            known.put(callLine(method), callLine(method));
        }
        for (int t = 0; t < THREADS; t++) {
            known.put("cap = thread " + t, "cap = thread *");
        }
        Map<String, Integer> counts = new HashMap<>();
        for (String text : texts) {
            String kind = known.get(text);
            assertTrue(kind != null, "not a line any call writes: [" + text + "]");
            counts.merge(kind, 1, Integer::sum);
        }
        return counts;
    }

    @Test
    void everyLineIsWholeAndCountedAndEveryResultRight() throws Exception {
        logs.switchOn(logs.info, logs.error);
        int rounds = run(ROUNDS, () -> { });
        assertEquals(THREADS * ROUNDS, rounds);
        Map<String, Integer> info = count(logs.texts(logs.info));
        Map<String, Integer> errors = count(logs.texts(logs.error));
        for (String method : List.of("MirbStatus", "QelApiVersion", "MirbSetParamString", "MirbGetParam")) {
            // The parameter settings before the threads add one MirbSetParam line each, not counted here.
            assertEquals(rounds, info.get(callLine(method)), method);
            assertEquals(rounds, errors.get(callLine(method)), method);
        }
        assertEquals(rounds, info.get("cap = thread *"));
        assertFalse(errors.containsKey("cap = thread *"));
        System.out.println("concurrent tracing: " + (info.values().stream().mapToInt(i -> i).sum()
                + errors.values().stream().mapToInt(i -> i).sum()) + " lines checked");
    }

    @Test
    void filesSwitchedOffAndOnUnderRunningThreadsStayWholeAndAreNeverCreated() throws Exception {
        logs.switchOn(logs.info, logs.error);
        List<Boolean> recreatedByBridge = new ArrayList<>();
        run(Integer.MAX_VALUE, () -> {
            try {
                for (int flip = 0; flip < 10; flip++) {
                    logs.switchOff(logs.info, logs.error);
                    Thread.sleep(15);
                    recreatedByBridge.add(Files.exists(logs.info) || Files.exists(logs.error));
                    logs.switchOn(logs.info, logs.error);
                    Thread.sleep(15);
                }
            } catch (Exception e) {
                throw new AssertionError(e);
            }
        });
        assertFalse(recreatedByBridge.contains(true), "the bridge brought a deleted log file back");
        // Logging resumed in the last files, and what they hold is whole.
        assertFalse(count(logs.texts(logs.info)).isEmpty());
        assertFalse(count(logs.texts(logs.error)).isEmpty());
    }
}
