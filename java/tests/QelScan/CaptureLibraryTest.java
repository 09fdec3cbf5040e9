package QelScan;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import QelScan.capture.Document;
import QelScan.capture.Fault;
import QelScan.capture.Image;
import QelScan.capture.ImageKind;
import QelScan.capture.Library;
import QelScan.capture.ScanRequest;
import QelScan.capture.ScannerException;
import QelScan.capture.Session;
import java.io.File;
import java.nio.file.FileAlreadyExistsException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.Comparator;
import java.util.HexFormat;
import java.util.List;
import java.util.Map;
import java.util.Optional;
import java.util.OptionalInt;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import java.util.stream.Stream;
import javax.tools.ToolProvider;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;
import org.junit.jupiter.api.function.Executable;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/** The capture library on the virtual scanner, used as an application uses it: no QelScanApi call of its own. */
class CaptureLibraryTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    /** Four threads, each with another kind of scan, share one session until the feeder is empty. */
    @Test
    void fourThreadsShareOneSessionToTheEmptyFeederAndTheJdkDecodesEveryImage(@TempDir Path dir)
            throws Exception {
        List<ScanRequest> requests = List.of(ScanRequest.full(), ScanRequest.full().withFiles(dir, "any"),
                ScanRequest.blackAndWhite(), ScanRequest.gray());
        List<Document> documents = Collections.synchronizedList(new ArrayList<>());
        int total = 0;
        ExecutorService threads = Executors.newFixedThreadPool(4);
        try (Session session = Session.open()) {
            List<Future<Integer>> counts = new ArrayList<>();
            for (ScanRequest request : requests) {
                counts.add(threads.submit(() -> session.feed(request, Integer.MAX_VALUE, documents::add)));
            }
            for (Future<Integer> count : counts) {
                total += count.get();
            }
            assertEquals(Optional.empty(), session.scan(ScanRequest.full()));
        } finally {
            threads.shutdown();
        }
        assertEquals(12, total);
        documents.sort(Comparator.comparingInt(Document::sequence));
        assertEquals(VirtualStack.CODE_LINES, documents.stream().map(Document::codeLine).toList());
        for (Document document : documents) {
            for (Map.Entry<ImageKind, Image> entry : document.images().entrySet()) {
                Image image = entry.getValue();
                boolean gray = entry.getKey() == ImageKind.FRONT_GRAY || entry.getKey() == ImageKind.BACK_GRAY;
                Images.Decoded decoded = Images.decode(image.bytes(), 0, image.size());
                assertEquals(gray ? Images.GRAY_JPEG : Images.BILEVEL_TIFF, decoded, document + " " + entry.getKey());
                image.header().ifPresent(header -> assertEquals(
                        List.of(decoded.width(), decoded.height(), decoded.bits(), gray ? 100 : 200),
                        List.of(header.width(), header.length(), header.bitsPerPixel(), header.dpi())));
            }
        }
    }

    /** Each image goes into a file writeImages makes: what is at a name, a file or a link, stays as it was. */
    @ParameterizedTest
    @CsvSource({"nothing", "file", "link"})
    void writeImagesNeitherReplacesAFileNorWritesThroughALink(String planted, @TempDir Path dir) throws Exception {
        byte[] jpeg = {(byte) 0xFF, (byte) 0xD8, (byte) 0xFF, 0};
        Document document = Document.of(7, "", Map.of(ImageKind.FRONT_GRAY, Image.of(jpeg),
                ImageKind.BACK_GRAY, Image.of(jpeg)));
        Path victim = Files.writeString(dir.resolve("victim"), "kept");
        Path back = dir.resolve("0007-back.jpg");
        switch (planted) {
            case "file" -> Files.copy(victim, back);
            case "link" -> Files.createSymbolicLink(back, victim);
            default -> assertEquals(List.of(dir.resolve("0007-front.jpg"), back), document.writeImages(dir));
        }
        if (!planted.equals("nothing")) {
            Exception e = assertThrows(FileAlreadyExistsException.class, () -> document.writeImages(dir));
            assertTrue(e.getMessage().startsWith(back.toString()), e.getMessage());
        }
        assertArrayEquals(planted.equals("nothing") ? jpeg : "kept".getBytes(), Files.readAllBytes(back));
    }

    /** The other scans, each with the images the JDK reads; a file holds what the document holds. */
    @Test
    void everyKindOfScanDeliversItsImagesAndTheLibraryAnswersWithAndWithoutASession(@TempDir Path dir)
            throws Exception {
        Object[][] table = { // request, its images as the JDK decodes them
            {ScanRequest.blackAndWhite().withFiles(dir, "bw"), "tif 1200 550 1, tif 1200 550 1"},
            {ScanRequest.gray().withFiles(dir, "gray"), "jpeg 600 275 8, jpeg 600 275 8"},
            {ScanRequest.full(ImageKind.BACK_GRAY).withFiles(dir, "back"), "jpeg 600 275 8"},
            {ScanRequest.uv(2), "jpeg 600 275 8"},
            {ScanRequest.uv(1).withFiles(dir, "uv"), "tif 600 275 8"},
            {ScanRequest.longDocument(2).withFiles(dir, "long"), "tif 2400 550 1"}};
        try (Session session = Session.open()) {
            assertEquals(Optional.empty(), session.rereadCodeLine());
            for (Object[] row : table) {
                ScanRequest request = (ScanRequest) row[0];
                Document document = session.scan(request).orElseThrow();
                List<String> decoded = new ArrayList<>();
                for (Map.Entry<ImageKind, Image> entry : document.images().entrySet()) {
                    Images.Decoded image = Images.decode(entry.getValue().bytes(), 0, entry.getValue().size());
                    decoded.add(image.format() + " " + image.width() + " " + image.height() + " " + image.bits());
                    Optional<Path> file = request.file(entry.getKey());
                    if (file.isPresent()) {
                        assertArrayEquals(Files.readAllBytes(file.get()), entry.getValue().bytes(), file.toString());
                    }
                }
                assertEquals(List.of(request.images(), row[1]),
                        List.of(document.images().keySet(), String.join(", ", decoded)), request.toString());
            }
            Session.CodeLine reread = session.rereadCodeLine().orElseThrow();
            assertEquals(List.of(VirtualStack.CODE_LINES.get(5), "9".repeat(VirtualStack.CODE_LINES.get(5).length())),
                    List.of(reread.text(), reread.confidence()));
            Image compressed = session.compress(dir.resolve("bw-front.tif"));
            assertEquals(Images.BILEVEL_TIFF, Images.decode(compressed.bytes(), 0, compressed.size()));
            assertEquals(List.of(1512, true), List.of(Library.version(), Library.usbScanner().present()));
        }
        assertEquals(List.of(1512, 0x16), List.of(Library.version(), Library.supportedScanners()));
    }

    @Test
    void theReadmeQuickStartCompilesAndRunsAsPrinted(@TempDir Path dir) throws Exception {
        String readme = Files.readString(Path.of(System.getProperty("qelscan.readme")));
        Matcher block = Pattern.compile("\n## Quick start\n.*?```java\n(.*?)```", Pattern.DOTALL).matcher(readme);
        assertTrue(block.find(), "no java block under ## Quick start");
        Matcher name = Pattern.compile("public final class (\\w+)").matcher(block.group(1));
        assertTrue(name.find(), block.group(1));
        Path source = Files.writeString(dir.resolve(name.group(1) + ".java"), block.group(1));
        Path classes = Files.createDirectories(dir.resolve("classes"));
        String jars = ChildJvm.locationOf(QelScanApi.class) + File.pathSeparator
                + ChildJvm.locationOf(Session.class);
        assertEquals(0, ToolProvider.getSystemJavaCompiler().run(null, null, null, "--release", "8", "-cp", jars,
                "-d", classes.toString(), source.toString()));

        Path work = Files.createDirectories(dir.resolve("work"));
        ChildJvm.Result run = ChildJvm.runIn(work, classes, name.group(1));
        assertEquals(0, run.exitCode(), run.output());
        List<String> expected = new ArrayList<>();
        for (int document = 1; document <= 12; document++) {
            for (String file : List.of("back.jpg", "back.tif", "front.jpg", "front.tif")) {
                expected.add(String.format("%04d-%s", document, file));
            }
        }
        try (Stream<Path> files = Files.list(work)) {
            assertEquals(expected, files.map(file -> file.getFileName().toString()).sorted().toList(), run.output());
        }
    }

    /** Memory images: the header's first four fields, then the stream found by its signature; or no header. */
    @ParameterizedTest
    @CsvSource({
        "'B004 2602 0100 C800 1000 0100 06000000 49492A00 0800', TIFF, 16",
        "'B004 2602 0100 C800 4D4D002A 0000 0008', TIFF, 8",
        "'5802 1301 0800 6400 1000 0200 05000000 FFD8FFE0 00', JPEG, 16",
        "'5802 1301 0800 6400 1000 0300 05000000 FFD8 0000 00', UNKNOWN, 0",
        "'5802 1301', UNKNOWN, 0",
        "'49492A00 0800 0000 00', TIFF, 0"})
    void aMemoryImagesStreamIsFoundAfterItsHeaderFields(String hex, Image.Format format, int streamStart) {
        byte[] memory = HexFormat.of().parseHex(hex.replace(" ", ""));
        Image image = Image.ofMemoryImage(Arrays.copyOf(memory, 1024), memory.length);
        assertEquals(format, image.format());
        assertArrayEquals(Arrays.copyOfRange(memory, streamStart, memory.length), image.bytes());
        boolean headed = memory.length >= 8 && memory[0] != 'I';
        assertEquals(headed ? Optional.of(memory[0] == (byte) 0xB0 ? "1200 x 550, 1 bit, 200 dpi"
                : "600 x 275, 8 bit, 100 dpi") : Optional.empty(), image.header().map(Object::toString));
    }

    @Test
    void failuresSayTheCallTheCodeTheVirtualScannersMeaningAndTheErrorLogsLastLine(@TempDir Path dir)
            throws Exception {
        logs.switchOn(logs.info, logs.error);
        try (Session session = Session.open()) {
            assertTrue(session.isVirtual());
            Object[][] table = { // what, call, code, meaning, the error log's last line
                {(Executable) () -> session.setParameterText(1, "x".repeat(256)), "MirbSetParamString", -1, "",
                    "sParamString is longer than 255 bytes error"},
                {(Executable) () -> session.readConfiguration(dir.resolve("none.cfg")), "MirbReadConfig", -104,
                    "FILE", LogFiles.callLine("MirbReadConfig")},
                {(Executable) () -> session.parameter(300), "MirbGetParam", -103, "BAD_ARGUMENT",
                    LogFiles.callLine("MirbGetParam")},
                {(Executable) session::eject, "MirbEjectDocument", -102, "NO_DOCUMENT",
                    LogFiles.callLine("MirbEjectDocument")}};
            for (Object[] row : table) {
                ScannerException e = assertThrows(ScannerException.class, (Executable) row[0]);
                assertEquals(List.of(row[1], OptionalInt.of((int) row[2]), row[2].equals(-1), row[3]), List.of(e.call(),
                        e.code(), e.refusedByBridge(), e.meaning().map(m -> m.split(":")[0]).orElse("")));
                assertTrue(e.errorLogLine().orElseThrow().endsWith("--->" + row[4]), e.getMessage());
                assertTrue(e.getMessage().startsWith(row[1] + " returned " + row[2] + ", "), e.getMessage());
            }
        }
    }

    /**
     * The example hopper's faults, each answered as an operator would, and its slow document, made 1.5 s late
     * against an answer time of 0.6 s: it comes with the next scan, so all 15 documents that pass are scanned.
     */
    @Test
    void theExampleHoppersFaultsAreToldByName(@TempDir Path dir) throws Exception {
        Path example = Path.of(System.getProperty("qelscan.example"));
        for (String name : new String[] {"pattern-front.tif", "pattern-back.jpg"}) {
            Files.copy(example.resolve(name), dir.resolve(name));
        }
        Path hopper = Files.writeString(dir.resolve("checks.hopper"),
                Files.readString(example.resolve("checks.hopper")).replace("slow=300", "slow=1500"));
        ChildJvm.Result run = ChildJvm.run(Map.of("MIRB_VIRTUAL_HOPPER", hopper.toString()),
                FaultProbe.class.getName());
        assertEquals(List.of("= 15 JAM DOUBLE_FEED SLOW_ANSWER CAPTURE UNPLUGGED DOUBLE_FEED",
                "= QelScanToMemory returned -110, the virtual scanner's JAM: a document jammed in the track: every "
                        + "scan fails until the track is cleared (MirbClearDocument)."),
                run.output().lines().filter(line -> line.startsWith("= ")).toList(), run.output());
    }

    /** A library too old for MirbInit: the session opens with the three texts, and says it is not accepted. */
    @Test
    void aRefusedOpenSaysWhyAndLeavesTheWayOpenForTheNext() throws Exception {
        ChildJvm.Result run = ChildJvm.run(Map.of("MIRB_VIRTUAL_VERSION", "1511"), OpenProbe.class.getName());
        assertEquals(List.of("= MirbInit returned -1, the bridge's refusal: the scanner library's version 15.11 is "
                + "older than 15.12.", "= 1511 false"),
                run.output().lines().filter(line -> line.startsWith("= ")).toList(), run.output());
    }

    /** Opens with MirbInit, then with MirbInitPath. */
    public static final class OpenProbe {

        private OpenProbe() {
        }

        public static void main(String[] args) throws Exception {
            try {
                Session.open().close();
            } catch (ScannerException e) {
                System.out.println("= " + e.getMessage());
            }
            try (Session session = Session.open(Session.options().initPath("lib", "scanner.ini", "scanner.cfg"))) {
                System.out.println("= " + session.libraryVersion() + " " + session.libraryAccepted());
            }
        }
    }

    /** Feeds the hopper to the empty feeder; prints the documents scanned and the faults met. */
    public static final class FaultProbe {

        private FaultProbe() {
        }

        public static void main(String[] args) throws Exception {
            Session.Options options = Session.options().answerTime(600, TimeUnit.MILLISECONDS);
            Session session = Session.open(options);
            List<String> faults = new ArrayList<>();
            String jam = "";
            int documents = 0;
            try {
                while (true) {
                    try {
                        if (session.scan(ScanRequest.full()).isEmpty()) {
                            break;
                        }
                        documents++;
                    } catch (ScannerException e) {
                        Fault fault = e.fault().orElseThrow(() -> e);
                        if (fault != Fault.SLOW_ANSWER || !faults.contains(fault.name())) {
                            faults.add(fault.name()); // late to several scan calls: once is enough
                        }
                        jam = fault == Fault.JAM ? e.getMessage() : jam;
                        if (fault == Fault.JAM || fault == Fault.DOUBLE_FEED) {
                            session.clear();
                        } else if (fault == Fault.UNPLUGGED) {
                            session.close();
                            session = Session.open(options);
                        }
                    }
                }
            } finally {
                session.close();
            }
            System.out.println("= " + documents + " " + String.join(" ", faults));
            System.out.println("= " + jam);
        }
    }

    @Test
    void anInterruptedCallerKeepsItsFlagAndTheSessionWorksOnUntilClosed() throws Exception {
        Session session = Session.open();
        try {
            assertThrows(IllegalStateException.class, Session::open);
            Thread.currentThread().interrupt();
            ScannerException e = assertThrows(ScannerException.class, () -> session.status(200, 0));
            assertTrue(Thread.interrupted() && e.getCause() instanceof InterruptedException, e.toString());
            assertEquals(0x0005, session.status());
        } finally {
            session.close();
        }
        session.close();
        assertThrows(IllegalStateException.class, session::status);
        Session.open().close();
    }
}
