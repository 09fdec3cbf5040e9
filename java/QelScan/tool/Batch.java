package QelScan.tool;

import QelScan.QelScanApi;
import java.io.File;
import java.io.IOException;
import java.io.OutputStream;
import java.io.PrintWriter;
import java.nio.file.Files;
import java.nio.file.StandardCopyOption;
import java.text.SimpleDateFormat;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Date;
import java.util.List;
import java.util.regex.Pattern;

/**
 * A run of full scans into one folder: one document after another until the
 * count is reached or the feeder is empty, each with its four images, its
 * line on the output and its place on index.html.
 */
final class Batch {

    /** What the bridge demands of each image buffer. */
    private static final int BUFFER_BYTES = 1048576;

    /** What a run writes into its folder, and so what an earlier run left there. */
    private static final Pattern OUTPUT = Pattern.compile("\\d{4,}-(front|back)\\.(tif|jpg)|index\\.html");

    private final ScanOptions options;
    /** Null: every document. */
    private final Integer count;
    /** Null: no endorsement. */
    private final Endorsement endorsement;
    private final byte[] endorsementText;
    private final String endorsementShown;
    /** The command's output: the documents' lines, the summary and the progress. */
    private final PrintWriter out;
    private final boolean progress;
    private final List<Document> documents = new ArrayList<Document>();
    private File dir;
    private String heading;
    private String subtitle;
    private byte[][] buffers;

    Batch(ScanOptions options, Integer count, Endorsement endorsement, String endorsementText, PrintWriter out,
            boolean progress) throws Failure {
        this.options = options;
        this.count = count;
        this.endorsement = endorsement;
        this.endorsementText = endorsement == null ? null : Endorsement.encode(endorsementText);
        this.endorsementShown = endorsementText;
        this.out = out;
        this.progress = progress;
    }

    int run() throws Failure {
        long start = System.nanoTime();
        dir = prepareFolder();
        String stopped;
        try (Session session = Session.open(options.config)) {
            subtitle = String.format("Scanned %s on %s (%s)%s.",
                    options.target == ScanOptions.Target.files ? "to files" : "into memory",
                    new SimpleDateFormat("yyyy-MM-dd HH:mm").format(new Date()), session.identity(),
                    endorsement == null ? "" : ", each endorsed \"" + endorsementShown + "\"");
            stopped = scanAll(session);
        } finally {
            clearProgress();
        }

        long bytes = 0;
        for (Document d : documents) {
            bytes += d.totalSize();
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
                endorsement.queue(session, endorsementText);
            }
            Document document = options.target == ScanOptions.Target.files ? scanToFiles(session, sequence)
                    : scanToMemory(session, sequence);
            if (document == null) {
                updateHeading();
                writePage();
                return "the feeder is empty (the virtual scanner's " + VirtualScanner.NO_DOCUMENT + ", NO_DOCUMENT)";
            }
            clearProgress();
            out.println(document.line());
            documents.add(document);
            updateHeading();
            writePage();
        }
        return "the count of " + count + " is reached";
    }

    /** The document, or null when the virtual scanner has none left. */
    private Document scanToFiles(Session session, int sequence) throws Failure {
        File[] files = new File[4];
        for (Document.Image image : Document.Image.values()) {
            files[image.ordinal()] = new File(dir, image.fileName(sequence));
        }
        String[] codeLine = {""};
        int[] quality = {0};
        int[] contrast = {0};
        // The bridge prints the file names on the process's standard output: keep ours in order with them.
        out.flush();
        System.out.flush();
        int result = QelScanApi.QelScanToFile(files[0].getPath(), files[1].getPath(), files[2].getPath(),
                files[3].getPath(), codeLine, quality, contrast, new int[32]);
        if (endOfFeeder(session, result)) {
            return null;
        }
        session.check("Scanning document " + sequence, "QelScanToFile", result);
        long[] sizes = new long[4];
        for (int i = 0; i < 4; i++) {
            // A success without the image would leave a hole in the capture: it is a failure.
            if (!files[i].isFile() || files[i].length() == 0) {
                throw session.failure("Scanning document " + sequence + " failed: QelScanToFile returned 0 but "
                        + "wrote no image " + files[i]);
            }
            sizes[i] = files[i].length();
        }
        return new Document(sequence, codeLine[0], quality[0], contrast[0], sizes);
    }

    private Document scanToMemory(Session session, int sequence) throws Failure {
        if (buffers == null) {
            buffers = new byte[4][BUFFER_BYTES];
        }
        int[][] lengths = {{0}, {0}, {0}, {0}};
        String[] codeLine = {""};
        int[] quality = {0};
        int[] contrast = {0};
        int result = QelScanApi.QelScanToMemory(buffers[0], lengths[0], buffers[1], lengths[1], buffers[2],
                lengths[2], buffers[3], lengths[3], codeLine, quality, contrast, new int[32]);
        if (endOfFeeder(session, result)) {
            return null;
        }
        session.check("Scanning document " + sequence, "QelScanToMemory", result);
        long[] sizes = new long[4];
        for (Document.Image image : Document.Image.values()) {
            int i = image.ordinal();
            if (lengths[i][0] <= 0 || lengths[i][0] > BUFFER_BYTES) {
                throw session.failure("Scanning document " + sequence + " failed: QelScanToMemory returned 0 but "
                        + "delivered " + lengths[i][0] + " bytes for " + image.fileName(sequence));
            }
            write(new File(dir, image.fileName(sequence)), buffers[i], lengths[i][0]);
            sizes[i] = lengths[i][0];
        }
        return new Document(sequence, codeLine[0], quality[0], contrast[0], sizes);
    }

    /** Only the virtual scanner is known to mean "no document" by a code; any other code ends the run as a failure. */
    private static boolean endOfFeeder(Session session, int result) {
        return session.virtual && result == VirtualScanner.NO_DOCUMENT;
    }

    /** Whole or not at all: a file cut short must not pass for an image. */
    private static void write(File file, byte[] bytes, int length) throws Failure {
        File temporary = new File(file.getPath() + ".tmp");
        try {
            try (OutputStream out = Files.newOutputStream(temporary.toPath())) {
                out.write(bytes, 0, length);
            }
            Files.move(temporary.toPath(), file.toPath(), StandardCopyOption.REPLACE_EXISTING);
        } catch (IOException e) {
            temporary.delete();
            throw new Failure("cannot write " + file + ": " + e);
        }
    }

    private File prepareFolder() throws Failure {
        File folder = options.out != null ? options.out
                : new File("scan-" + new SimpleDateFormat("yyyyMMdd-HHmmss").format(new Date()));
        folder = folder.getAbsoluteFile();
        if (!folder.isDirectory() && !folder.mkdirs()) {
            throw new Failure("cannot make the folder " + folder);
        }
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
