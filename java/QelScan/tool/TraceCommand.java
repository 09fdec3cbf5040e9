package QelScan.tool;

import QelScan.capture.TraceFiles;
import java.io.File;
import java.io.IOException;
import java.io.PrintWriter;
import java.nio.file.FileSystemException;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.nio.file.attribute.UserPrincipal;
import java.util.Arrays;
import java.util.Collections;
import java.util.LinkedHashSet;
import java.util.List;
import java.util.Map;
import java.util.Optional;
import java.util.Set;
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
    public Integer call() throws Failure {
        for (File file : logs()) {
            Optional<String> refusal = refusal(file);
            line.getOut().println(title(file) + " " + file + ": "
                    + (refusal.isPresent() ? "off (the bridge does not write to what is there, " + refusal.get() + ")"
                            : Files.exists(file.toPath(), LinkOption.NOFOLLOW_LINKS) ? "on (" + file.length() + " bytes)" : "off"));
        }
        return Main.OK;
    }

    /** Why the bridge does not write to what is at a log file's name; empty when it does or nothing is there. */
    static Optional<String> refusal(File file) throws Failure {
        try {
            return TraceFiles.refusal(file.toPath());
        } catch (IOException e) {
            throw new Failure("cannot tell whether the bridge traces into " + file + ": " + e);
        }
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
                Optional<String> refusal = refusal(file);
                if (refusal.isPresent()) {
                    throw new Failure("cannot switch tracing on: the bridge does not write to " + file + ", "
                            + refusal.get() + "; " + Off.whoMayDelete(path) + " may delete it");
                } else if (Files.exists(path, LinkOption.NOFOLLOW_LINKS)) {
                    out.println("on: " + file + " (already there, " + file.length() + " bytes)");
                    continue;
                }
                try {
                    TraceFiles.create(path);
                } catch (IOException e) {
                    throw new Failure("cannot switch tracing on: cannot create " + file + ": " + e.getMessage());
                }
                out.println("on: " + file + " (created empty, " + ACCESS + ")");
            }
            return Main.OK;
        }

        /** How {@link TraceFiles#create} leaves a new log file, as the output says it. */
        static final String ACCESS = "readable and writable by its owner only";
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
                } catch (FileSystemException e) {
                    // Without the right to delete it: EACCES, or EPERM in a sticky folder such as /tmp.
                    throw new Failure("cannot switch tracing off: cannot delete " + file
                            + (e.getReason() != null ? " (" + e.getReason() + ")" : "") + "; "
                            + whoMayDelete(file.toPath()) + " may");
                } catch (IOException e) {
                    throw new Failure("cannot switch tracing off: cannot delete " + file + ": " + e);
                }
            }
            return Main.OK;
        }

        /**
         * Who may delete the file at {@code path}: root, and whoever may write to its folder; in a
         * sticky folder such as /tmp only the file's and the folder's owners.
         */
        static String whoMayDelete(Path path) {
            Path folder = path.toAbsolutePath().getParent();
            if (!path.getFileSystem().supportedFileAttributeViews().contains("unix")) {
                return "a user who may change " + folder;
            }
            try {
                Set<String> users = new LinkedHashSet<String>(Collections.singleton("root"));
                Map<String, Object> dir = Files.readAttributes(folder, "unix:mode,owner");
                users.add(((UserPrincipal) dir.get("owner")).getName());
                if (((Integer) dir.get("mode") & STICKY) != 0) {
                    users.add(Files.getOwner(path, LinkOption.NOFOLLOW_LINKS).getName());
                } else if (((Integer) dir.get("mode") & 022) != 0) {
                    users.add("the users who may write to " + folder);
                }
                return String.join(" or ", users);
            } catch (IOException e) {
                return "root";
            }
        }

        private static final int STICKY = 01000;
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
                Optional<String> refusal = refusal(file);
                if (refusal.isPresent()) {
                    out.println("(tracing off: the bridge does not write to what is there, " + refusal.get()
                            + "; not shown)");
                    continue;
                }
                List<String> lines;
                try {
                    Optional<List<String>> entries = TraceFiles.entries(file.toPath());
                    if (!entries.isPresent()) {
                        out.println("(tracing off: no such file)");
                        continue;
                    }
                    lines = entries.get();
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
