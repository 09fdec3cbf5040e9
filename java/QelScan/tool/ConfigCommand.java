package QelScan.tool;

import QelScan.capture.ScannerException;
import QelScan.capture.Session;
import java.io.PrintWriter;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.Parameters;

/** The scanner library's configuration files. */
@Command(name = "config",
        description = "Checks or writes a scanner configuration file (MirbReadConfig, MirbWriteConfig); "
                + "its format is the scanner library's.",
        subcommands = {ConfigCommand.Read.class, ConfigCommand.Write.class})
final class ConfigCommand extends ToolCommand implements Runnable {

    @Override
    public void run() {
        throw new ParameterException(line, "Name read or write");
    }

    @Command(name = "read",
            description = "Loads FILE into a session, which tells whether the scanner library accepts it, and "
                    + "prints the parameters asked for as they then read.")
    static final class Read extends ToolCommand implements Callable<Integer> {

        @Parameters(index = "0", paramLabel = "FILE")
        Path file;

        @Option(names = "--show", paramLabel = "SELECTOR", split = ",",
                description = "Print the number of these parameters afterwards.")
        List<Integer> numbers = new ArrayList<Integer>();

        @Option(names = "--show-text", paramLabel = "SELECTOR", split = ",",
                description = "Print the text of these parameters afterwards.")
        List<Integer> texts = new ArrayList<Integer>();

        @Override
        public Integer call() throws Failure {
            try (Session session = Failure.openSession(null)) {
                Failure.step("Reading the configuration " + file, () -> session.readConfiguration(file));
                PrintWriter out = line.getOut();
                out.println(file + ": accepted by the scanner library");
                for (int selector : numbers) {
                    out.println("parameter " + selector + " = " + ParamCommand.read(session, selector, false));
                }
                for (int selector : texts) {
                    out.println("text " + selector + " = " + ParamCommand.read(session, selector, true));
                }
            } catch (ScannerException e) {
                throw new Failure("Closing the session", e);
            }
            return Main.OK;
        }
    }

    @Command(name = "write",
            description = "Writes the scanner's settings to FILE: the library's defaults, or those of --from, "
                    + "with the values of --param and --text.")
    static final class Write extends ToolCommand implements Callable<Integer> {

        @Parameters(index = "0", paramLabel = "FILE")
        Path file;

        @Option(names = "--from", paramLabel = "FILE", description = "Start from the settings of this file.")
        Path from;

        @Option(names = "--param", paramLabel = "SELECTOR=VALUE", description = "Set a parameter's number.")
        Map<Integer, Integer> numbers = new LinkedHashMap<Integer, Integer>();

        @Option(names = "--text", paramLabel = "SELECTOR=TEXT", description = "Set a parameter's text.")
        Map<Integer, String> texts = new LinkedHashMap<Integer, String>();

        @Override
        public Integer call() throws Failure {
            try (Session session = Failure.openSession(from)) {
                for (Map.Entry<Integer, Integer> entry : numbers.entrySet()) {
                    Failure.step("Setting parameter " + entry.getKey(),
                            () -> session.setParameter(entry.getKey(), entry.getValue()));
                }
                for (Map.Entry<Integer, String> entry : texts.entrySet()) {
                    Failure.step("Setting the text of parameter " + entry.getKey(),
                            () -> session.setParameterText(entry.getKey(), entry.getValue()));
                }
                Failure.step("Writing the configuration " + file, () -> session.writeConfiguration(file));
                line.getOut().println("Wrote " + file);
            } catch (ScannerException e) {
                throw new Failure("Closing the session", e);
            }
            return Main.OK;
        }
    }
}
