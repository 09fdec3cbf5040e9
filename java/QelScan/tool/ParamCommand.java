package QelScan.tool;

import QelScan.QelScanApi;
import java.io.File;
import java.io.PrintWriter;
import java.util.concurrent.Callable;
import picocli.CommandLine.Command;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.Parameters;
import picocli.CommandLine.Spec;

/** Scanner parameters, by number or as text. */
@Command(name = "param",
        description = {"Reads or sets a scanner parameter.",
            "Parameters live in the scanner session, which ends when qelscan does: keep settings in a "
                    + "configuration file (param set --config FILE, config write) and load it with --config."},
        subcommands = {ParamCommand.Get.class, ParamCommand.Set.class})
final class ParamCommand implements Runnable {

    @Spec
    CommandSpec spec;

    @Override
    public void run() {
        throw new ParameterException(spec.commandLine(), "Name get or set");
    }

    @Command(name = "get",
            description = "Prints the value of parameter SELECTOR (MirbGetParam), or its text (MirbGetParamString).")
    static final class Get implements Callable<Integer> {

        @Spec
        CommandSpec spec;

        @Parameters(index = "0", paramLabel = "SELECTOR", description = "The parameter's number.")
        int selector;

        @Option(names = "--text", description = "Read the parameter's text instead of its number.")
        boolean text;

        @Option(names = "--config", paramLabel = "FILE", description = "Load the scanner settings of FILE first.")
        File config;

        @Override
        public Integer call() throws Failure {
            try (Session session = Session.open(config)) {
                spec.commandLine().getOut().println(read(session, selector, text));
            }
            return Main.OK;
        }
    }

    @Command(name = "set",
            description = {"Sets parameter SELECTOR to VALUE (MirbSetParam), or its text (MirbSetParamString), "
                    + "and prints it as the scanner reads it back.",
                "Without --config the value lasts only for this run's session."})
    static final class Set implements Callable<Integer> {

        @Spec
        CommandSpec spec;

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
        File config;

        @Override
        public Integer call() throws Failure {
            int number = 0;
            if (!text) {
                try {
                    number = Integer.parseInt(value);
                } catch (NumberFormatException e) {
                    throw new ParameterException(spec.commandLine(),
                            "VALUE must be a whole number (or pass --text): " + value);
                }
            }
            try (Session session = Session.open(null)) {
                if (config != null && config.exists()) {
                    session.check("Loading the settings of " + config, "MirbReadConfig",
                            QelScanApi.MirbReadConfig(config.getPath()));
                }
                if (text) {
                    session.check("Setting the text of parameter " + selector, "MirbSetParamString",
                            QelScanApi.MirbSetParamString(selector, value));
                } else {
                    session.check("Setting parameter " + selector, "MirbSetParam",
                            QelScanApi.MirbSetParam(selector, number));
                }
                String readBack = read(session, selector, text);
                if (config != null) {
                    session.check("Writing the settings to " + config, "MirbWriteConfig",
                            QelScanApi.MirbWriteConfig(config.getPath()));
                }
                PrintWriter out = spec.commandLine().getOut();
                out.println(readBack);
                out.println(config != null ? "Kept in " + config + "."
                        : "Set for this session only, which has ended: pass --config FILE to keep it.");
            }
            return Main.OK;
        }
    }

    /** The value as the scanner library answers it. */
    static String read(Session session, int selector, boolean text) throws Failure {
        if (text) {
            String answer = QelScanApi.MirbGetParamString(selector);
            if (answer == null) {
                throw session.failure("Reading the text of parameter " + selector
                        + " failed: MirbGetParamString gave no text (the library has none for that selector)");
            }
            return answer;
        }
        int answer = QelScanApi.MirbGetParam(selector);
        // The answer is the value itself, so only where the library is known can an error code be told from it.
        if (session.virtual && !VirtualScanner.holdsNumber(selector)) {
            throw session.failure("Reading parameter " + selector, "MirbGetParam", answer);
        }
        return Integer.toString(answer);
    }
}
