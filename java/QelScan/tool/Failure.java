package QelScan.tool;

/** A failure told to the user in a few lines, and the exit status it ends the run with. */
final class Failure extends Exception {

    private static final long serialVersionUID = 1L;

    final int exitCode;

    Failure(String message) {
        this(message, Main.FAILED);
    }

    Failure(String message, int exitCode) {
        super(message);
        this.exitCode = exitCode;
    }
}
