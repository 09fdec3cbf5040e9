package QelScan;

import static org.junit.jupiter.api.Assertions.assertTrue;

import java.awt.image.BufferedImage;
import java.io.ByteArrayInputStream;
import java.io.IOException;
import java.nio.file.Path;
import java.util.Iterator;
import javax.imageio.ImageIO;
import javax.imageio.ImageReader;
import javax.imageio.stream.ImageInputStream;
import org.w3c.dom.Node;

/** Images as the JDK's own readers see them. */
final class Images {

    record Decoded(String format, int width, int height, int bits, String compression) {
    }

    static final Decoded BILEVEL_TIFF = new Decoded("tif", 1200, 550, 1, "CCITT T.6");
    static final Decoded GRAY_JPEG = new Decoded("jpeg", 600, 275, 8, "JPEG");

    private Images() {
    }

    static Decoded decode(Path file) throws IOException {
        try (ImageInputStream in = ImageIO.createImageInputStream(file.toFile())) {
            return decode(in, file.toString());
        }
    }

    /** Decodes exactly {@code length} bytes from {@code offset}: an image needing more fails. */
    static Decoded decode(byte[] buffer, int offset, int length) throws IOException {
        try (ImageInputStream in = ImageIO.createImageInputStream(
                new ByteArrayInputStream(buffer, offset, length))) {
            return decode(in, length + " bytes at " + offset);
        }
    }

    private static Decoded decode(ImageInputStream in, String what) throws IOException {
        Iterator<ImageReader> readers = ImageIO.getImageReaders(in);
        assertTrue(readers.hasNext(), () -> "no JDK reader takes " + what);
        ImageReader reader = readers.next();
        try {
            reader.setInput(in);
            BufferedImage image = reader.read(0);
            Node standard = reader.getImageMetadata(0).getAsTree("javax_imageio_1.0");
            return new Decoded(reader.getFormatName().toLowerCase(), image.getWidth(), image.getHeight(),
                    image.getColorModel().getPixelSize(), compressionOf(standard));
        } finally {
            reader.dispose();
        }
    }

    private static String compressionOf(Node node) {
        if ("CompressionTypeName".equals(node.getNodeName())) {
            return node.getAttributes().getNamedItem("value").getNodeValue();
        }
        for (Node child = node.getFirstChild(); child != null; child = child.getNextSibling()) {
            String found = compressionOf(child);
            if (found != null) {
                return found;
            }
        }
        return null;
    }
}
