package QelScan.tool;

import QelScan.capture.ScannerException;
import QelScan.capture.Session;
import java.nio.file.Path;

/** A failure told to the user in a few lines, and the exit status it ends the run with. */
final class Failure extends Exception {

    private static final long serialVersionUID = 1L;

    /** A call of the scanner. */
    interface Call<T> {
        T run() throws ScannerException;
    }

    /** A call of the scanner without an answer. */
    interface Step {
        void run() throws ScannerException;
    }

    final int exitCode;

    Failure(String message) {
        this(message, Main.FAILED);
    }

    Failure(String message, int exitCode) {
        super(message);
        this.exitCode = exitCode;
    }

    /** What failed, such as "Setting parameter 12", and the scanner's failure. */
    Failure(String what, ScannerException e) {
        this(what + " failed: " + e.getMessage() + (e.refusedByBridge() && !e.errorLogLine().isPresent()
                ? System.lineSeparator() + "  The bridge's error log says what it refused: switch tracing on with "
                        + "'qelscan trace on' and run again."
                : ""));
    }

    /**
     * Opens the scanner session and, when {@code config} is given, loads the settings of that file; a
     * failure says which of the two failed.
     */
    static Session openSession(Path config) throws Failure {
        try {
            return Session.open(config == null ? Session.options() : Session.options().configuration(config));
        } catch (ScannerException e) {
            throw new Failure(e.call().equals("MirbReadConfig") ? "Loading the settings of " + config
                    : "Opening the session", e);
        }
    }

    /** The answer of {@code call}, made to do {@code what}. */
    static <T> T doing(String what, Call<T> call) throws Failure {
        try {
            return call.run();
        } catch (ScannerException e) {
            throw new Failure(what, e);
        }
    }

    static void step(String what, Step step) throws Failure {
        doing(what, () -> {
            step.run();
            return null;
        });
    }
}
