package QelScan.tool;

import QelScan.capture.Document;
import QelScan.capture.ImageKind;
import java.io.File;
import java.io.IOException;
import java.io.OutputStreamWriter;
import java.io.Writer;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.List;

/**
 * index.html of a scan folder: each document's grayscale images shown, its
 * black-and-white images linked, its code line and figures. Written as HTML5
 * that is also well-formed XML, so that any XML parser can check it.
 */
final class IndexPage {

    static final String NAME = "index.html";

    private IndexPage() {
    }

    /**
     * Replaces the page in {@code dir} at once, so that a reader never sees half of it: through a new
     * file, made there by this process (never one that is there already, nor through a link), renamed
     * over whatever stands at its name. It is readable as the process's other files are.
     */
    static void write(File dir, String heading, String subtitle, List<Document> documents) throws IOException {
        Path folder = dir.toPath();
        Path temporary = folder.getFileSystem().supportedFileAttributeViews().contains("posix")
                ? Files.createTempFile(folder, ".index-", ".tmp", PosixFilePermissions.asFileAttribute(
                        PosixFilePermissions.fromString("rw-rw-rw-")))
                : Files.createTempFile(folder, ".index-", ".tmp");
        try {
            try (Writer out = new OutputStreamWriter(Files.newOutputStream(temporary, LinkOption.NOFOLLOW_LINKS),
                    StandardCharsets.UTF_8)) {
                out.write(html(heading, subtitle, documents));
            }
            Files.move(temporary, folder.resolve(NAME), StandardCopyOption.ATOMIC_MOVE,
                    StandardCopyOption.REPLACE_EXISTING);
        } finally {
            Files.deleteIfExists(temporary);
        }
    }

    static String html(String heading, String subtitle, List<Document> documents) {
        StringBuilder h = new StringBuilder();
        h.append("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n")
                .append("<title>").append(escape(heading)).append("</title>\n")
                .append("<style>\n")
                .append("body { font-family: sans-serif; margin: 1.5em; color: #222; }\n")
                .append("section { border-top: 1px solid #bbb; padding: 0.5em 0 1em; }\n")
                .append("h2 { font-size: 1.1em; margin: 0.3em 0; }\n")
                .append("code { font-size: 1.1em; }\n")
                .append(".sides { display: flex; gap: 1em; flex-wrap: wrap; }\n")
                // Both sides in one row while each keeps half its size or more.
                .append("figure { margin: 0; flex: 1 1 300px; max-width: 600px; }\n")
                .append("img { border: 1px solid #888; box-sizing: border-box; width: 100%; height: auto; }\n")
                .append("</style>\n</head>\n<body>\n")
                .append("<h1>").append(escape(heading)).append("</h1>\n")
                .append("<p>").append(escape(subtitle)).append("</p>\n");
        if (documents.isEmpty()) {
            h.append("<p>No document scanned.</p>\n");
        }
        for (int i = 0; i < documents.size(); i++) {
            Document d = documents.get(i);
            String number = String.format("%04d", i + 1);
            h.append("<section id=\"d").append(number).append("\">\n")
                    .append("<h2>Document ").append(number).append("</h2>\n")
                    .append("<p>Code line: ")
                    .append(d.codeLine().isEmpty() ? "none" : "<code>" + escape(d.codeLine()) + "</code>")
                    .append("<br/>Image quality ").append(d.imageQuality().orElse(0)).append(", contrast ")
                    .append(d.contrast().orElse(0)).append("</p>\n<div class=\"sides\">\n");
            for (ImageKind image : new ImageKind[] {ImageKind.FRONT_GRAY, ImageKind.BACK_GRAY}) {
                String side = image == ImageKind.FRONT_GRAY ? "Front" : "Back";
                h.append("<figure><img src=\"").append(escape(fileName(i + 1, image))).append("\" alt=\"")
                        .append(side).append(" of document ").append(number).append(", grayscale\"/>")
                        .append("<figcaption>").append(side).append(", grayscale JPEG, ")
                        .append(Batch.size(d, image)).append(" bytes</figcaption></figure>\n");
            }
            h.append("</div>\n<p>Black-and-white TIFF: ");
            for (ImageKind image : new ImageKind[] {ImageKind.FRONT_BLACK_AND_WHITE, ImageKind.BACK_BLACK_AND_WHITE}) {
                h.append(image == ImageKind.BACK_BLACK_AND_WHITE ? ", " : "")
                        .append("<a href=\"").append(escape(fileName(i + 1, image))).append("\">")
                        .append(image.side()).append("</a> (").append(Batch.size(d, image)).append(" bytes)");
            }
            h.append("</p>\n</section>\n");
        }
        return h.append("</body>\n</html>\n").toString();
    }

    /** The name of an image of document {@code sequence} in its folder, such as 0001-front.jpg. */
    private static String fileName(int sequence, ImageKind image) {
        return Batch.files(new File("."), sequence).file(image).get().getFileName().toString();
    }

    /** Text and attribute values, with what HTML and XML would read as markup written as references. */
    static String escape(String text) {
        StringBuilder out = new StringBuilder(text.length());
        for (int i = 0; i < text.length(); i++) {
            char c = text.charAt(i);
            switch (c) {
                case '&':
                    out.append("&amp;");
                    break;
                case '<':
                    out.append("&lt;");
                    break;
                case '>':
                    out.append("&gt;");
                    break;
                case '"':
                    out.append("&quot;");
                    break;
                case '\'':
                    out.append("&#39;");
                    break;
                default:
                    // What XML forbids (most control characters, U+FFFE, U+FFFF, a surrogate without its
                    // pair) and what HTML forbids besides (the other control characters): a code line may
                    // hold any of them from a bad read.
                    boolean paired = Character.isHighSurrogate(c) && i + 1 < text.length()
                            && Character.isLowSurrogate(text.charAt(i + 1));
                    if (paired) {
                        out.append(c).append(text.charAt(++i));
                    } else if (Character.isISOControl(c) && c != '\t' && c != '\n' || Character.isSurrogate(c)
                            || c == '\uFFFE' || c == '\uFFFF') {
                        out.append('\uFFFD');
                    } else {
                        out.append(c);
                    }
            }
        }
        return out.toString();
    }
}
