package QelScan.tool;

import QelScan.LoadFailure;
import QelScan.capture.TraceFiles;
import java.io.PrintWriter;
import picocli.CommandLine;
import picocli.CommandLine.Command;
import picocli.CommandLine.HelpCommand;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.ScopeType;

/**
 * {@code qelscan}: captures checks with the scanner through the capture library {@code QelScan.capture}.
 * Its help and version options, declared here, serve every subcommand.
 */
@Command(name = "qelscan", mixinStandardHelpOptions = true, scope = ScopeType.INHERIT,
        versionProvider = Main.Version.class,
        description = "Captures checks with the scanner through the QELScanner bridge.",
        subcommands = {InfoCommand.class, ScanCommand.class, EndorseCommand.class, ParamCommand.class,
            ConfigCommand.class, TraceCommand.class, HelpCommand.class},
        footerHeading = "%nExit status:%n",
        footer = {
            "  0  done",
            "  1  the bridge or the scanner library reported a failure, or a file",
            "     could not be written",
            "  2  the command line is wrong",
            "  3  the bridge or the scanner library cannot be loaded",
            "  4  no document to scan: the feeder is empty"})
public final class Main extends ToolCommand implements Runnable {

    static final int OK = 0;
    static final int FAILED = 1;
    static final int NO_BRIDGE = 3;
    static final int NO_DOCUMENT = 4;

    /** Whether a scan may show its progress: only on a terminal that is also the command's output. */
    final boolean progress;

    /** The tool for a caller that captures its output: it shows no progress. */
    public Main() {
        this(false);
    }

    private Main(boolean progress) {
        this.progress = progress;
    }

    static final class Version implements CommandLine.IVersionProvider {
        @Override
        public String[] getVersion() {
            return new String[] {"qelscan " + BuildSettings.VERSION};
        }
    }

    @Override
    public void run() {
        throw new ParameterException(line,
                "Name a command: info, scan, endorse, param, config or trace");
    }

    public static void main(String[] args) {
        // Asked without loading it: the commands cannot even be made without the library.
        if (Main.class.getClassLoader().getResource("QelScan/capture/Session.class") == null) {
            System.err.println("qelscan: the capture library is missing: qelscan-capture.jar must lie beside "
                    + "qelscan.jar");
            System.exit(NO_BRIDGE);
        }
        // The capture library reads the bridge's log files in the folder the bridge was built with.
        if (System.getProperty(TraceFiles.PROPERTY) == null) {
            System.setProperty(TraceFiles.PROPERTY, BuildSettings.LOG_DIR);
        }
        System.exit(run(new CommandLine(new Main(System.console() != null)), args));
    }

    /**
     * Runs one command line on {@code commandLine}, a {@code CommandLine} of
     * a {@code Main}, as the tool does but without ending the JVM, and
     * returns its exit status. Everything the tool says goes to the
     * writers of {@code commandLine} ({@code setOut}, {@code setErr}),
     * except the file names the bridge itself prints during a scan to files.
     */
    public static int run(CommandLine commandLine, String... args) {
        ToolCommand.attach(commandLine);
        commandLine.setExecutionExceptionHandler((exception, failedLine, parseResult) -> {
            if (exception instanceof Failure) {
                return fail(failedLine, exception.getMessage(), ((Failure) exception).exitCode);
            }
            throw exception;
        });
        try {
            return commandLine.execute(args);
        } catch (UnsatisfiedLinkError e) {
            return fail(commandLine, LoadFailure.explain(e), NO_BRIDGE);
        } catch (NoClassDefFoundError e) {
            if (!String.valueOf(e.getMessage()).startsWith("QelScan/")) {
                throw e;
            }
            return fail(commandLine, "the class QelScan.QelScanApi is missing: QelScanApi.jar must lie beside "
                    + "qelscan.jar (" + e.getMessage() + ")", NO_BRIDGE);
        }
    }

    /**
     * After what the command printed: "qelscan: " and the message, its lines as they are and any other
     * control character shown as TraceFiles.visible does: the message may quote the scanner library.
     */
    private static int fail(CommandLine commandLine, String message, int exitCode) {
        commandLine.getOut().flush();
        PrintWriter err = commandLine.getErr();
        String prefix = "qelscan: ";
        for (String messageLine : message.split("\\R", -1)) {
            err.println(prefix + TraceFiles.visible(messageLine));
            prefix = "";
        }
        err.flush();
        return exitCode;
    }
}
