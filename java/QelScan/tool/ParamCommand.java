package QelScan.tool;

import QelScan.capture.ScannerException;
import QelScan.capture.Session;
import QelScan.capture.TraceFiles;
import java.io.PrintWriter;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.Parameters;

/** Scanner parameters, by number or as text. */
@Command(name = "param",
        description = {"Reads or sets a scanner parameter.",
            "Parameters live in the scanner session, which ends when qelscan does: keep settings in a "
                    + "configuration file (param set --config FILE, config write) and load it with --config."},
        subcommands = {ParamCommand.Get.class, ParamCommand.Set.class})
final class ParamCommand extends ToolCommand implements Runnable {

    @Override
    public void run() {
        throw new ParameterException(line, "Name get or set");
    }

    @Command(name = "get",
            description = "Prints the value of parameter SELECTOR (MirbGetParam), or its text (MirbGetParamString).")
    static final class Get extends ToolCommand implements Callable<Integer> {

        @Parameters(index = "0", paramLabel = "SELECTOR", description = "The parameter's number.")
        int selector;

        @Option(names = "--text", description = "Read the parameter's text instead of its number.")
        boolean text;

        @Option(names = "--config", paramLabel = "FILE", description = "Load the scanner settings of FILE first.")
        Path config;

        @Override
        public Integer call() throws Failure {
            try (Session session = Failure.openSession(config)) {
                line.getOut().println(read(session, selector, text));
            } catch (ScannerException e) {
                throw new Failure("Closing the session", e);
            }
            return Main.OK;
        }
    }

    @Command(name = "set",
            description = {"Sets parameter SELECTOR to VALUE (MirbSetParam), or its text (MirbSetParamString), "
                    + "and prints it as the scanner reads it back.",
                "Without --config the value lasts only for this run's session."})
    static final class Set extends ToolCommand implements Callable<Integer> {

        @Parameters(index = "0", paramLabel = "SELECTOR", description = "The parameter's number.")
        int selector;

        @Parameters(index = "1", paramLabel = "VALUE",
                description = "A whole number, or with --text a text of up to 255 bytes.")
        String value;

        @Option(names = "--text", description = "Set the parameter's text instead of its number.")
        boolean text;

        @Option(names = "--config", paramLabel = "FILE",
                description = "Load the settings of FILE first (when it exists) and write them, with this value, "
                        + "back into FILE, so that the value is kept.")
        Path config;

        @Override
        public Integer call() throws Failure {
            int number = 0;
            if (!text) {
                try {
                    number = Integer.parseInt(value);
                } catch (NumberFormatException e) {
                    throw new ParameterException(line,
                            "VALUE must be a whole number (or pass --text): " + value);
                }
            }
            int parsed = number;
            Path existing = config != null && Files.exists(config) ? config : null;
            try (Session session = Failure.openSession(existing)) {
                if (text) {
                    Failure.step("Setting the text of parameter " + selector,
                            () -> session.setParameterText(selector, value));
                } else {
                    Failure.step("Setting parameter " + selector, () -> session.setParameter(selector, parsed));
                }
                String readBack = read(session, selector, text);
                if (config != null) {
                    Failure.step("Writing the settings to " + config, () -> session.writeConfiguration(config));
                }
                PrintWriter out = line.getOut();
                out.println(readBack);
                out.println(config != null ? "Kept in " + config + "."
                        : "Set for this session only, which has ended: pass --config FILE to keep it.");
            } catch (ScannerException e) {
                throw new Failure("Closing the session", e);
            }
            return Main.OK;
        }
    }

    /** The value as the scanner library answers it. */
    static String read(Session session, int selector, boolean text) throws Failure {
        if (text) {
            return Failure.doing("Reading the text of parameter " + selector, () -> session.parameterText(selector))
                    .map(TraceFiles::visible).orElseThrow(() -> new Failure("Reading the text of parameter " + selector + " failed: "
                            + "MirbGetParamString gave no text (the library has none for that selector)."));
        }
        return Integer.toString(Failure.doing("Reading parameter " + selector, () -> session.parameter(selector)));
    }
}
