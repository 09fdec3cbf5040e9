package QelScan.capture;

import java.nio.file.Path;
import java.util.Collections;
import java.util.EnumSet;
import java.util.Optional;
import java.util.Set;

/**
 * What a scan is to capture, and where: into memory (the default) or into
 * files that the scanner library writes. Immutable; each {@code with}
 * method returns a changed copy.
 */
public final class ScanRequest {

    /** The scanner library's scans. */
    public enum Kind {
        /** Black-and-white and gray images of both sides, with quality, contrast and status (QelScanTo...). */
        FULL,
        /** Black-and-white images of both sides (MirbScan, MirbScanMemory). */
        BLACK_AND_WHITE,
        /** Gray images of both sides (MirbScanGray, MirbScanMemoryGray). */
        GRAY,
        /** The front under ultraviolet light (QelScanUV). */
        UV,
        /** A long document's front (QelScanLong). */
        LONG
    }

    private static final Set<ImageKind> FULL_IMAGES = EnumSet.range(ImageKind.FRONT_BLACK_AND_WHITE,
            ImageKind.BACK_GRAY);

    private final Kind kind;
    private final Set<ImageKind> images;
    private final int option;
    private final Path folder;
    private final String name;

    private ScanRequest(Kind kind, Set<ImageKind> images, int option, Path folder, String name) {
        this.kind = kind;
        this.images = Collections.unmodifiableSet(EnumSet.copyOf(images));
        this.option = option;
        this.folder = folder;
        this.name = name;
    }

    /**
     * A full scan.
     *
     * @param images the images wanted, among the two black-and-white and the two gray ones; none: all four
     * @return the request
     * @throws IllegalArgumentException for a UV or long-document image
     */
    public static ScanRequest full(ImageKind... images) {
        Set<ImageKind> wanted = EnumSet.copyOf(FULL_IMAGES);
        if (images.length > 0) {
            wanted.clear();
            for (ImageKind image : images) {
                if (!FULL_IMAGES.contains(image)) {
                    throw new IllegalArgumentException("a full scan makes no " + image + " image");
                }
                wanted.add(image);
            }
        }
        return new ScanRequest(Kind.FULL, wanted, 0, null, null);
    }

    /**
     * A black-and-white scan of both sides.
     *
     * @return the request, with scan option 0
     */
    public static ScanRequest blackAndWhite() {
        return new ScanRequest(Kind.BLACK_AND_WHITE,
                EnumSet.of(ImageKind.FRONT_BLACK_AND_WHITE, ImageKind.BACK_BLACK_AND_WHITE), 0, null, null);
    }

    /**
     * A gray scan of both sides.
     *
     * @return the request, with scan option and gray option 0
     */
    public static ScanRequest gray() {
        return new ScanRequest(Kind.GRAY, EnumSet.of(ImageKind.FRONT_GRAY, ImageKind.BACK_GRAY), 0, null, null);
    }

    /**
     * A UV scan of the front.
     *
     * @param format how the image is stored, the scanner library's number (the virtual scanner's: 0
     *        uncompressed TIFF, 1 PackBits TIFF, 2 JPEG)
     * @return the request
     */
    public static ScanRequest uv(int format) {
        return new ScanRequest(Kind.UV, EnumSet.of(ImageKind.UV), format, null, null);
    }

    /**
     * A long document's scan.
     *
     * @param format how the image is stored, the scanner library's number (the virtual scanner's: 0
     *        uncompressed, 1 PackBits, 2 Group 4 TIFF)
     * @return the request
     */
    public static ScanRequest longDocument(int format) {
        return new ScanRequest(Kind.LONG, EnumSet.of(ImageKind.LONG), format, null, null);
    }

    /**
     * The same request with another option: the scan option of black-and-white scans, the gray option of
     * gray scans (both the scanner library's numbers; a gray scan's scan option is 0), the format of UV and
     * long-document scans. A full scan takes none.
     *
     * @param value the option
     * @return the changed copy
     * @throws IllegalStateException for a full scan
     */
    public ScanRequest withOption(int value) {
        if (kind == Kind.FULL) {
            throw new IllegalStateException("a full scan takes no option");
        }
        return new ScanRequest(kind, images, value, folder, name);
    }

    /**
     * The same request, with the images written by the scanner library into files of {@code folder}, named
     * {@code name-front.tif}, {@code name-back.tif} (black and white), {@code name-front.jpg},
     * {@code name-back.jpg} (gray), {@code name-uv.tif} (or {@code .jpg} with format 2) and
     * {@code name-long.tif}. The document holds the files' bytes as read back after the scan; the files stay.
     * A UV or long-document scan also delivers the image into memory and the document holds that.
     *
     * @param folder an existing folder
     * @param name the files' first part, such as a document number
     * @return the changed copy
     */
    public ScanRequest withFiles(Path folder, String name) {
        return new ScanRequest(kind, images, option, folder, name);
    }

    /**
     * Which scan.
     *
     * @return the kind
     */
    public Kind kind() {
        return kind;
    }

    /**
     * The images asked for.
     *
     * @return an unmodifiable set
     */
    public Set<ImageKind> images() {
        return images;
    }

    /**
     * The option of {@link #withOption}.
     *
     * @return the option, 0 unless set
     */
    public int option() {
        return option;
    }

    /** The folder of a scan to files, or null. */
    Path folder() {
        return folder;
    }

    /**
     * The file an image goes to.
     *
     * @param image one of {@link #images()}
     * @return its file, or empty for a scan into memory or an image not asked for
     */
    public Optional<Path> file(ImageKind image) {
        if (folder == null || !images.contains(image)) {
            return Optional.empty();
        }
        boolean jpeg = image == ImageKind.FRONT_GRAY || image == ImageKind.BACK_GRAY
                || (image == ImageKind.UV && option == 2);
        return Optional.of(folder.resolve(name + "-" + image.side() + (jpeg ? ".jpg" : ".tif")));
    }

    @Override
    public String toString() {
        return kind + " scan of " + images + (folder != null ? " to files " + folder.resolve(name) + "-*" : "");
    }
}
