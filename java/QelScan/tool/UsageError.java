package QelScan.tool;

/** A command line that parsed but cannot be run; qelscan says why, shows the command's usage and exits with 2. */
final class UsageError extends RuntimeException {
    private static final long serialVersionUID = 1L;

    UsageError(String message) {
        super(message);
    }
}
