package QelScan;

import java.io.File;
import java.util.regex.Pattern;

/**
 * The check scanner, reached through the native bridge {@code QELScanner}.
 *
 * <p>Every method passes its arguments to the scanner library and returns that
 * library's result code unchanged, or -1 when the bridge refuses the call
 * before the scanner is reached (an argument that cannot be fetched, an
 * output array that is too short, a text longer than 255 bytes).
 *
 * <p>Output arrays receive their value in element 0. A {@code String[]}
 * output must already hold a non-null string in element 0 (an empty one will
 * do); image buffers must hold at least 1048576 bytes; document status arrays
 * at least 32 values.
 *
 * <p>Every call is traced, with a time stamp, in the two diagnostic log files
 * {@code QelScannerDll_Log.txt} (information) and {@code QelScannerDll_Err.txt}
 * (errors), each only while it exists: create a file to switch its tracing on,
 * delete it to switch it off.
 */
public final class QelScanApi {

    /** The scanner library the bridge is bound to on Windows. */
    static final String WINDOWS_SCANNER_LIBRARY = "MIRBAP32.dll";

    static {
        // Windows looks for the bridge's own dependencies by module name
        // only, never in the bridge's folder: a scanner library installed
        // beside the bridge is loaded first, so that the bridge finds it.
        if (System.getProperty("os.name", "").startsWith("Windows")) {
            String scanner = findInLibraryPath(System.getProperty("java.library.path", ""),
                    File.pathSeparator, WINDOWS_SCANNER_LIBRARY);
            if (scanner != null) {
                System.load(scanner);
            }
        }
        System.loadLibrary("QELScanner");
    }

    /**
     * The full path of {@code fileName} in the first folder of
     * {@code libraryPath} (folders separated by {@code separator}) that
     * holds it, or null.
     */
    static String findInLibraryPath(String libraryPath, String separator, String fileName) {
        for (String folder : libraryPath.split(Pattern.quote(separator))) {
            if (folder.isEmpty()) {
                continue;
            }
            File candidate = new File(folder, fileName);
            if (candidate.isFile()) {
                return candidate.getAbsolutePath();
            }
        }
        return null;
    }

    private QelScanApi() {
    }

    // Session

    /** Sets the scanner library's debug level; returns the library's result. */
    public static native int MirbDebug(int iDebugLevel);

    /** Closes the scanner session; returns the library's result. */
    public static native int MirbExit();

    /**
     * Opens the scanner session. Returns -1 without opening it when the
     * scanner library is older than version 15.12, else the library's result.
     */
    public static native int MirbInit();

    /** Hands the scanner library its DLL path, INI file and configuration file. */
    public static native int MirbInitPath(String sDLLPath, String sIniFileName, String sCfgFileName);

    // Parameters and configuration

    /** Returns the value of scanner parameter {@code iSelector}. */
    public static native int MirbGetParam(int iSelector);

    /** Returns the text of scanner parameter {@code iSelector}. */
    public static native String MirbGetParamString(int iSelector);

    /** Loads the scanner settings from a configuration file. */
    public static native int MirbReadConfig(String sFilename);

    /** Sets scanner parameter {@code iSelector} to {@code iValue}. */
    public static native int MirbSetParam(int iSelector, int iValue);

    /** Sets the text of scanner parameter {@code iSelector}. */
    public static native int MirbSetParamString(int iSelector, String sParamString);

    /** Saves the scanner settings to a configuration file. */
    public static native int MirbWriteConfig(String sFilename);

    // Device status, transport control and identity

    /** Returns the type of the attached scanner. */
    public static native int GetScannerType();

    /** Tells whether a USB scanner is attached; its vendor and product ids go to element 0 of the arrays. */
    public static native int IsQelUsbScannerAvailable(int[] aiQELProductVID, int[] aiQELProductPID);

    /** Clears the document from the transport. */
    public static native int MirbClearDocument();

    /** Ejects the document from the transport. */
    public static native int MirbEjectDocument();

    /** Reads the scanner's adapter and target ids and its vendor, product and release texts. */
    public static native int MirbGetScannerInfo(int[] aiAdapterID, int[] aiTargetID, String[] asVendor,
            String[] asProduct, String[] asRelease, int iInfoOption);

    /** Reads the scanner's serial number, document number and time value. */
    public static native int MirbGetScannerSerialNumber(String[] asSerialNumber, int[] aiDocumentNumber,
            int[] aiTime);

    /** Returns the scanner's status. */
    public static native int MirbStatus();

    /** Returns the scanner's status, with the two delay settings passed to the scanner library. */
    public static native int MirbStatusDelay(int iValue1, int iValue2);

    /** Returns the scanners the scanner library supports. */
    public static native int QelApiSupportedScanners();

    /** Returns the scanner library's version, 1512 for 15.12. */
    public static native int QelApiVersion();

    // Scanning

    /**
     * Scans a document into image files. A null file name skips that side, a
     * null {@code asCode} skips the code line; each length text and the code
     * line go to element 0 of their arrays, whose element 0 must already hold
     * a string (an empty one will do). Returns -1 without scanning when an
     * argument cannot be used (the error log says which).
     */
    public static native int MirbScan(int iScanOption, String sFrontFileName, String[] asFrontLen,
            String sBackFileName, String[] asBackLen, String[] asCode, String[] asCodeLen);

    /** {@link #MirbScan} in grayscale. */
    public static native int MirbScanGray(int iScanOption, String sFrontFileName, String[] asFrontLen,
            String sBackFileName, String[] asBackLen, String[] asCode, String[] asCodeLen, int iGrayOption);

    /**
     * Scans a document into memory. A null image buffer skips that side; a
     * buffer given must hold at least 1048576 bytes. The image lengths and
     * the code line go to element 0 of their arrays. {@code iReserved} is not
     * read.
     *
     * <p>Each image starts with a memory image header whose first four
     * fields are signed 16-bit little-endian values: width at byte 0, length
     * at byte 2, bits per pixel at byte 4 and resolution in dpi at byte 6.
     * The scanner library lays out the rest; the virtual scanner follows
     * them with the header's own size (16-bit, byte 8), the format of the
     * image data (16-bit, byte 10: 1 TIFF, 2 JPEG) and the data's byte count
     * (32-bit, byte 12). The image data, a TIFF or JPEG file's bytes, starts
     * at the header's size; the reported length counts header and data, so
     * the bytes from the header's size up to the length can go straight to
     * {@code javax.imageio}.
     */
    public static native int MirbScanMemory(int iScanOption, byte[] abFrontImage, int[] aiFrontLen,
            byte[] abBackImage, int[] aiBackLen, String[] asCode, int iReserved);

    /** {@link #MirbScanMemory} in grayscale; a null {@code asCode} skips the code line. */
    public static native int MirbScanMemoryGray(int iScanOption, byte[] abFrontImage, int[] aiFrontLen,
            byte[] abBackImage, int[] aiBackLen, String[] asCode, int iReserved, int iGrayOption);

    /** Scans a long document to a file and, unless the buffer is null, into memory. */
    public static native int QelScanLong(String sFrontFileName, byte[] abFrontImage, int[] aiFrontFileSize,
            int iFormatComp);

    /** Scans a document under UV light to a file and, unless the buffer is null, into memory. */
    public static native int QelScanUV(String sFrontFileName, byte[] abFrontImage, int[] aiFrontFileSize,
            int iFormatComp);

    /**
     * Full scan to files: up to four images (a null name skips one), the code
     * line, the final image quality and contrast, and, unless
     * {@code aiDocStatus} is null, 32 document status values (it then needs at
     * least 32 elements). The wanted file names are printed on standard output,
     * one line each, before the scan. A file name starting with {@code MD:} is
     * refused with -1: the scanner library would take it for a memory address.
     */
    public static native int QelScanToFile(String sFrontTiffFileName, String sBackTiffFileName,
            String sFrontJPEGFileName, String sBackJPEGFileName, String[] asMICR, int[] aiFinalImageQuality,
            int[] aiFinalContrast, int[] aiDocStatus);

    /**
     * Full scan into memory: {@link #QelScanToFile} with image buffers (at
     * least 1048576 bytes each; a null one skips that image) and their
     * lengths. Each buffer receives a bare image file, TIFF for the first
     * two and JPEG for the last two, starting at byte 0 without a header; its
     * length goes to element 0 of the matching length array.
     */
    public static native int QelScanToMemory(byte[] abFrontTiffImage, int[] aiFrontTiffLength,
            byte[] abBackTiffImage, int[] aiBackTiffLength, byte[] abFrontJPEGImage, int[] aiFrontJPEGLength,
            byte[] abBackJPEGImage, int[] aiBackJPEGLength, String[] asMICR, int[] aiFinalImageQuality,
            int[] aiFinalContrast, int[] aiDocStatus);

    /** Registers a special document by routing and account number. */
    public static native int QelScanSetSpecialDocument(int iSetting1, int iSetting2, String sRouting,
            String sAccount, int iSetting3, int iSetting4, int iSetting5, int iSetting6);

    /** Registers a special document by routing and account number, with the extended settings. */
    public static native int QelScanSetSpecialDocumentEx(int iSetting1, int iSetting2, String sRouting,
            String sAccount, int iSetting3, int iSetting4, int iSetting5, int iSetting6, int iSetting7,
            int iSetting8, int iSetting9, int iSetting10, int iSetting11, int iSetting12);

    /** Reads the code line again; the code line and its confidence go to element 0 of the arrays. */
    public static native int QelScanGetOcrMicr(String[] asCode, String[] asCodeConf);

    // Image conversion and file operations

    /** Compresses an image file into {@code abHugeImage}. */
    public static native int MirbCompressImage(String sFileName, byte[] abHugeImage);

    /** Compresses a grayscale image file into {@code abHugeImage}. */
    public static native int MirbCompressImageGray(String sFileName, byte[] abHugeImage, int iOption);

    /** Adjusts the gain of a UV image. */
    public static native int QelUVGain(String sInputFile, String sOutputFile, int iGain1, int iGain2, int iGain3);

    /** Converts a UV image to TIFF. */
    public static native int QelUVTiff(String sInputFile, String sOutputFile, int iOption);

    /** Appends the pages of one TIFF file to another. */
    public static native int MirbCombineTIFFS(String sInputFile, String sAppendFile);

    /** Copies an image file. */
    public static native int MirbCopyFile(String sInputFile, String sOutputFile);

    /** Crops an image file into another. */
    public static native int MirbCropFile(String sInputFile, String sOutputFile, int iOption);

    // Endorsement printing

    /**
     * Prints a bitmap endorsement of {@code abPrintString} (1 to 255 bytes) in
     * the given font. Only the low 32 bits of each {@code long} reach the scanner.
     */
    public static native int QelBatchPrintBMP(byte[] abPrintString, long lValue1, long lValue2, int iValue1,
            int iValue2, int iValue3, int iValue4, int iValue5, int iValue6, int iValue7, String sFont);

    /**
     * Prints the endorsement text {@code abPrintString} (1 to 255 bytes). Only
     * the low 32 bits of each {@code long} reach the scanner.
     */
    public static native int QelBatchPrintString(byte[] abPrintString, long lValue1, long lValue2, int iValue1,
            int iValue2);

    /**
     * Overlays the endorsement text {@code abVirtualString} (1 to 255 bytes)
     * on the document image. Only the low 32 bits of each {@code long} reach
     * the scanner.
     */
    public static native int QelScanVirtualEndorsement(byte[] abVirtualString, long lValue1, long lValue2,
            int iValue1, int iValue2, int iValue3, int iValue4, int iValue5, int iValue6, int iValue7,
            int iValue8, int iValue9, int iValue10, int iValue11, int iValue12, String sFont);
}
