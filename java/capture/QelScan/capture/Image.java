package QelScan.capture;

import java.io.ByteArrayInputStream;
import java.io.IOException;
import java.io.InputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.nio.file.StandardOpenOption;
import java.util.Arrays;
import java.util.Optional;

/**
 * One image of a document: its bytes as an image file holds them, and its
 * format. Immutable: {@link #bytes()} gives a copy.
 */
public final class Image {

    /** The format of an image's bytes, told by their first bytes. */
    public enum Format {
        /** A TIFF file ({@code II*\0} or {@code MM\0*}). */
        TIFF("tif"),
        /** A JPEG file ({@code FF D8 FF}). */
        JPEG("jpg"),
        /** Neither: the bytes as the scanner library delivered them. */
        UNKNOWN("bin");

        private final String extension;

        Format(String extension) {
            this.extension = extension;
        }

        /**
         * The usual file name extension, without its dot.
         *
         * @return {@code tif}, {@code jpg} or {@code bin}
         */
        public String extension() {
            return extension;
        }
    }

    /**
     * The first four fields of a memory image's header, which every scanner
     * library of this kind gives: 16-bit little-endian width, length, bits
     * per pixel and dots per inch.
     */
    public static final class Header {
        private final int width;
        private final int length;
        private final int bits;
        private final int dpi;

        Header(byte[] memoryImage) {
            width = uint16(memoryImage, 0);
            length = uint16(memoryImage, 2);
            bits = uint16(memoryImage, 4);
            dpi = uint16(memoryImage, 6);
        }

        /**
         * Width in pixels.
         *
         * @return the width
         */
        public int width() {
            return width;
        }

        /**
         * Length (height) in pixels.
         *
         * @return the length
         */
        public int length() {
            return length;
        }

        /**
         * Bits per pixel: 1 black and white, 8 gray.
         *
         * @return the bits
         */
        public int bitsPerPixel() {
            return bits;
        }

        /**
         * Resolution in dots per inch.
         *
         * @return the dpi
         */
        public int dpi() {
            return dpi;
        }

        @Override
        public String toString() {
            return width + " x " + length + ", " + bits + " bit, " + dpi + " dpi";
        }

        private static int uint16(byte[] bytes, int at) {
            return (bytes[at] & 0xFF) | (bytes[at + 1] & 0xFF) << 8;
        }
    }

    /** The memory image header's fields that are known: width, length, bits, dpi. */
    private static final int HEADER_FIELDS_BYTES = 8;

    private final byte[] bytes;
    private final Format format;
    private final Header header;

    private Image(byte[] bytes, Format format, Header header) {
        this.bytes = bytes;
        this.format = format;
        this.header = header;
    }

    /**
     * An image from the bytes of an image file.
     *
     * @param file the file's bytes, copied
     * @return the image, its format told by its first bytes
     */
    public static Image of(byte[] file) {
        return new Image(file.clone(), formatAt(file, 0, file.length), null);
    }

    /**
     * An image from a memory image: a header, then the image file's bytes.
     * The first four header fields are kept; the file is found by its TIFF
     * or JPEG signature after them, and runs to {@code length}. Without
     * one, the image is the memory image itself, of {@link Format#UNKNOWN}
     * format. A buffer that starts with a TIFF or JPEG signature has no
     * header: a library may head only the front image.
     *
     * @param memoryImage the buffer the scanner library filled
     * @param length the length it reported, header included
     * @return the image
     * @throws IllegalArgumentException when {@code length} lies outside the buffer
     */
    public static Image ofMemoryImage(byte[] memoryImage, int length) {
        if (length < 0 || length > memoryImage.length) {
            throw new IllegalArgumentException("a memory image of " + length + " bytes in a buffer of "
                    + memoryImage.length);
        }
        if (formatAt(memoryImage, 0, length) != Format.UNKNOWN) {
            return of(Arrays.copyOf(memoryImage, length));
        }
        Header header = length >= HEADER_FIELDS_BYTES ? new Header(memoryImage) : null;
        for (int at = HEADER_FIELDS_BYTES; at < length; at++) {
            Format format = formatAt(memoryImage, at, length);
            if (format != Format.UNKNOWN) {
                return new Image(Arrays.copyOfRange(memoryImage, at, length), format, header);
            }
        }
        return new Image(Arrays.copyOf(memoryImage, length), Format.UNKNOWN, header);
    }

    private static Format formatAt(byte[] b, int at, int end) {
        if (end - at >= 4 && ((b[at] == 'I' && b[at + 1] == 'I' && b[at + 2] == 42 && b[at + 3] == 0)
                || (b[at] == 'M' && b[at + 1] == 'M' && b[at + 2] == 0 && b[at + 3] == 42))) {
            return Format.TIFF;
        }
        if (end - at >= 3 && (b[at] & 0xFF) == 0xFF && (b[at + 1] & 0xFF) == 0xD8 && (b[at + 2] & 0xFF) == 0xFF) {
            return Format.JPEG;
        }
        return Format.UNKNOWN;
    }

    /**
     * The format of {@link #bytes()}.
     *
     * @return TIFF, JPEG or UNKNOWN
     */
    public Format format() {
        return format;
    }

    /**
     * The image as a file holds it.
     *
     * @return a copy of the bytes
     */
    public byte[] bytes() {
        return bytes.clone();
    }

    /**
     * The bytes without a copy, for reading them once (such as
     * {@code ImageIO.read(image.stream())}).
     *
     * @return a stream over the bytes
     */
    public InputStream stream() {
        return new ByteArrayInputStream(bytes);
    }

    /**
     * The number of bytes.
     *
     * @return the size of the image file
     */
    public int size() {
        return bytes.length;
    }

    /**
     * The memory image header's first four fields, for images delivered as
     * memory images with a header (the black-and-white, gray, UV and long
     * document scans into memory).
     *
     * @return the header, or empty for images without one
     */
    public Optional<Header> header() {
        return Optional.ofNullable(header);
    }

    /**
     * Writes the image into {@code file}, whole or not at all: through a
     * file beside it that is then renamed over it.
     *
     * @param file where the image goes; an existing file is replaced
     * @return {@code file}
     * @throws IOException when it cannot be written; an existing file then keeps its bytes
     */
    public Path writeTo(Path file) throws IOException {
        // A new file beside it, made as any file of the application (not private like a temporary file).
        Path temporary = file.resolveSibling(file.getFileName() + "." + System.nanoTime() + ".tmp");
        try {
            Files.write(temporary, bytes, StandardOpenOption.CREATE_NEW, StandardOpenOption.WRITE);
            Files.move(temporary, file, StandardCopyOption.REPLACE_EXISTING);
        } finally {
            Files.deleteIfExists(temporary);
        }
        return file;
    }

    @Override
    public String toString() {
        return format + " image of " + bytes.length + " bytes" + (header != null ? " (" + header + ")" : "");
    }
}
