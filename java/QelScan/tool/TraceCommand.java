package QelScan.tool;

import QelScan.capture.TraceFiles;
import java.io.File;
import java.io.IOException;
import java.io.PrintWriter;
import java.nio.charset.Charset;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Option;

/** Switches the bridge's diagnostic log files on and off, and shows them. */
@Command(name = "trace",
        description = {"Tracing of the bridge: without a subcommand, tells whether it is on.",
            "The bridge traces every call into QelScannerDll_Log.txt and its failures and calls into "
                    + "QelScannerDll_Err.txt, each only while that file exists, in the folder it was built "
                    + "with (QELSCAN_LOG_DIR)."},
        subcommands = {TraceCommand.On.class, TraceCommand.Off.class, TraceCommand.Show.class})
final class TraceCommand extends ToolCommand implements Callable<Integer> {

    /** The information log and the error log. */
    static List<File> logs() {
        return Arrays.asList(TraceFiles.informationLog().toFile(), TraceFiles.errorLog().toFile());
    }

    static String title(File file) {
        return file.equals(TraceFiles.informationLog().toFile()) ? "Information log" : "Error log";
    }

    @Override
    public Integer call() {
        for (File file : logs()) {
            line.getOut().println(title(file) + " " + file + ": "
                    + (file.isFile() ? "on (" + file.length() + " bytes)" : "off"));
        }
        return Main.OK;
    }

    @Command(name = "on",
            description = "Creates both log files empty and readable and writable by their owner only, which switches "
                    + "tracing on; a file already there is kept.")
    static final class On extends ToolCommand implements Callable<Integer> {

        @Override
        public Integer call() throws Failure {
            PrintWriter out = line.getOut();
            for (File file : logs()) {
                Path path = file.toPath();
                try {
                    if (!Files.exists(path, LinkOption.NOFOLLOW_LINKS)) {
                        createPrivate(path);
                        out.println("on: " + file + " (created empty, " + ACCESS + ")");
                    } else if (isOwnFile(path)) {
                        out.println("on: " + file + " (already there, " + file.length() + " bytes)");
                    } else {
                        throw new Failure("cannot switch tracing on: " + file + " is not a file of this user's "
                                + "or root's, which the bridge does not write to; delete it");
                    }
                } catch (IOException e) {
                    throw new Failure("cannot switch tracing on: cannot create " + file + ": " + e.getMessage());
                }
            }
            return Main.OK;
        }

        /** How {@link #createPrivate} leaves a new log file, as the output says it. */
        static final String ACCESS = "readable and writable by its owner only";

        /**
         * Creates an empty log file that only its owner may read and write (where the file system has
         * POSIX permissions; elsewhere the folder's own permissions decide): the trace carries account
         * numbers. Fails when anything is there already.
         */
        static void createPrivate(Path path) throws IOException {
            if (path.getFileSystem().supportedFileAttributeViews().contains("posix")) {
                Files.createFile(path,
                        PosixFilePermissions.asFileAttribute(PosixFilePermissions.fromString("rw-------")));
            } else {
                Files.createFile(path);
            }
        }

        /**
         * Whether the bridge traces into what is at path: on Linux only a regular file (no symbolic
         * link) of the bridge's own user or root.
         */
        static boolean isOwnFile(Path path) throws IOException {
            if (!Files.isRegularFile(path, LinkOption.NOFOLLOW_LINKS)) {
                return false;
            }
            if (!path.getFileSystem().supportedFileAttributeViews().contains("posix")) {
                return true;
            }
            String owner = Files.getOwner(path, LinkOption.NOFOLLOW_LINKS).getName();
            return owner.equals("root") || owner.equals(System.getProperty("user.name"));
        }
    }

    @Command(name = "off",
            description = "Deletes both log files, which switches tracing off.")
    static final class Off extends ToolCommand implements Callable<Integer> {

        @Override
        public Integer call() throws Failure {
            for (File file : logs()) {
                try {
                    line.getOut().println("off: " + file
                            + (Files.deleteIfExists(file.toPath()) ? " (deleted)" : " (was not there)"));
                } catch (IOException e) {
                    throw new Failure("cannot switch tracing off: cannot delete " + file + ": " + e);
                }
            }
            return Main.OK;
        }
    }

    @Command(name = "show", description = "Prints both log files.")
    static final class Show extends ToolCommand implements Callable<Integer> {

        @Option(names = "--last", paramLabel = "N", converter = Counts.Entries.class, description = "Only the last N entries of each file.")
        Integer last;

        @Override
        public Integer call() throws Failure {
            PrintWriter out = line.getOut();
            for (File file : logs()) {
                out.println("== " + title(file) + " " + file + " ==");
                if (!file.isFile()) {
                    out.println("(tracing off: no such file)");
                    continue;
                }
                List<String> lines;
                try {
                    lines = TraceFiles.lines(new String(Files.readAllBytes(file.toPath()), Charset.defaultCharset()));
                } catch (IOException e) {
                    throw new Failure("cannot read " + file + ": " + e);
                }
                if (last != null && lines.size() > last) {
                    lines = lines.subList(lines.size() - last, lines.size());
                }
                for (String text : lines) {
                    out.println(text);
                }
                if (lines.isEmpty()) {
                    out.println("(empty)");
                }
            }
            return Main.OK;
        }
    }
}
