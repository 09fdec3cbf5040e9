package QelScan.tool;

import QelScan.LoadFailure;
import picocli.CommandLine;
import picocli.CommandLine.Command;
import picocli.CommandLine.HelpCommand;

/** {@code qelscan}: captures checks with the scanner through {@code QelScan.QelScanApi}. */
@Command(name = "qelscan", mixinStandardHelpOptions = true, versionProvider = Main.Version.class,
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
public final class Main implements Runnable {

    static final int OK = 0;
    static final int FAILED = 1;
    static final int NO_BRIDGE = 3;
    static final int NO_DOCUMENT = 4;


    static final class Version implements CommandLine.IVersionProvider {
        @Override
        public String[] getVersion() {
            return new String[] {"qelscan " + BuildSettings.VERSION};
        }
    }

    @Override
    public void run() {
        throw new UsageError("Name a command: info, scan, endorse, param, config or trace");
    }

    public static void main(String[] args) {
        System.exit(run(args));
    }

    static int run(String[] args) {
        CommandLine commandLine = new CommandLine(new Main());
        commandLine.setExecutionExceptionHandler((exception, failedLine, parseResult) -> {
            if (exception instanceof UsageError) {
                failedLine.getErr().println(exception.getMessage());
                failedLine.usage(failedLine.getErr());
                return CommandLine.ExitCode.USAGE;
            }
            if (exception instanceof Failure) {
                System.out.flush();
                System.err.println("qelscan: " + exception.getMessage());
                return ((Failure) exception).exitCode;
            }
            throw exception;
        });
        try {
            return commandLine.execute(args);
        } catch (UnsatisfiedLinkError e) {
            System.out.flush();
            System.err.println("qelscan: " + LoadFailure.explain(e));
            return NO_BRIDGE;
        } catch (NoClassDefFoundError e) {
            if (!String.valueOf(e.getMessage()).startsWith("QelScan/")) {
                throw e;
            }
            System.out.flush();
            System.err.println("qelscan: the class QelScan.QelScanApi is missing: QelScanApi.jar must lie beside "
                    + "qelscan.jar (" + e.getMessage() + ")");
            return NO_BRIDGE;
        }
    }
}
