package QelScan.tool;

import QelScan.capture.Document;
import QelScan.capture.Image;
import QelScan.capture.ImageKind;
import QelScan.capture.ScanRequest;
import QelScan.capture.ScannerException;
import QelScan.capture.Session;
import QelScan.capture.TraceFiles;
import QelScan.capture.VirtualScanner;
import java.io.File;
import java.io.IOException;
import java.io.PrintWriter;
import java.nio.charset.Charset;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.text.SimpleDateFormat;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Date;
import java.util.List;
import java.util.Map;
import java.util.Optional;
import java.util.regex.Pattern;

/**
 * A run of full scans into one folder: one document after another until the
 * count is reached or the feeder is empty, each with its four images, its
 * line on the output and its place on index.html.
 */
final class Batch {

    /** What a run writes into its folder, and so what an earlier run left there. */
    private static final Pattern OUTPUT = Pattern.compile("\\d{4,}-(front|back)\\.(tif|jpg)|index\\.html");

    private final ScanOptions options;
    /** Null: every document. */
    private final Integer count;
    /** Null: no endorsement. */
    private final Endorsement endorsement;
    private final String endorsementText;
    /** The command's output: the documents' lines, the summary and the progress. */
    private final PrintWriter out;
    private final boolean progress;
    private final List<Document> documents = new ArrayList<Document>();
    private File dir;
    private String heading;
    private String subtitle;

    Batch(ScanOptions options, Integer count, Endorsement endorsement, String endorsementText, PrintWriter out,
            boolean progress) throws Failure {
        if (endorsement != null && !Charset.defaultCharset().newEncoder().canEncode(endorsementText)) {
            throw new Failure("the endorsement \"" + endorsementText + "\" cannot be written in this system's "
                    + "charset " + Charset.defaultCharset() + ", which the scanner library reads");
        }
        this.options = options;
        this.count = count;
        this.endorsement = endorsement;
        this.endorsementText = endorsementText;
        this.out = out;
        this.progress = progress;
    }

    int run() throws Failure {
        long start = System.nanoTime();
        dir = prepareFolder();
        String stopped;
        try (Session session = Failure.openSession(options.config)) {
            String identity;
            try {
                identity = session.scannerInfo().toString();
            } catch (ScannerException e) {
                identity = "a scanner that did not say what it is (" + e.call() + " " + e.code().orElse(0) + ")";
            }
            subtitle = String.format("Scanned %s on %s (%s)%s.",
                    options.target == ScanOptions.Target.files ? "to files" : "into memory",
                    new SimpleDateFormat("yyyy-MM-dd HH:mm").format(new Date()), identity,
                    endorsement == null ? "" : ", each endorsed \"" + endorsementText + "\"");
            stopped = scanAll(session);
        } catch (ScannerException e) {
            throw new Failure("Closing the session", e);
        } finally {
            clearProgress();
        }

        long bytes = 0;
        for (Document d : documents) {
            for (Image image : d.images().values()) {
                bytes += image.size();
            }
        }
        out.println(String.format("%d document%s, %d images, %d bytes in %.1f s; %s.", documents.size(),
                documents.size() == 1 ? "" : "s", 4 * documents.size(), bytes, (System.nanoTime() - start) / 1e9,
                stopped));
        out.println("Images: " + dir);
        out.println("Page:   " + new File(dir, IndexPage.NAME));
        if (documents.isEmpty()) {
            throw new Failure("no document was scanned: the feeder is empty", Main.NO_DOCUMENT);
        }
        return Main.OK;
    }

    /** Scans until the count is reached or the feeder is empty; says which ended the run. */
    private String scanAll(Session session) throws Failure {
        heading = "Scanning";
        writePage();
        for (int sequence = 1; count == null || sequence <= count; sequence++) {
            showProgress(sequence);
            if (endorsement != null) {
                Failure.step("Queueing the endorsement", () -> session.batchPrint(endorsementText, endorsement.x,
                        endorsement.y, endorsement.scale, endorsement.direction));
            }
            ScanRequest files = files(dir, sequence);
            boolean toFiles = options.target == ScanOptions.Target.files;
            if (toFiles) {
                // The bridge prints the file names on the process's standard output: keep ours in order with them.
                out.flush();
                System.out.flush();
            }
            Optional<Document> scanned = Failure.doing("Scanning document " + sequence,
                    () -> session.scan(toFiles ? files : ScanRequest.full()));
            if (!scanned.isPresent()) {
                updateHeading();
                writePage();
                return "the feeder is empty (the virtual scanner's " + VirtualScanner.NO_DOCUMENT + ", NO_DOCUMENT)";
            }
            Document document = scanned.get();
            if (!toFiles) {
                for (Map.Entry<ImageKind, Image> image : document.images().entrySet()) {
                    Path file = files.file(image.getKey()).get();
                    try {
                        image.getValue().writeTo(file);
                    } catch (IOException e) {
                        throw new Failure("cannot write " + file + ": " + e);
                    }
                }
            }
            clearProgress();
            out.println(line(sequence, document));
            documents.add(document);
            updateHeading();
            writePage();
        }
        return "the count of " + count + " is reached";
    }

    /** A full scan into the files of document {@code sequence} in {@code dir}: 0001-front.tif and so on. */
    static ScanRequest files(File dir, int sequence) {
        return ScanRequest.full().withFiles(dir.toPath(), String.format("%04d", sequence));
    }

    /** The document's line in the tool's output. */
    static String line(int sequence, Document d) {
        return String.format("%04d  quality %d  contrast %d  TIFF %d + %d bytes  JPEG %d + %d bytes  %s", sequence,
                d.imageQuality().orElse(0), d.contrast().orElse(0), size(d, ImageKind.FRONT_BLACK_AND_WHITE),
                size(d, ImageKind.BACK_BLACK_AND_WHITE), size(d, ImageKind.FRONT_GRAY), size(d, ImageKind.BACK_GRAY),
                d.codeLine().isEmpty() ? "(no code line)" : TraceFiles.visible(d.codeLine()));
    }

    static int size(Document document, ImageKind kind) {
        return document.image(kind).map(Image::size).orElse(0);
    }

    private File prepareFolder() throws Failure {
        File folder = OutputFolder.prepare(options.out != null ? options.out
                : Paths.get("scan-" + new SimpleDateFormat("yyyyMMdd-HHmmss").format(new Date()))).toFile();
        String[] earlier = folder.list((parent, name) -> OUTPUT.matcher(name).matches());
        if (earlier == null) {
            throw new Failure("cannot read the folder " + folder);
        }
        if (earlier.length > 0) {
            Arrays.sort(earlier);
            if (!options.overwrite) {
                throw new Failure(folder + " already holds the images of an earlier run (" + earlier[0]
                        + (earlier.length > 1 ? " and " + (earlier.length - 1) + " more" : "")
                        + "): name another folder, or pass --overwrite to replace them");
            }
            for (String name : earlier) {
                File file = new File(folder, name);
                if (!file.delete()) {
                    throw new Failure("cannot delete " + file + " of the earlier run");
                }
            }
        }
        return folder;
    }

    private void updateHeading() {
        heading = documents.size() + (documents.size() == 1 ? " document" : " documents");
    }

    /** The page follows every document, so that it shows what was captured even if the run fails later. */
    private void writePage() throws Failure {
        try {
            IndexPage.write(dir, heading, subtitle, documents);
        } catch (IOException e) {
            throw new Failure("cannot write " + new File(dir, IndexPage.NAME) + ": " + e);
        }
    }

    private String progressText = "";

    private void showProgress(int sequence) {
        if (!progress) {
            return;
        }
        progressText = "Scanning document " + sequence + (count != null ? " of " + count : "") + " ...";
        // Back to the line's start, so that the bridge's own lines of a scan to files overwrite it.
        out.print("\r" + progressText + "\r");
        out.flush();
    }

    private void clearProgress() {
        if (progress && !progressText.isEmpty()) {
            char[] blanks = new char[progressText.length()];
            Arrays.fill(blanks, ' ');
            out.print("\r" + new String(blanks) + "\r");
            out.flush();
            progressText = "";
        }
    }
}
