import java.awt.image.BufferedImage;
import java.io.File;
import javax.imageio.ImageIO;

/** Decodes each image file named, printing its size; fails on the first it cannot read. */
public final class DecodeImages {
    public static void main(String[] args) throws Exception {
        for (String name : args) {
            BufferedImage image = ImageIO.read(new File(name));
            if (image == null) {
                throw new IllegalStateException("no reader decodes " + name);
            }
            System.out.println(name + ": " + image.getWidth() + " x " + image.getHeight());
        }
    }
}
