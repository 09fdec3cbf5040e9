package QelScan;

import static QelScan.Images.BILEVEL_TIFF;
import static QelScan.Images.decode;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import javax.imageio.ImageIO;
import javax.imageio.ImageReader;
import javax.imageio.stream.ImageInputStream;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** The image utilities on images the virtual scanner made, checked with the JDK's readers. */
class ImageUtilitiesTest {

    private Path front;
    private Path back;

    @BeforeEach
    void scanOneCheck(@TempDir Path dir) {
        assertEquals(0, QelScanApi.MirbInit());
        front = dir.resolve("front.tif");
        back = dir.resolve("back.tif");
        assertEquals(0, QelScanApi.MirbScan(0, front.toString(), new String[] {""}, back.toString(),
                new String[] {""}, null, null));
    }

    @AfterEach
    void closeSession() {
        QelScanApi.MirbExit();
    }

    private static int pages(Path file) throws Exception {
        try (ImageInputStream in = ImageIO.createImageInputStream(file.toFile())) {
            ImageReader reader = ImageIO.getImageReaders(in).next();
            reader.setInput(in);
            return reader.getNumImages(true);
        }
    }

    @Test
    void twoScannedTiffsCombineIntoOneFileOfTwoPages() throws Exception {
        assertEquals(0, QelScanApi.MirbCombineTIFFS(front.toString(), back.toString()));
        assertEquals(2, pages(front));
        assertEquals(BILEVEL_TIFF, decode(front));
        assertEquals(-1, QelScanApi.MirbCombineTIFFS(front.toString(), null));
    }

    @Test
    void cropAndCopyMakeTheFilesTheyName() throws Exception {
        Path cropped = front.resolveSibling("cropped.tif");
        Path copy = front.resolveSibling("copy.tif");
        assertEquals(0, QelScanApi.MirbCropFile(front.toString(), cropped.toString(), 100));
        Images.Decoded image = decode(cropped);
        assertEquals(List.of(1000, 350), List.of(image.width(), image.height()));
        assertEquals(0, QelScanApi.MirbCopyFile(back.toString(), copy.toString()));
        assertArrayEquals(Files.readAllBytes(back), Files.readAllBytes(copy));
    }

    @Test
    void anImageCompressedIntoAJavaArrayDecodes() throws Exception {
        byte[] buffer = new byte[1048576];
        int length = QelScanApi.MirbCompressImage(front.toString(), buffer);
        assertTrue(length > 0 && length < buffer.length, "length " + length);
        assertEquals(BILEVEL_TIFF, decode(buffer, 0, length));
        assertEquals(-1, QelScanApi.MirbCompressImage(front.toString(), new byte[1048575]));
    }
}
