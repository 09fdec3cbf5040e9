// The scanner library's entries, each written once with its ordinal.
//
// QEL_SCANNER_ENTRIES(X) expands X(ordinal, result, name, parameters,
// argument bytes on 32-bit Windows) for every entry. The Linux link, the
// Windows import definition and the virtual scanner are all made from this
// list, so an ordinal lives here and nowhere else.
#ifndef QELSCANNER_SCANNERLIB_ENTRIES_H
#define QELSCANNER_SCANNERLIB_ENTRIES_H

#define QEL_SCANNER_ENTRIES(X)                                                 \
  X(2, int, MIRBStatus, (void), 0)                                             \
  X(3, int, MIRBInit, (void), 0)                                               \
  X(4, int, MIRBExit, (void), 0)                                               \
  X(5, int, MIRBDebug, (int level), 4)                                         \
  X(8, int, MIRBSetParam, (int selector, int value), 8)                        \
  X(9, int, MIRBGetParam, (int selector), 4)                                   \
  X(10, int, MIRBReadConfig, (const char *file), 4)                            \
  X(11, int, MIRBWriteConfig, (const char *file), 4)                           \
  X(12, int, MIRBScan,                                                         \
    (int option, const char *front, char *frontLen, const char *back,          \
     char *backLen, char *micr, char *micrLen),                                \
    28)                                                                        \
  X(13, int, MIRBScanMemory,                                                   \
    (int option, unsigned char *front, int *frontLen, unsigned char *back,     \
     int *backLen, char *micr, int *micrLen),                                  \
    28)                                                                        \
  X(14, int, MIRBScanGray,                                                     \
    (int option, const char *front, char *frontLen, const char *back,          \
     char *backLen, char *micr, char *micrLen, int grayOption),                \
    32)                                                                        \
  X(15, int, MIRBScanMemoryGray,                                               \
    (int option, unsigned char *front, int *frontLen, unsigned char *back,     \
     int *backLen, char *micr, int *micrLen, int grayOption),                  \
    32)                                                                        \
  X(16, int, MIRBCompressImage, (const char *file, unsigned char *image), 8)   \
  X(17, int, MIRBCompressImageGray,                                            \
    (const char *file, unsigned char *image, int option), 12)                  \
  X(18, int, MIRBCombineTIFFS, (const char *input, const char *append), 8)     \
  X(23, int, MIRBCopyFile, (const char *input, const char *output), 8)         \
  X(24, int, MIRBCropFile,                                                     \
    (const char *input, const char *output, int option), 12)                   \
  X(29, int, MIRBGetScannerInfo,                                               \
    (unsigned char *adapter, unsigned char *target, char *vendor,              \
     char *product, char *release, int option),                                \
    24)                                                                        \
  X(30, int, MIRBEjectDocument, (void), 0)                                     \
  X(52, int, QELGetScannerType, (void), 0)                                     \
  X(54, int, MIRBInitPath,                                                     \
    (const char *dllPath, const char *iniFile, const char *cfgFile), 12)       \
  X(56, int, QELApiVersion, (void), 0)                                         \
  X(57, int, QELApiSupportedScanners, (void), 0)                               \
  X(58, int, MIRBGetScannerSerialNumber,                                       \
    (char *serial, unsigned int *documentNumber, unsigned int *time), 12)      \
  X(67, int, MIRBSetParamString, (int selector, const char *value), 8)         \
  X(79, int, QELScan,                                                          \
    (const char *frontTiff, const char *backTiff, const char *frontJpeg,       \
     const char *backJpeg, char *micr, int *imageQuality, int *contrast,       \
     int *docStatus),                                                          \
    32)                                                                        \
  X(86, const char *, MIRBGetParamString, (int selector), 4)                   \
  X(87, int, QELBatchPrintString,                                              \
    (const char *text, int a, int b, int c, int d), 20)                        \
  X(88, int, QELBatchPrintBMP,                                                 \
    (const char *text, int a, int b, int c, int d, int e, int f, int g, int h, \
     int i, const char *font),                                                 \
    44)                                                                        \
  X(90, int, MIRBClearDocument, (void), 0)                                     \
  X(91, int, QELGetMemoryImageLength, (const unsigned char *address), 4)       \
  X(94, int, QELScanVirtualEndorsement,                                        \
    (const char *text, int a, int b, int c, int d, int e, int f, int g, int h, \
     int i, int j, int k, int l, int m, int n, const char *font),              \
    64)                                                                        \
  X(95, int, QELGetOcrMicr, (char *micr, char *confidence), 8)                 \
  X(101, int, QELSetSpecialDocument,                                           \
    (int a, int b, const char *routing, const char *account, int c, int d,     \
     int e, int f),                                                            \
    32)                                                                        \
  X(117, int, MIRBStatusDelay, (int a, int b), 8)                              \
  X(118, int, QELScanLong,                                                     \
    (const char *file, unsigned char *image, int *size, int formatComp), 16)   \
  X(125, int, QELSetSpecialDocumentEx,                                         \
    (int a, int b, const char *routing, const char *account, int c, int d,     \
     int e, int f, int g, int h, int i, int j, int k, int l),                  \
    56)                                                                        \
  X(207, int, QELScanUV,                                                       \
    (const char *file, unsigned char *image, int *size, int formatComp), 16)   \
  X(209, int, QELIsUsbScannerAvailable, (int *vid, int *pid), 8)               \
  X(217, int, QELUVGain,                                                       \
    (const char *input, const char *output, int a, int b, int c), 20)          \
  X(218, int, QELUVTiff, (const char *input, const char *output, int option),  \
    12)

#endif
