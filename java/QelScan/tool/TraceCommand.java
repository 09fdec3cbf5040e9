package QelScan.tool;

import java.io.File;
import java.io.IOException;
import java.io.PrintWriter;
import java.nio.charset.Charset;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.util.List;
import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Option;
import picocli.CommandLine.Spec;

/** Switches the bridge's diagnostic log files on and off, and shows them. */
@Command(name = "trace",
        description = {"Tracing of the bridge: without a subcommand, tells whether it is on.",
            "The bridge traces every call into QelScannerDll_Log.txt and its failures and calls into "
                    + "QelScannerDll_Err.txt, each only while that file exists, in the folder it was built "
                    + "with (QELSCAN_LOG_DIR)."},
        subcommands = {TraceCommand.On.class, TraceCommand.Off.class, TraceCommand.Show.class})
final class TraceCommand implements Callable<Integer> {

    @Spec
    CommandSpec spec;

    @Override
    public Integer call() {
        for (File file : TraceFiles.both()) {
            spec.commandLine().getOut().println(TraceFiles.title(file) + " " + file + ": "
                    + (file.isFile() ? "on (" + file.length() + " bytes)" : "off"));
        }
        return Main.OK;
    }

    @Command(name = "on",
            description = "Creates both log files empty and readable and writable by their owner only, which switches "
                    + "tracing on; a file already there is kept.")
    static final class On implements Callable<Integer> {

        @Spec
        CommandSpec spec;

        @Override
        public Integer call() throws Failure {
            PrintWriter out = spec.commandLine().getOut();
            for (File file : TraceFiles.both()) {
                Path path = file.toPath();
                try {
                    if (!Files.exists(path, LinkOption.NOFOLLOW_LINKS)) {
                        TraceFiles.createPrivate(path);
                        out.println("on: " + file + " (created empty, " + TraceFiles.ACCESS + ")");
                    } else if (TraceFiles.isOwnFile(path)) {
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
    }

    @Command(name = "off",
            description = "Deletes both log files, which switches tracing off.")
    static final class Off implements Callable<Integer> {

        @Spec
        CommandSpec spec;

        @Override
        public Integer call() throws Failure {
            for (File file : TraceFiles.both()) {
                try {
                    spec.commandLine().getOut().println("off: " + file
                            + (Files.deleteIfExists(file.toPath()) ? " (deleted)" : " (was not there)"));
                } catch (IOException e) {
                    throw new Failure("cannot switch tracing off: cannot delete " + file + ": " + e);
                }
            }
            return Main.OK;
        }
    }

    @Command(name = "show", description = "Prints both log files.")
    static final class Show implements Callable<Integer> {

        @Spec
        CommandSpec spec;

        @Option(names = "--last", paramLabel = "N", converter = Counts.Entries.class, description = "Only the last N entries of each file.")
        Integer last;

        @Override
        public Integer call() throws Failure {
            PrintWriter out = spec.commandLine().getOut();
            for (File file : TraceFiles.both()) {
                out.println("== " + TraceFiles.title(file) + " " + file + " ==");
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
                for (String line : lines) {
                    out.println(line);
                }
                if (lines.isEmpty()) {
                    out.println("(empty)");
                }
            }
            return Main.OK;
        }
    }
}
