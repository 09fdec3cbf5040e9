package QelScan.tool;

import QelScan.capture.TraceFiles;
import java.io.IOException;
import java.nio.charset.Charset;
import java.nio.file.FileAlreadyExistsException;
import java.nio.file.Files;
import java.nio.file.InvalidPathException;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.attribute.FileAttribute;
import java.nio.file.attribute.PosixFilePermissions;
import java.nio.file.attribute.UserPrincipal;
import java.util.Map;
import picocli.CommandLine.ITypeConverter;
import picocli.CommandLine.TypeConversionException;

/**
 * The folder of a scan's images and page. The scanner library writes the
 * images at the names the tool gives it and, as any program that opens a
 * file, follows a link it finds there; the images carry account numbers.
 * So a folder is made readable by its owner only, and an existing one is
 * taken only where no other user can put anything into it or into a folder
 * on the way to it.
 */
final class OutputFolder {

    private static final int STICKY = 01000;
    private static final int GROUP_OR_OTHERS_WRITE = 0022;
    private static final int ROOT = 0;

    private OutputFolder() {
    }

    /** Reads {@code --out}: a name this system cannot spell as a file name is a wrong command line. */
    static final class Name implements ITypeConverter<Path> {
        @Override
        public Path convert(String value) {
            try {
                return Paths.get(value);
            } catch (InvalidPathException e) {
                throw new TypeConversionException("'" + TraceFiles.visible(value) + "' cannot be a folder name "
                        + "here: this system spells file names in " + System.getProperty("sun.jnu.encoding",
                                Charset.defaultCharset().name())
                        + "; choose another name or run in a UTF-8 locale (such as LANG=C.UTF-8)");
            }
        }
    }

    /**
     * The folder {@code given}, made when it does not exist, readable and writable by its owner only
     * (the folders above it that are missing too). An existing folder is taken only when it and
     * every folder above it, links resolved, belong to this user or root and no one else may write
     * to them; a sticky folder of root's such as /tmp may lie on the way. On a file system without
     * POSIX owners the folder is only made.
     *
     * @return the folder's real path, which names every file of the run, so that no link on the way can
     *         be turned elsewhere meanwhile
     */
    static Path prepare(Path given) throws Failure {
        Path folder = given.toAbsolutePath();
        boolean unix = folder.getFileSystem().supportedFileAttributeViews().contains("unix");
        Path real;
        try {
            if (!Files.isDirectory(folder)) {
                Path above = folder.getParent();
                while (above != null && !Files.exists(above)) {
                    above = above.getParent();
                }
                if (unix && above != null) {
                    refuseUnlessTrusted(folder, above.toRealPath(), false);
                }
                Files.createDirectories(folder, unix ? new FileAttribute<?>[] {PosixFilePermissions.asFileAttribute(
                        PosixFilePermissions.fromString("rwx------"))} : new FileAttribute<?>[0]);
            }
            real = folder.toRealPath();
        } catch (FileAlreadyExistsException e) {
            throw new Failure("cannot make the folder " + folder + ": " + e.getFile() + " is there and no folder");
        } catch (IOException e) {
            throw new Failure("cannot make the folder " + folder + ": " + e);
        }
        if (unix) {
            refuseUnlessTrusted(folder, real, true);
        }
        return real;
    }

    /**
     * Fails unless {@code real}, the real path of the run's folder or of the nearest folder above a
     * missing one, and every folder above it belong to this user or root and no one else may write to
     * them: only above the run's own folder may one be a sticky folder of root's.
     */
    private static void refuseUnlessTrusted(Path folder, Path real, boolean runsFolder) throws Failure {
        int user;
        try {
            user = processUser();
        } catch (IOException e) {
            throw new Failure("cannot tell which user this is, to check the folder " + folder + ": " + e);
        }
        for (Path dir = real; dir != null; dir = dir.getParent()) {
            Map<String, Object> attributes;
            try {
                attributes = Files.readAttributes(dir, "unix:uid,mode,owner,isDirectory",
                        LinkOption.NOFOLLOW_LINKS);
            } catch (IOException e) {
                throw new Failure("cannot check the folder " + dir + ": " + e);
            }
            int owner = (Integer) attributes.get("uid");
            int mode = (Integer) attributes.get("mode");
            boolean stickyOfRoot = owner == ROOT && (mode & STICKY) != 0 && !(runsFolder && dir.equals(real));
            String problem = null;
            if (!(Boolean) attributes.get("isDirectory")) {
                problem = "is no folder";
            } else if (owner != user && owner != ROOT) {
                problem = "belongs to " + ((UserPrincipal) attributes.get("owner")).getName();
            } else if ((mode & GROUP_OR_OTHERS_WRITE) != 0 && !stickyOfRoot) {
                problem = String.format("may be written by others (mode %04o)", mode & 07777);
            }
            if (problem != null) {
                throw new Failure("refusing the folder " + folder + ": " + dir + " " + problem
                        + ", so another user could put links there that the images would be written through, "
                        + "or read them; name a folder of your own");
            }
        }
    }

    /** The user this process makes its files as, its effective user: the owner of a file it has just made. */
    private static int processUser() throws IOException {
        Path probe = Files.createTempFile("qelscan-user", ".tmp");
        try {
            return (Integer) Files.getAttribute(probe, "unix:uid", LinkOption.NOFOLLOW_LINKS);
        } finally {
            Files.delete(probe);
        }
    }
}
