package QelScan.tool;

import QelScan.capture.TraceFiles;
import java.io.File;
import java.io.IOException;
import java.io.PrintWriter;
import java.nio.charset.Charset;
import java.nio.file.Files;
import java.util.Arrays;
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
            spec.commandLine().getOut().println(title(file) + " " + file + ": "
                    + (file.isFile() ? "on (" + file.length() + " bytes)" : "off"));
        }
        return Main.OK;
    }

    @Command(name = "on",
            description = "Creates both log files empty, which switches tracing on; a file already there is kept.")
    static final class On implements Callable<Integer> {

        @Spec
        CommandSpec spec;

        @Override
        public Integer call() throws Failure {
            PrintWriter out = spec.commandLine().getOut();
            for (File file : logs()) {
                try {
                    if (file.createNewFile()) {
                        out.println("on: " + file + " (created empty)");
                    } else if (file.isFile()) {
                        out.println("on: " + file + " (already there, " + file.length() + " bytes)");
                    } else {
                        throw new Failure("cannot switch tracing on: " + file + " is not a file");
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
            for (File file : logs()) {
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
