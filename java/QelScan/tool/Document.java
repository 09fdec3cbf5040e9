package QelScan.tool;

/** A scanned document: its code line, figures and the four image files written for it. */
final class Document {

    /** The four images of a document, in the order the full scans take them. */
    enum Image {
        FRONT_TIFF("front", "tif"), BACK_TIFF("back", "tif"), FRONT_JPEG("front", "jpg"), BACK_JPEG("back", "jpg");

        final String side;
        final String extension;

        Image(String side, String extension) {
            this.side = side;
            this.extension = extension;
        }

        String fileName(int sequence) {
            return String.format("%04d-%s.%s", sequence, side, extension);
        }
    }

    final int sequence;
    final String codeLine;
    final int quality;
    final int contrast;
    /** Byte sizes, by {@link Image#ordinal()}. */
    final long[] sizes;

    Document(int sequence, String codeLine, int quality, int contrast, long[] sizes) {
        this.sequence = sequence;
        this.codeLine = codeLine;
        this.quality = quality;
        this.contrast = contrast;
        this.sizes = sizes.clone();
    }

    String fileName(Image image) {
        return image.fileName(sequence);
    }

    long size(Image image) {
        return sizes[image.ordinal()];
    }

    long totalSize() {
        long total = 0;
        for (long size : sizes) {
            total += size;
        }
        return total;
    }

    /** The document's line in the tool's output. */
    String line() {
        return String.format("%04d  quality %d  contrast %d  TIFF %d + %d bytes  JPEG %d + %d bytes  %s", sequence,
                quality, contrast, size(Image.FRONT_TIFF), size(Image.BACK_TIFF), size(Image.FRONT_JPEG),
                size(Image.BACK_JPEG), codeLine.isEmpty() ? "(no code line)" : codeLine);
    }
}
