package QelScan.capture;

import java.io.IOException;
import java.io.OutputStream;
import java.nio.file.FileAlreadyExistsException;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.nio.file.StandardOpenOption;
import java.util.ArrayList;
import java.util.Collections;
import java.util.EnumMap;
import java.util.List;
import java.util.Map;
import java.util.Optional;
import java.util.OptionalInt;

/**
 * A scanned document: its code line, what the full scans also report
 * (image quality, contrast, 32 status values) and the images asked for.
 * Immutable.
 */
public final class Document {

    private final int sequence;
    private final String codeLine;
    private final OptionalInt quality;
    private final OptionalInt contrast;
    private final List<Integer> status;
    private final Map<ImageKind, Image> images;

    Document(int sequence, String codeLine, OptionalInt quality, OptionalInt contrast, int[] status,
            Map<ImageKind, Image> images) {
        this.sequence = sequence;
        this.codeLine = codeLine;
        this.quality = quality;
        this.contrast = contrast;
        List<Integer> values = new ArrayList<Integer>();
        if (status != null) {
            for (int value : status) {
                values.add(value);
            }
        }
        this.status = Collections.unmodifiableList(values);
        this.images = Collections.unmodifiableMap(images.isEmpty() ? new EnumMap<ImageKind, Image>(ImageKind.class)
                : new EnumMap<ImageKind, Image>(images));
    }

    /**
     * A document as a test double of {@link Scanner} delivers it.
     *
     * @param sequence its number in the session, from 1
     * @param codeLine its code line
     * @param images its images
     * @return the document, without quality, contrast and status
     */
    public static Document of(int sequence, String codeLine, Map<ImageKind, Image> images) {
        return new Document(sequence, codeLine, OptionalInt.empty(), OptionalInt.empty(), null, images);
    }

    /**
     * The document's number in its session: 1 for the first document the session delivered.
     *
     * @return the number
     */
    public int sequence() {
        return sequence;
    }

    /**
     * The code line as the scanner read it; empty when it read none, or the scan reads none (UV, long document).
     *
     * @return the code line
     */
    public String codeLine() {
        return codeLine;
    }

    /**
     * The final image quality a full scan reports.
     *
     * @return the quality, or empty for the other scans
     */
    public OptionalInt imageQuality() {
        return quality;
    }

    /**
     * The final contrast a full scan reports.
     *
     * @return the contrast, or empty for the other scans
     */
    public OptionalInt contrast() {
        return contrast;
    }

    /**
     * The 32 document status values of a full scan, whose meanings are the scanner library's.
     *
     * @return the 32 values, or an empty list for the other scans
     */
    public List<Integer> status() {
        return status;
    }

    /**
     * The images, in the order of {@link ImageKind}.
     *
     * @return the images asked for, by kind
     */
    public Map<ImageKind, Image> images() {
        return images;
    }

    /**
     * One image.
     *
     * @param kind which
     * @return the image, or empty when it was not asked for
     */
    public Optional<Image> image(ImageKind kind) {
        return Optional.ofNullable(images.get(kind));
    }

    /**
     * The file name of one of its images: the sequence in four digits, the side and the format's extension,
     * such as {@code 0001-front.tif} and {@code 0001-front.jpg}. Where two images of a side share a format,
     * the gray one is named {@code 0001-front-gray.tif}.
     *
     * @param kind which image
     * @return the file name
     * @throws IllegalArgumentException when the document has no such image
     */
    public String fileName(ImageKind kind) {
        Image image = images.get(kind);
        if (image == null) {
            throw new IllegalArgumentException("document " + sequence + " has no " + kind + " image");
        }
        boolean gray = kind == ImageKind.FRONT_GRAY || kind == ImageKind.BACK_GRAY;
        boolean shared = false;
        for (Map.Entry<ImageKind, Image> other : images.entrySet()) {
            shared |= other.getKey() != kind && other.getKey().side().equals(kind.side())
                    && other.getValue().format() == image.format();
        }
        return String.format("%04d-%s%s.%s", sequence, kind.side(), gray && shared ? "-gray" : "",
                image.format().extension());
    }

    /**
     * Writes every image into {@code folder} under its {@link #fileName file name}, each into a file it
     * creates ({@link StandardOpenOption#CREATE_NEW}): it never replaces a file that is there already and
     * never writes through a symbolic link at the name, so that no one who can put a link into the folder
     * can make the images overwrite another file. A file it could not write whole is deleted. The files are
     * readable as the application's other new files are.
     *
     * @param folder an existing folder
     * @return the files written, in the order of {@link #images()}
     * @throws FileAlreadyExistsException naming the file, when anything (a file, a link, a folder) is at one of
     *         the names; the images before it are written
     * @throws IOException when one cannot be written
     */
    public List<Path> writeImages(Path folder) throws IOException {
        List<Path> files = new ArrayList<Path>();
        for (Map.Entry<ImageKind, Image> entry : images.entrySet()) {
            Path file = folder.resolve(fileName(entry.getKey()));
            OutputStream created;
            try {
                created = Files.newOutputStream(file, StandardOpenOption.CREATE_NEW, StandardOpenOption.WRITE,
                        LinkOption.NOFOLLOW_LINKS);
            } catch (FileAlreadyExistsException e) {
                throw new FileAlreadyExistsException(file.toString(), null,
                        "something is there already, which an image is not written over");
            }
            boolean whole = false;
            try {
                try (OutputStream out = created) {
                    out.write(entry.getValue().bytes());
                }
                whole = true;
            } finally {
                if (!whole) {
                    Files.deleteIfExists(file);
                }
            }
            files.add(file);
        }
        return files;
    }

    @Override
    public String toString() {
        return String.format("%04d %s %s", sequence, codeLine.isEmpty() ? "(no code line)" : codeLine,
                images.keySet());
    }
}
