package QelScan;

/** Opens a session in a child JVM and prints MirbInit's result. */
public final class InitProbe {

    static final String PREFIX = "MirbInit result: ";

    private InitProbe() {
    }

    public static void main(String[] args) {
        System.out.println(PREFIX + QelScanApi.MirbInit());
    }

    static int resultIn(String output) {
        return output.lines().filter(line -> line.startsWith(PREFIX))
                .mapToInt(line -> Integer.parseInt(line.substring(PREFIX.length()).trim()))
                .findFirst().orElseThrow(() -> new AssertionError("no result in:\n" + output));
    }
}
