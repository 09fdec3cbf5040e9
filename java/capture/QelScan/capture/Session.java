package QelScan.capture;

import QelScan.QelScanApi;
import java.io.IOException;
import java.nio.ByteBuffer;
import java.nio.CharBuffer;
import java.nio.charset.CharacterCodingException;
import java.nio.charset.Charset;
import java.nio.charset.CodingErrorAction;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayDeque;
import java.util.Arrays;
import java.util.Deque;
import java.util.EnumMap;
import java.util.HashSet;
import java.util.Map;
import java.util.Optional;
import java.util.OptionalInt;
import java.util.Set;
import java.util.concurrent.Callable;
import java.util.concurrent.ExecutionException;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.TimeoutException;

/**
 * The scanner session of this process, through {@code QelScan.QelScanApi}.
 *
 * <p>The scanner library holds one session per process: {@link #open}
 * fails while another is open. Close it with try-with-resources.
 *
 * <p><b>Threads.</b> Nothing says a scanner library takes calls from
 * several threads, so every call of a session runs on the session's own
 * thread (a daemon thread named {@code qelscan-session}), one after the
 * other; the calling thread waits for it. A session may therefore be used
 * from any number of threads. A caller interrupted while waiting gets a
 * {@link ScannerException} whose cause is the {@link InterruptedException},
 * with its interrupt flag set again; the call itself goes on to its end on
 * the session's thread, and the session stays usable. What such a scan
 * delivers is not lost: see {@link #scan}. A call after {@link #close()}
 * fails with {@link IllegalStateException}; calls made before it finish
 * first.
 */
public final class Session implements Scanner {

    /** The options of {@link Session#open(Options)}. Immutable; each method returns a changed copy. */
    public static final class Options {
        private final String[] initPath;
        private final Path configuration;
        private final int[] emptyFeederCodes;
        private final long answerMillis;

        private Options(String[] initPath, Path configuration, int[] emptyFeederCodes, long answerMillis) {
            this.initPath = initPath;
            this.configuration = configuration;
            this.emptyFeederCodes = emptyFeederCodes;
            this.answerMillis = answerMillis;
        }

        /**
         * Open with the three texts of {@code MirbInitPath} instead of {@code MirbInit}, which checks the
         * library version first.
         *
         * @param dllPath the library's path text
         * @param iniFile the INI file name
         * @param configFile the configuration file name
         * @return the changed copy
         */
        public Options initPath(String dllPath, String iniFile, String configFile) {
            return new Options(new String[] {dllPath, iniFile, configFile}, configuration, emptyFeederCodes,
                    answerMillis);
        }

        /**
         * Load the settings of a configuration file once the session is open (MirbReadConfig).
         *
         * @param file the file
         * @return the changed copy
         */
        public Options configuration(Path file) {
            return new Options(initPath, file, emptyFeederCodes, answerMillis);
        }

        /**
         * The result codes that mean an empty feeder for this scanner library. The virtual scanner's
         * ({@link VirtualScanner#NO_DOCUMENT}) is known without them.
         *
         * @param codes the library's codes
         * @return the changed copy
         */
        public Options emptyFeederCodes(int... codes) {
            return new Options(initPath, configuration, codes.clone(), answerMillis);
        }

        /**
         * The longest a caller waits for a call's answer; a later one fails with {@link Fault#SLOW_ANSWER},
         * while the call goes on in the session. A late scan's outcome is kept for the next scan call
         * ({@link Session#scan}). Default: no limit.
         *
         * @param time the time
         * @param unit its unit
         * @return the changed copy
         */
        public Options answerTime(long time, TimeUnit unit) {
            return new Options(initPath, configuration, emptyFeederCodes, unit.toMillis(time));
        }
    }

    /** What the bridge demands of an image buffer. */
    private static final int BUFFER_BYTES = 1048576;
    private static final ImageKind[] FULL = {ImageKind.FRONT_BLACK_AND_WHITE, ImageKind.BACK_BLACK_AND_WHITE,
        ImageKind.FRONT_GRAY, ImageKind.BACK_GRAY};

    private static final Object LOCK = new Object();
    /** The open session of this process, or null. */
    private static volatile Session current;

    private final ExecutorService thread = Executors.newSingleThreadExecutor(task -> {
        Thread thread = new Thread(task, "qelscan-session");
        thread.setDaemon(true);
        return thread;
    });
    private final Options options;
    private final Set<Integer> emptyFeederCodes = new HashSet<Integer>();
    private boolean closed;
    // Touched on the session's thread only.
    private volatile int openResult;
    private volatile boolean virtual;
    private int sequence;
    private final byte[][] buffers = new byte[4][];
    /** Scans whose callers stopped waiting (late answer, interrupt), oldest first; guarded by this. */
    private final Deque<Future<Optional<Document>>> unclaimed = new ArrayDeque<Future<Optional<Document>>>();

    private Session(Options options) {
        this.options = options;
        for (int code : options.emptyFeederCodes) {
            emptyFeederCodes.add(code);
        }
    }

    /**
     * The options to start from: {@code MirbInit}, no configuration file, no answer time.
     *
     * @return the default options
     */
    public static Options options() {
        return new Options(null, null, new int[0], 0);
    }

    /**
     * Opens the session with {@code MirbInit}.
     *
     * @return the session
     * @throws ScannerException when it does not open
     * @throws IllegalStateException while another session of this process is open
     */
    public static Session open() throws ScannerException {
        return open(options());
    }

    /**
     * Opens the session. An error of the bridge's loading ({@link UnsatisfiedLinkError},
     * {@link NoClassDefFoundError}) reaches the caller as it is.
     *
     * @param options how
     * @return the session
     * @throws ScannerException when it does not open, or the configuration file is refused (the session is
     *         then closed again)
     * @throws IllegalStateException while another session of this process is open
     */
    public static Session open(Options options) throws ScannerException {
        synchronized (LOCK) {
            if (current != null) {
                throw new IllegalStateException("a scanner session is open already: the scanner library holds "
                        + "one per process, close that one first");
            }
            Session session = new Session(options);
            try {
                session.await("MirbInit", session.thread.submit(session::openNow), false, null);
            } catch (ScannerException | RuntimeException | Error e) {
                session.thread.shutdown();
                throw e;
            }
            current = session;
            return session;
        }
    }

    private Void openNow() throws ScannerException {
        String[] texts = options.initPath;
        String call = texts == null ? "MirbInit" : "MirbInitPath";
        int result = texts == null ? QelScanApi.MirbInit() : QelScanApi.MirbInitPath(texts[0], texts[1], texts[2]);
        if (result < 0) {
            String last = TraceFiles.lastErrorLine().orElse(null); // before the version call adds its line
            if (result == ScannerException.BRIDGE_REFUSAL && texts == null) {
                int version = QelScanApi.QelApiVersion();
                if (version < MINIMUM_LIBRARY_VERSION) {
                    throw new ScannerException(call, result, null, null, call + " returned -1, the bridge's "
                            + "refusal: the scanner library's version " + versionText(version)
                            + " is older than 15.12", last, null);
                }
            }
            if (result == ScannerException.BRIDGE_REFUSAL) {
                throw new ScannerException(call, result, false, last);
            }
            throw new ScannerException(call, result, null, null, call + " returned " + result + ", the scanner "
                    + "library's own code (it cannot say what it is without a session, so the code is not decoded)",
                    last, null);
        }
        openResult = result;
        int[] adapter = {0};
        int[] target = {0};
        String[] vendor = {""};
        String[] product = {""};
        String[] release = {""};
        virtual = QelScanApi.MirbGetScannerInfo(adapter, target, vendor, product, release, 0) == 0
                && VirtualScanner.is(new Info(adapter[0], target[0], vendor[0], product[0], release[0]));
        if (options.configuration != null) {
            int loaded = QelScanApi.MirbReadConfig(options.configuration.toString());
            if (loaded != 0) {
                ScannerException failure = failure("MirbReadConfig", loaded);
                QelScanApi.MirbExit();
                throw failure;
            }
        }
        return null;
    }

    /**
     * A library version as text.
     *
     * @param number such as 1512
     * @return such as "15.12"
     */
    public static String versionText(int number) {
        return number < 0 ? Integer.toString(number) : String.format("%d.%02d", number / 100, number % 100);
    }

    // The session's thread

    /** Runs {@code task} on the session's thread and waits for it. */
    private <T> T call(String name, Callable<T> task) throws ScannerException {
        Future<T> future;
        synchronized (this) {
            checkOpen(name);
            future = thread.submit(task);
        }
        return await(name, future, true, null);
    }

    private void checkOpen(String name) {
        if (closed) {
            throw new IllegalStateException("the scanner session is closed (" + name + ")");
        }
    }

    /** A scan: the outcome of the oldest scan whose caller stopped waiting, else {@code task} run now. */
    private Optional<Document> callScan(String name, Callable<Optional<Document>> task) throws ScannerException {
        Future<Optional<Document>> future;
        synchronized (this) {
            checkOpen(name);
            future = unclaimed.pollFirst();
            if (future == null) {
                future = thread.submit(task);
            }
        }
        Future<Optional<Document>> scan = future;
        return await(name, scan, true, () -> {
            synchronized (this) {
                unclaimed.addFirst(scan);
            }
        });
    }

    /** Waits for {@code future}; {@code abandoned}, when given, runs when the caller stops waiting. */
    private <T> T await(String name, Future<T> future, boolean interruptible, Runnable abandoned)
            throws ScannerException {
        boolean interrupted = false;
        try {
            while (true) {
                try {
                    return options.answerMillis > 0 ? future.get(options.answerMillis, TimeUnit.MILLISECONDS)
                            : future.get();
                } catch (InterruptedException e) {
                    if (interruptible) {
                        Thread.currentThread().interrupt();
                        if (abandoned != null) {
                            abandoned.run();
                        }
                        throw new ScannerException(name, null, null, null, "Interrupted while waiting for " + name
                                + ", which goes on in the scanner session", null, e);
                    }
                    interrupted = true;
                } catch (TimeoutException e) {
                    if (interruptible) {
                        if (abandoned != null) {
                            abandoned.run();
                        }
                        throw new ScannerException(name, null, null, Fault.SLOW_ANSWER, name + " did not answer "
                                + "within " + options.answerMillis + " ms; it goes on in the scanner session", null,
                                null);
                    }
                }
            }
        } catch (ExecutionException e) {
            Throwable cause = e.getCause();
            if (cause instanceof ScannerException) {
                cause.fillInStackTrace(); // the caller's stack, not the session thread's
                throw (ScannerException) cause;
            }
            if (cause instanceof Error) {
                throw (Error) cause;
            }
            if (cause instanceof RuntimeException) {
                throw (RuntimeException) cause;
            }
            throw new ScannerException(name, null, null, null, name + " failed: " + cause, null, cause);
        } finally {
            if (interrupted) {
                Thread.currentThread().interrupt();
            }
        }
    }

    private ScannerException failure(String call, int result) {
        return new ScannerException(call, result, virtual, TraceFiles.lastErrorLine().orElse(null));
    }

    private void check(String call, int result) throws ScannerException {
        if (result != 0) {
            throw failure(call, result);
        }
    }

    private int nonNegative(String call, int result) throws ScannerException {
        if (result < 0) {
            throw failure(call, result);
        }
        return result;
    }

    private boolean emptyFeeder(int result) {
        return result != 0 && (emptyFeederCodes.contains(result) || (virtual && result == VirtualScanner.NO_DOCUMENT));
    }

    private byte[] buffer(int index) {
        if (buffers[index] == null) {
            buffers[index] = new byte[BUFFER_BYTES];
        }
        return buffers[index];
    }

    /** Runs a call that answers 0 on success. */
    private void run(String name, Callable<Integer> call) throws ScannerException {
        call(name, () -> {
            check(name, call.call());
            return null;
        });
    }

    // The library and the session

    @Override
    public int libraryVersion() throws ScannerException {
        return call("QelApiVersion", QelScanApi::QelApiVersion);
    }

    @Override
    public int openResult() {
        return openResult;
    }

    @Override
    public boolean isVirtual() {
        return virtual;
    }

    @Override
    public void debug(int level) throws ScannerException {
        run("MirbDebug", () -> QelScanApi.MirbDebug(level));
    }

    // Scans

    /**
     * {@inheritDoc}
     *
     * <p>A scan whose caller stopped waiting (a {@link Fault#SLOW_ANSWER}, an interrupt) goes on in the
     * session, and its outcome is kept: the session's next scan call, whatever it asks for, waits for that
     * outcome and returns or throws it instead of scanning, so that no document is lost. Outcomes no scan
     * call has taken when the session closes are dropped.
     *
     * @param request what to capture, and where
     * @return the document, or empty when the feeder is empty
     * @throws ScannerException when the scan fails, or delivers less than it asked for
     */
    @Override
    public Optional<Document> scan(ScanRequest request) throws ScannerException {
        return callScan(callOf(request), () -> scanNow(request));
    }

    /** Scans with the files of {@code request} named by the document's sequence number. */
    private Optional<Document> scanNumbered(ScanRequest request) throws ScannerException {
        return callScan(callOf(request), () -> scanNow(request.folder() == null ? request
                : request.withFiles(request.folder(), String.format("%04d", sequence + 1))));
    }

    @Override
    public int feed(ScanRequest request, int limit, DocumentHandler handler) throws ScannerException, IOException {
        int count = 0;
        while (count < limit) {
            Optional<Document> document = scanNumbered(request);
            if (!document.isPresent()) {
                break;
            }
            count++;
            if (!handler.handle(document.get())) {
                break;
            }
        }
        return count;
    }

    private static String callOf(ScanRequest request) {
        boolean files = request.folder() != null;
        switch (request.kind()) {
            case FULL:
                return files ? "QelScanToFile" : "QelScanToMemory";
            case BLACK_AND_WHITE:
                return files ? "MirbScan" : "MirbScanMemory";
            case GRAY:
                return files ? "MirbScanGray" : "MirbScanMemoryGray";
            case UV:
                return "QelScanUV";
            default:
                return "QelScanLong";
        }
    }

    private Optional<Document> scanNow(ScanRequest request) throws ScannerException, IOException {
        String call = callOf(request);
        Map<ImageKind, Image> images = new EnumMap<ImageKind, Image>(ImageKind.class);
        String[] code = {""};
        int[] quality = {0};
        int[] contrast = {0};
        int[] status = null;
        int result;
        if (request.kind() == ScanRequest.Kind.FULL) {
            status = new int[32];
            String[] names = new String[4];
            byte[][] memory = new byte[4][];
            int[][] lengths = new int[4][];
            for (int i = 0; i < 4; i++) {
                if (request.images().contains(FULL[i])) {
                    names[i] = request.file(FULL[i]).map(Path::toString).orElse(null);
                    memory[i] = names[i] == null ? buffer(i) : null;
                    lengths[i] = new int[1];
                }
            }
            result = names[0] != null || names[1] != null || names[2] != null || names[3] != null
                    ? QelScanApi.QelScanToFile(names[0], names[1], names[2], names[3], code, quality, contrast,
                            status)
                    : QelScanApi.QelScanToMemory(memory[0], lengths[0], memory[1], lengths[1], memory[2],
                            lengths[2], memory[3], lengths[3], code, quality, contrast, status);
            if (emptyFeeder(result)) {
                return Optional.empty();
            }
            check(call, result);
            for (int i = 0; i < 4; i++) {
                if (memory[i] != null) {
                    images.put(FULL[i], Image.of(delivered(call, FULL[i], memory[i], lengths[i][0])));
                }
            }
        } else if (request.kind() == ScanRequest.Kind.UV || request.kind() == ScanRequest.Kind.LONG) {
            ImageKind kind = request.kind() == ScanRequest.Kind.UV ? ImageKind.UV : ImageKind.LONG;
            String name = request.file(kind).map(Path::toString).orElse(null);
            int[] size = {0};
            result = kind == ImageKind.UV ? QelScanApi.QelScanUV(name, buffer(0), size, request.option())
                    : QelScanApi.QelScanLong(name, buffer(0), size, request.option());
            if (emptyFeeder(result)) {
                return Optional.empty();
            }
            check(call, result);
            delivered(call, kind, buffer(0), size[0]);
            images.put(kind, Image.ofMemoryImage(buffer(0), size[0]));
        } else {
            boolean gray = request.kind() == ScanRequest.Kind.GRAY;
            ImageKind front = gray ? ImageKind.FRONT_GRAY : ImageKind.FRONT_BLACK_AND_WHITE;
            ImageKind back = gray ? ImageKind.BACK_GRAY : ImageKind.BACK_BLACK_AND_WHITE;
            if (request.file(front).isPresent()) {
                String frontFile = request.file(front).get().toString();
                String backFile = request.file(back).get().toString();
                String[][] texts = {{""}, {""}, {""}};
                result = gray ? QelScanApi.MirbScanGray(0, frontFile, texts[0], backFile, texts[1], code, texts[2],
                        request.option())
                        : QelScanApi.MirbScan(request.option(), frontFile, texts[0], backFile, texts[1], code,
                                texts[2]);
            } else {
                int[][] lengths = {{0}, {0}};
                result = gray ? QelScanApi.MirbScanMemoryGray(0, buffer(0), lengths[0], buffer(1), lengths[1], code,
                        0, request.option())
                        : QelScanApi.MirbScanMemory(request.option(), buffer(0), lengths[0], buffer(1), lengths[1],
                                code, 0);
                if (result == 0) {
                    delivered(call, front, buffer(0), lengths[0][0]);
                    delivered(call, back, buffer(1), lengths[1][0]);
                    images.put(front, Image.ofMemoryImage(buffer(0), lengths[0][0]));
                    images.put(back, Image.ofMemoryImage(buffer(1), lengths[1][0]));
                }
            }
            if (emptyFeeder(result)) {
                return Optional.empty();
            }
            check(call, result);
        }
        // Scans to files: the document holds the files as written.
        for (ImageKind kind : request.images()) {
            Optional<Path> file = request.file(kind);
            if (file.isPresent() && !images.containsKey(kind)) {
                if (!Files.isRegularFile(file.get()) || Files.size(file.get()) == 0) {
                    throw new ScannerException(call, call + " returned 0 but wrote no image " + file.get());
                }
                images.put(kind, Image.of(Files.readAllBytes(file.get())));
            }
        }
        sequence++;
        boolean full = status != null;
        return Optional.of(new Document(sequence, code[0], full ? OptionalInt.of(quality[0]) : OptionalInt.empty(),
                full ? OptionalInt.of(contrast[0]) : OptionalInt.empty(), status, images));
    }

    /** A success without the image would leave a hole in the capture: it is a failure. */
    private static byte[] delivered(String call, ImageKind kind, byte[] buffer, int length) throws ScannerException {
        if (length <= 0 || length > buffer.length) {
            throw new ScannerException(call, call + " returned 0 but delivered " + length + " bytes for the "
                    + kind + " image");
        }
        return Arrays.copyOf(buffer, length);
    }

    @Override
    public Optional<CodeLine> rereadCodeLine() throws ScannerException {
        return call("QelScanGetOcrMicr", () -> {
            String[] text = {""};
            String[] confidence = {""};
            int result = QelScanApi.QelScanGetOcrMicr(text, confidence);
            if (emptyFeeder(result)) {
                return Optional.<CodeLine>empty();
            }
            check("QelScanGetOcrMicr", result);
            return Optional.of(new CodeLine(text[0], confidence[0]));
        });
    }

    @Override
    public void registerSpecialDocument(int first, int second, String routing, String account, int... v)
            throws ScannerException {
        if (v.length == 4) {
            run("QelScanSetSpecialDocument", () -> QelScanApi.QelScanSetSpecialDocument(first, second, routing,
                    account, v[0], v[1], v[2], v[3]));
        } else if (v.length == 10) {
            run("QelScanSetSpecialDocumentEx", () -> QelScanApi.QelScanSetSpecialDocumentEx(first, second, routing,
                    account, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]));
        } else {
            throw new IllegalArgumentException("a special document takes 4 or 10 further values, not " + v.length);
        }
    }

    // Endorsements

    /** The text as the scanner library reads it: in this system's charset (on Windows the ANSI code page). */
    private static byte[] encode(String text) {
        try {
            ByteBuffer bytes = Charset.defaultCharset().newEncoder().onMalformedInput(CodingErrorAction.REPORT)
                    .onUnmappableCharacter(CodingErrorAction.REPORT).encode(CharBuffer.wrap(text));
            return Arrays.copyOf(bytes.array(), bytes.limit());
        } catch (CharacterCodingException e) {
            throw new IllegalArgumentException("the endorsement \"" + text + "\" cannot be written in this "
                    + "system's charset " + Charset.defaultCharset() + ", which the scanner library reads", e);
        }
    }

    private static int[] values(int[] values, int count, String call) {
        if (values.length != count) {
            throw new IllegalArgumentException(call + " takes " + count + " further values, not " + values.length);
        }
        return values.clone();
    }

    @Override
    public void batchPrint(String text, long x, long y, int scale, int direction) throws ScannerException {
        byte[] bytes = encode(text);
        run("QelBatchPrintString", () -> QelScanApi.QelBatchPrintString(bytes, x, y, scale, direction));
    }

    @Override
    public void batchPrintBitmap(String text, String font, long x, long y, int... values) throws ScannerException {
        byte[] bytes = encode(text);
        int[] v = values(values, 7, "QelBatchPrintBMP");
        run("QelBatchPrintBMP", () -> QelScanApi.QelBatchPrintBMP(bytes, x, y, v[0], v[1], v[2], v[3], v[4], v[5],
                v[6], font));
    }

    @Override
    public void virtualEndorsement(String text, String font, long x, long y, int... values)
            throws ScannerException {
        byte[] bytes = encode(text);
        int[] v = values(values, 12, "QelScanVirtualEndorsement");
        run("QelScanVirtualEndorsement", () -> QelScanApi.QelScanVirtualEndorsement(bytes, x, y, v[0], v[1], v[2],
                v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11], font));
    }

    // Parameters and configuration

    @Override
    public int parameter(int selector) throws ScannerException {
        return call("MirbGetParam", () -> {
            int answer = QelScanApi.MirbGetParam(selector);
            // The answer is the value itself: only where the library is known can an error code be told from it.
            if (virtual && !VirtualScanner.holdsNumber(selector)) {
                throw failure("MirbGetParam", answer);
            }
            return answer;
        });
    }

    @Override
    public Optional<String> parameterText(int selector) throws ScannerException {
        return call("MirbGetParamString", () -> Optional.ofNullable(QelScanApi.MirbGetParamString(selector)));
    }

    @Override
    public void setParameter(int selector, int value) throws ScannerException {
        run("MirbSetParam", () -> QelScanApi.MirbSetParam(selector, value));
    }

    @Override
    public void setParameterText(int selector, String value) throws ScannerException {
        run("MirbSetParamString", () -> QelScanApi.MirbSetParamString(selector, value));
    }

    @Override
    public void readConfiguration(Path file) throws ScannerException {
        run("MirbReadConfig", () -> QelScanApi.MirbReadConfig(file.toString()));
    }

    @Override
    public void writeConfiguration(Path file) throws ScannerException {
        run("MirbWriteConfig", () -> QelScanApi.MirbWriteConfig(file.toString()));
    }

    // Status and transport

    @Override
    public int status() throws ScannerException {
        return call("MirbStatus", () -> nonNegative("MirbStatus", QelScanApi.MirbStatus()));
    }

    @Override
    public int status(int value, int other) throws ScannerException {
        return call("MirbStatusDelay", () -> nonNegative("MirbStatusDelay", QelScanApi.MirbStatusDelay(value, other)));
    }

    @Override
    public void eject() throws ScannerException {
        run("MirbEjectDocument", QelScanApi::MirbEjectDocument);
    }

    @Override
    public void clear() throws ScannerException {
        run("MirbClearDocument", QelScanApi::MirbClearDocument);
    }

    // Identity

    @Override
    public int scannerType() throws ScannerException {
        return call("GetScannerType", () -> nonNegative("GetScannerType", QelScanApi.GetScannerType()));
    }

    @Override
    public int supportedScanners() throws ScannerException {
        return call("QelApiSupportedScanners", QelScanApi::QelApiSupportedScanners);
    }

    @Override
    public Usb usbScanner() throws ScannerException {
        return call("IsQelUsbScannerAvailable", Session::usb);
    }

    /** The USB query; its codes are decoded only in a session of the virtual scanner. */
    static Usb usb() throws ScannerException {
        int[] vendor = {0};
        int[] product = {0};
        int result = QelScanApi.IsQelUsbScannerAvailable(vendor, product);
        if (result < 0) {
            Session session = current;
            throw new ScannerException("IsQelUsbScannerAvailable", result, session != null && session.virtual,
                    TraceFiles.lastErrorLine().orElse(null));
        }
        return new Usb(result, vendor[0], product[0]);
    }

    /** Runs a query that needs no session: on the open session's thread, else on the caller's. */
    static <T> T outside(String name, Callable<T> task) throws ScannerException {
        synchronized (LOCK) {
            Session session = current;
            if (session != null) {
                try {
                    return session.call(name, task);
                } catch (IllegalStateException closing) {
                    // Closed meanwhile: its thread ends with MirbExit, which must not meet this call.
                    session.awaitEnd();
                }
            }
            try {
                return task.call();
            } catch (ScannerException | RuntimeException e) {
                throw e;
            } catch (Exception e) {
                throw new ScannerException(name, null, null, null, name + " failed: " + e, null, e);
            }
        }
    }

    private void awaitEnd() {
        boolean interrupted = false;
        while (true) {
            try {
                if (thread.awaitTermination(1, TimeUnit.DAYS)) {
                    break;
                }
            } catch (InterruptedException e) {
                interrupted = true;
            }
        }
        if (interrupted) {
            Thread.currentThread().interrupt();
        }
    }

    @Override
    public Info scannerInfo() throws ScannerException {
        return call("MirbGetScannerInfo", () -> {
            int[] adapter = {0};
            int[] target = {0};
            String[] vendor = {""};
            String[] product = {""};
            String[] release = {""};
            check("MirbGetScannerInfo", QelScanApi.MirbGetScannerInfo(adapter, target, vendor, product, release, 0));
            return new Info(adapter[0], target[0], vendor[0], product[0], release[0]);
        });
    }

    @Override
    public Serial serialNumber() throws ScannerException {
        return call("MirbGetScannerSerialNumber", () -> {
            String[] serial = {""};
            int[] documentNumber = {0};
            int[] time = {0};
            check("MirbGetScannerSerialNumber", QelScanApi.MirbGetScannerSerialNumber(serial, documentNumber, time));
            return new Serial(serial[0], documentNumber[0], time[0]);
        });
    }

    // Image utilities

    @Override
    public Image compress(Path file) throws ScannerException {
        return call("MirbCompressImage", () -> compressed("MirbCompressImage",
                QelScanApi.MirbCompressImage(file.toString(), buffer(0))));
    }

    @Override
    public Image compressGray(Path file, int quality) throws ScannerException {
        return call("MirbCompressImageGray", () -> compressed("MirbCompressImageGray",
                QelScanApi.MirbCompressImageGray(file.toString(), buffer(0), quality)));
    }

    /** The compressions answer with the image's byte count. */
    private Image compressed(String call, int result) throws ScannerException {
        if (result < 0) {
            throw failure(call, result);
        }
        return Image.of(delivered(call, ImageKind.FRONT_BLACK_AND_WHITE, buffer(0), result));
    }

    @Override
    public void uvGain(Path input, Path output, int first, int second, int third) throws ScannerException {
        run("QelUVGain", () -> QelScanApi.QelUVGain(input.toString(), output.toString(), first, second, third));
    }

    @Override
    public void uvToTiff(Path input, Path output, int threshold) throws ScannerException {
        run("QelUVTiff", () -> QelScanApi.QelUVTiff(input.toString(), output.toString(), threshold));
    }

    @Override
    public void combineTiffs(Path input, Path append) throws ScannerException {
        run("MirbCombineTIFFS", () -> QelScanApi.MirbCombineTIFFS(input.toString(), append.toString()));
    }

    @Override
    public void copyFile(Path input, Path output) throws ScannerException {
        run("MirbCopyFile", () -> QelScanApi.MirbCopyFile(input.toString(), output.toString()));
    }

    @Override
    public void cropFile(Path input, Path output, int margin) throws ScannerException {
        run("MirbCropFile", () -> QelScanApi.MirbCropFile(input.toString(), output.toString(), margin));
    }

    /**
     * Closes the session after the calls already made (MirbExit), ends its thread and lets another session
     * open. Closing again does nothing; a caller interrupted meanwhile waits all the same, its interrupt flag
     * set again.
     *
     * @throws ScannerException when the library fails to close it; the session is closed all the same
     */
    @Override
    public void close() throws ScannerException {
        Future<Integer> exit;
        synchronized (this) {
            if (closed) {
                return;
            }
            closed = true;
            exit = thread.submit(QelScanApi::MirbExit);
            thread.shutdown();
        }
        try {
            int result = await("MirbExit", exit, false, null);
            if (result != 0) {
                throw failure("MirbExit", result);
            }
        } finally {
            synchronized (LOCK) {
                current = null;
            }
        }
    }
}
