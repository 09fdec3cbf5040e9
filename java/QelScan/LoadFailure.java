package QelScan;

/** Says in one line why the bridge could not be loaded, for the usual causes. */
public final class LoadFailure {

    private LoadFailure() {
    }

    /** One readable line for {@code error}, thrown when {@link QelScanApi} was first used. */
    public static String explain(UnsatisfiedLinkError error) {
        String message = String.valueOf(error.getMessage());
        String libraryPath = System.getProperty("java.library.path", "");
        if (message.contains("Can't find dependent libraries") || message.contains("libMIRBAP32")) {
            return "The bridge was found, but not the scanner library MIRBAP32 it needs: on Windows put "
                    + "MIRBAP32.dll in a folder of java.library.path, in java.exe's folder, the working "
                    + "folder or a folder on the PATH; on Linux beside libQELScanner.so or on "
                    + "LD_LIBRARY_PATH (" + message + ")";
        }
        if (message.contains("IA 32-bit") || message.contains("wrong ELF class")) {
            return "The bridge and this Java differ in bitness: the Windows QELScanner.dll needs a 32-bit "
                    + "Java (" + message + ")";
        }
        if (message.contains("no QELScanner in java.library.path")) {
            return "The bridge is not on java.library.path (" + libraryPath + "): pass its folder with "
                    + "-Djava.library.path=<folder of QELScanner.dll or libQELScanner.so>";
        }
        return "Cannot load the bridge: " + message;
    }
}
