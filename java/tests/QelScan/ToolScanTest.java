package QelScan;

import static QelScan.Images.BILEVEL_TIFF;
import static QelScan.Images.GRAY_JPEG;
import static QelScan.Images.decode;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assumptions.assumeTrue;

import java.awt.image.BufferedImage;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import java.util.stream.Stream;
import javax.imageio.ImageIO;
import javax.xml.parsers.DocumentBuilderFactory;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.extension.RegisterExtension;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;
import org.junit.jupiter.params.provider.ValueSource;
import org.w3c.dom.Element;
import org.w3c.dom.NodeList;

/**
 * qelscan scan and endorse on the virtual scanner: the images, the lines
 * and index.html. In this JVM, but for another hopper than the default.
 */
class ToolScanTest {

    @RegisterExtension
    static final LogFiles logs = new LogFiles();

    private static final Pattern DOCUMENT_LINE = Pattern.compile("(\\d{4})  quality (\\d+)  contrast (\\d+)"
            + "  TIFF (\\d+) \\+ (\\d+) bytes  JPEG (\\d+) \\+ (\\d+) bytes  (.*)");

    /** A code line that holds what HTML would read as markup, a terminal's ESC and what XML forbids. */
    private static final String MARKUP = "U<b>&amp;\"'</b>U T249239726T \u001b[2J\uFFFE 1U";

    /** A hopper of two documents: the first with that code line, the second without one. */
    private static final String MARKUP_HOPPER = MARKUP + "\tquality=81\tcontrast=52\n\tquality=70\tcontrast=40\n";

    @ParameterizedTest
    @ValueSource(strings = {"files", "memory"})
    void threeChecksOfTheDefaultStackGiveTheirImagesLinesAndPage(String target, @TempDir Path work)
            throws Exception {
        Path out = work.resolve("scans");
        ToolRun.Result run = ToolRun.inProcess("scan", "--count", "3", "--to", target, "--out", out.toString());
        assertEquals(0, run.exitCode(), run.all());
        assertTrue(run.out().contains("3 documents, 12 images, "), run.all());

        int[][] figures = {{100, 60}, {97, 58}, {99, 63}};
        List<String> lines = run.documentLines();
        assertEquals(3, lines.size(), run.all());
        for (int i = 0; i < 3; i++) {
            Matcher m = DOCUMENT_LINE.matcher(lines.get(i));
            assertTrue(m.matches(), lines.get(i));
            String sequence = String.format("%04d", i + 1);
            assertEquals(List.of(sequence, Integer.toString(figures[i][0]), Integer.toString(figures[i][1]),
                    VirtualStack.CODE_LINES.get(i)), List.of(m.group(1), m.group(2), m.group(3), m.group(8)));
            String[] images = {"-front.tif", "-back.tif", "-front.jpg", "-back.jpg"};
            for (int k = 0; k < 4; k++) {
                Path image = out.resolve(sequence + images[k]);
                assertEquals(Files.size(image), Long.parseLong(m.group(4 + k)), image.toString());
                assertEquals(k < 2 ? BILEVEL_TIFF : GRAY_JPEG, decode(image), image.toString());
            }
        }
        assertEquals(VirtualStack.CODE_LINES.subList(0, 3), checkPage(out, 3));
        assertEquals(PosixFilePermissions.fromString("rwx------"), Files.getPosixFilePermissions(out));
    }

    /** Folders another user could put links into or read; links at the names of the page. */
    @ParameterizedTest
    @CsvSource(delimiter = '|', value = {
        "open       | 1 | scans may be written by others (mode 0777)",
        "nobody's   | 1 | scans belongs to nobody",
        "open above | 1 | /open may be written by others (mode 0777)",
        "links      | 0 | Page:"})
    void aFolderAnotherUserCouldChangeIsRefusedAndNoLinkIsFollowed(String setup, int exitCode, String message,
            @TempDir Path work) throws Exception {
        Path scans = Files.createDirectory(work.resolve("scans"));
        Path victim = Files.writeString(work.resolve("victim"), "root's");
        switch (setup) {
            case "open" -> Files.setPosixFilePermissions(scans, PosixFilePermissions.fromString("rwxrwxrwx"));
            case "nobody's" -> {
                assumeTrue(System.getProperty("user.name").equals("root"), "needs root, to give a folder away");
                Files.setOwner(scans, scans.getFileSystem().getUserPrincipalLookupService().lookupPrincipalByName("nobody"));
            }
            case "open above" -> scans = Files.setPosixFilePermissions(Files.createDirectory(work.resolve("open")),
                    PosixFilePermissions.fromString("rwxrwxrwx")).resolve("scans");
            default -> {
                Files.createSymbolicLink(scans.resolve("index.html"), victim);
                Files.createSymbolicLink(scans.resolve("index.html.tmp"), victim);
            }
        }
        ToolRun.Result run = ToolRun.inProcess("scan", "--count", "1", "--overwrite", "--out", scans.toString());
        assertEquals(exitCode, run.exitCode(), run.all());
        assertTrue((exitCode == 0 ? run.out() : run.err()).contains(message), run.all());
        assertEquals(exitCode == 0 ? 1 : 0, run.documentLines().size(), run.all());
        assertEquals("root's", Files.readString(victim));
        assertEquals(exitCode == 0, Files.isRegularFile(scans.resolve("index.html"), LinkOption.NOFOLLOW_LINKS));
    }

    @ParameterizedTest
    @CsvSource(delimiter = '|', value = {
        "empty  | 5 | 4 | 0 | the feeder is empty",
        "markup | 5 | 0 | 2 | the feeder is empty",
        "markup | 1 | 0 | 1 | the count of 1 is reached"})
    void aRunEndsWithTheCountOrTheFeeder(String hopper, int count, int exitCode, int documents, String ending,
            @TempDir Path work) throws Exception {
        Path hopperFile = Files.writeString(work.resolve("hopper.txt"), hopper.equals("empty") ? "" : MARKUP_HOPPER);
        ToolRun.Result run = ToolRun.run(work, Map.of("MIRB_VIRTUAL_HOPPER", hopperFile.toString()),
                "scan", "--count", Integer.toString(count), "--to", "memory", "--out", "scans");
        assertEquals(exitCode, run.exitCode(), run.all());
        assertTrue(run.out().contains(documents + " document") && run.out().contains(ending), run.all());
        assertEquals(documents, run.documentLines().size(), run.all());
        if (documents == 0) {
            assertTrue(run.err().contains("no document was scanned"), run.all());
        } else {
            assertTrue(run.documentLines().get(0).startsWith("0001  quality 81  contrast 52  "), run.all());
            assertTrue(run.documentLines().get(0).contains("  U<b>&amp;\"'</b>U T249239726T \\x1b[2J"), run.all());
        }
        List<String> expected = List.of(MARKUP.replaceAll("[\u001b\uFFFE]", "\uFFFD"), "").subList(0, documents);
        assertEquals(expected, checkPage(work.resolve("scans"), documents));
    }

    @Test
    void aFolderWithAnEarlierRunIsRefusedUnlessItIsToBeOverwritten(@TempDir Path work) throws Exception {
        String scans = work.resolve("scans").toString();
        assertEquals(0, ToolRun.inProcess("scan", "--count", "2", "--out", scans).exitCode());
        Path first = work.resolve("scans/0001-front.tif");
        byte[] before = Files.readAllBytes(first);

        ToolRun.Result refused = ToolRun.inProcess("scan", "--count", "1", "--out", scans);
        assertEquals(1, refused.exitCode(), refused.all());
        assertTrue(refused.err().contains("already holds the images of an earlier run"), refused.all());
        assertEquals(List.of(), refused.documentLines(), "nothing may be scanned");
        assertArrayEquals(before, Files.readAllBytes(first));

        ToolRun.Result overwritten = ToolRun.inProcess("scan", "--count", "1", "--overwrite", "--out", scans);
        assertEquals(0, overwritten.exitCode(), overwritten.all());
        // The second document of the earlier run must not pass for one of this run.
        assertEquals(VirtualStack.CODE_LINES.subList(0, 1), checkPage(work.resolve("scans"), 1));
    }

    @ParameterizedTest
    @CsvSource(delimiter = '|', value = {
        "'endorse,PAID'                          | 40  | 70  | true",
        "'endorse,PAID,--x,600,--y,300'          | 600 | 300 | true",
        "'endorse,PAID,--x,600,--y,300'          | 40  | 70  | false",
        "'scan,--count,1'                        | 40  | 70  | false",
        "'scan,--count,1'                        | 600 | 300 | false",
        "'scan,--count,1,--endorse,PAID,--scale,2' | 40 | 70  | true"})
    void theEndorsementIsPrintedOnTheBackOfTheDocumentScanned(String args, int x, int y, boolean inked,
            @TempDir Path work) throws Exception {
        List<String> command = new ArrayList<>(List.of(args.split(",")));
        command.addAll(List.of("--out", work.resolve("scans").toString()));
        ToolRun.Result run = ToolRun.inProcess(command.toArray(new String[0]));
        assertEquals(0, run.exitCode(), run.all());
        assertEquals(1, run.documentLines().size(), run.all());
        BufferedImage back = ImageIO.read(work.resolve("scans/0001-back.tif").toFile());
        int dark = 0;
        // "PAID" at scale 2 or 3 covers most of its first 30 x 14 pixels.
        for (int i = x; i < x + 30; i++) {
            for (int j = y; j < y + 14; j++) {
                dark += (back.getRGB(i, j) & 0xFF) < 128 ? 1 : 0;
            }
        }
        assertEquals(inked, dark > 40, args + ": " + dark + " dark pixels at " + x + ", " + y);
    }

    @Test
    void anEndorsementTheScannerRefusesScansNoDocument(@TempDir Path work) throws Exception {
        ToolRun.Result run = ToolRun.inProcess("endorse", "PAID", "--scale", "9", "--out",
                work.resolve("scans").toString());
        assertEquals(1, run.exitCode(), run.all());
        assertTrue(run.err().contains("QelBatchPrintString returned -103, the virtual scanner's BAD_ARGUMENT"),
                run.all());
        try (Stream<Path> files = Files.list(work.resolve("scans"))) {
            assertEquals(List.of("index.html"), files.map(p -> p.getFileName().toString()).toList());
        }
    }

    /**
     * Parses the folder's index.html as XML, checks that it shows each
     * document's two JPEGs, links its two TIFFs and that each exists, and
     * returns the code lines it lists ("" for a document without one).
     */
    private static List<String> checkPage(Path dir, int documents) throws Exception {
        org.w3c.dom.Document page = DocumentBuilderFactory.newInstance().newDocumentBuilder()
                .parse(dir.resolve("index.html").toFile());
        assertEquals("html", page.getDocumentElement().getTagName());
        List<String> shown = new ArrayList<>();
        List<String> linked = new ArrayList<>();
        List<String> expectedShown = new ArrayList<>();
        List<String> expectedLinked = new ArrayList<>();
        for (int n = 1; n <= documents; n++) {
            expectedShown.addAll(List.of(String.format("%04d-front.jpg", n), String.format("%04d-back.jpg", n)));
            expectedLinked.addAll(List.of(String.format("%04d-front.tif", n), String.format("%04d-back.tif", n)));
        }
        NodeList images = page.getElementsByTagName("img");
        for (int i = 0; i < images.getLength(); i++) {
            shown.add(((Element) images.item(i)).getAttribute("src"));
        }
        NodeList links = page.getElementsByTagName("a");
        for (int i = 0; i < links.getLength(); i++) {
            linked.add(((Element) links.item(i)).getAttribute("href"));
        }
        assertEquals(expectedShown, shown);
        assertEquals(expectedLinked, linked);
        for (String file : Stream.concat(shown.stream(), linked.stream()).toList()) {
            assertTrue(Files.isRegularFile(dir.resolve(file)), file);
        }
        try (Stream<Path> files = Files.list(dir)) {
            assertEquals(4 * documents, files.filter(p -> !p.endsWith("index.html")).count(),
                    "only the images of this run");
        }

        List<String> codeLines = new ArrayList<>();
        NodeList sections = page.getElementsByTagName("section");
        assertEquals(documents, sections.getLength());
        for (int i = 0; i < sections.getLength(); i++) {
            NodeList code = ((Element) sections.item(i)).getElementsByTagName("code");
            codeLines.add(code.getLength() == 0 ? "" : code.item(0).getTextContent());
        }
        return codeLines;
    }
}
