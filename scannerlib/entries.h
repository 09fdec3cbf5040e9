// The scanner library's entries, each written once with its ordinal.
//
// QEL_SCANNER_ENTRIES(X) expands X(ordinal, result, name, parameters,
// argument bytes on 32-bit Windows) for every entry. The Linux link, the
// Windows import definition, the virtual scanner and the proxy and host
// that run a library in a process of its own are all made from this list,
// so an ordinal, a parameter's type and what crosses to that process live
// here and nowhere else.
//
// parameters is a sequence of (kind, name) pairs, empty for none; the
// QEL_PARAMETER_* views below turn it into a C parameter list, the names
// alone or the kinds. A kind is the C type and what the
// library does with it, which is also what crosses between the proxy and
// the host (wire/kinds.h gives the sizes):
//
//   Int        int                   a value
//   Text       const char *          a text the library reads; null stays
//                                    null, distinct from ""
//   Name       const char *          an image name of the full scan: a
//                                    file name, or "MD:" and the address of
//                                    a 1048576-byte buffer
//   Chars32    char *                a 32-byte text buffer it fills
//   Chars256   char *                a 256-byte text buffer it fills
//   Byte       unsigned char *       one byte it fills
//   IntOut     int *                 one int it fills
//   UintOut    unsigned int *        one unsigned int it fills
//   DocStatus  int *                 32 ints it fills, or null
//   Image      unsigned char *       a 1048576-byte image buffer, or null
//   Address    const unsigned char * an address it placed an image at
#ifndef QELSCANNER_SCANNERLIB_ENTRIES_H
#define QELSCANNER_SCANNERLIB_ENTRIES_H

#define QEL_TYPE_Int int
#define QEL_TYPE_Text const char *
#define QEL_TYPE_Name const char *
#define QEL_TYPE_Chars32 char *
#define QEL_TYPE_Chars256 char *
#define QEL_TYPE_Byte unsigned char *
#define QEL_TYPE_IntOut int *
#define QEL_TYPE_UintOut unsigned int *
#define QEL_TYPE_DocStatus int *
#define QEL_TYPE_Image unsigned char *
#define QEL_TYPE_Address const unsigned char *

#define QEL_SCANNER_ENTRIES(X)                                                 \
  X(2, int, MIRBStatus, , 0)                                                   \
  X(3, int, MIRBInit, , 0)                                                     \
  X(4, int, MIRBExit, , 0)                                                     \
  X(5, int, MIRBDebug, (Int, level), 4)                                        \
  X(8, int, MIRBSetParam, (Int, selector)(Int, value), 8)                      \
  X(9, int, MIRBGetParam, (Int, selector), 4)                                  \
  X(10, int, MIRBReadConfig, (Text, file), 4)                                  \
  X(11, int, MIRBWriteConfig, (Text, file), 4)                                 \
  X(12, int, MIRBScan,                                                         \
    (Int, option)(Text, front)(Chars32, frontLen)(Text, back)(                 \
        Chars32, backLen)(Chars256, micr)(Chars32, micrLen),                   \
    28)                                                                        \
  X(13, int, MIRBScanMemory,                                                   \
    (Int, option)(Image, front)(IntOut, frontLen)(Image, back)(                \
        IntOut, backLen)(Chars256, micr)(IntOut, micrLen),                     \
    28)                                                                        \
  X(14, int, MIRBScanGray,                                                     \
    (Int, option)(Text, front)(Chars32, frontLen)(Text, back)(                 \
        Chars32, backLen)(Chars256, micr)(Chars32, micrLen)(Int, grayOption),  \
    32)                                                                        \
  X(15, int, MIRBScanMemoryGray,                                               \
    (Int, option)(Image, front)(IntOut, frontLen)(Image, back)(                \
        IntOut, backLen)(Chars256, micr)(IntOut, micrLen)(Int, grayOption),    \
    32)                                                                        \
  X(16, int, MIRBCompressImage, (Text, file)(Image, image), 8)                 \
  X(17, int, MIRBCompressImageGray, (Text, file)(Image, image)(Int, option),   \
    12)                                                                        \
  X(18, int, MIRBCombineTIFFS, (Text, input)(Text, append), 8)                 \
  X(23, int, MIRBCopyFile, (Text, input)(Text, output), 8)                     \
  X(24, int, MIRBCropFile, (Text, input)(Text, output)(Int, option), 12)       \
  X(29, int, MIRBGetScannerInfo,                                               \
    (Byte, adapter)(Byte, target)(Chars32, vendor)(Chars32, product)(          \
        Chars32, release)(Int, option),                                        \
    24)                                                                        \
  X(30, int, MIRBEjectDocument, , 0)                                           \
  X(52, int, QELGetScannerType, , 0)                                           \
  X(54, int, MIRBInitPath, (Text, dllPath)(Text, iniFile)(Text, cfgFile), 12)  \
  X(56, int, QELApiVersion, , 0)                                               \
  X(57, int, QELApiSupportedScanners, , 0)                                     \
  X(58, int, MIRBGetScannerSerialNumber,                                       \
    (Chars256, serial)(UintOut, documentNumber)(UintOut, time), 12)            \
  X(67, int, MIRBSetParamString, (Int, selector)(Text, value), 8)              \
  X(79, int, QELScan,                                                          \
    (Name, frontTiff)(Name, backTiff)(Name, frontJpeg)(Name, backJpeg)(        \
        Chars256, micr)(IntOut, imageQuality)(IntOut, contrast)(DocStatus,     \
                                                                docStatus),    \
    32)                                                                        \
  X(86, const char *, MIRBGetParamString, (Int, selector), 4)                  \
  X(87, int, QELBatchPrintString,                                              \
    (Text, text)(Int, a)(Int, b)(Int, c)(Int, d), 20)                          \
  X(88, int, QELBatchPrintBMP,                                                 \
    (Text, text)(Int, a)(Int, b)(Int, c)(Int, d)(Int, e)(Int, f)(Int, g)(      \
        Int, h)(Int, i)(Text, font),                                           \
    44)                                                                        \
  X(90, int, MIRBClearDocument, , 0)                                           \
  X(91, int, QELGetMemoryImageLength, (Address, address), 4)                   \
  X(94, int, QELScanVirtualEndorsement,                                        \
    (Text, text)(Int, a)(Int, b)(Int, c)(Int, d)(Int, e)(Int, f)(Int, g)(      \
        Int, h)(Int, i)(Int, j)(Int, k)(Int, l)(Int, m)(Int, n)(Text, font),   \
    64)                                                                        \
  X(95, int, QELGetOcrMicr, (Chars256, micr)(Chars256, confidence), 8)         \
  X(101, int, QELSetSpecialDocument,                                           \
    (Int, a)(Int, b)(Text, routing)(Text, account)(Int, c)(Int, d)(Int,        \
                                                                   e)(Int, f), \
    32)                                                                        \
  X(117, int, MIRBStatusDelay, (Int, a)(Int, b), 8)                            \
  X(118, int, QELScanLong,                                                     \
    (Text, file)(Image, image)(IntOut, size)(Int, formatComp), 16)             \
  X(125, int, QELSetSpecialDocumentEx,                                         \
    (Int, a)(Int, b)(Text, routing)(Text, account)(Int, c)(Int, d)(Int, e)(    \
        Int, f)(Int, g)(Int, h)(Int, i)(Int, j)(Int, k)(Int, l),               \
    56)                                                                        \
  X(207, int, QELScanUV,                                                       \
    (Text, file)(Image, image)(IntOut, size)(Int, formatComp), 16)             \
  X(209, int, QELIsUsbScannerAvailable, (IntOut, vid)(IntOut, pid), 8)         \
  X(217, int, QELUVGain, (Text, input)(Text, output)(Int, a)(Int, b)(Int, c),  \
    20)                                                                        \
  X(218, int, QELUVTiff, (Text, input)(Text, output)(Int, option), 12)

// The views of a parameter sequence. Each walks the pairs by macros that
// call each other in turn (the first without a comma, then two that take
// turns), and the last one left is pasted with _END into nothing, so a
// sequence of any length, empty included, works.
//   QEL_PARAMETER_DECLARATIONS  int option, const char *front
//   QEL_PARAMETER_NAMES         option, front
//   QEL_PARAMETER_KINDS         Kind::Int, Kind::Text (a Kind in scope)
#define QEL_PARAMETER_DECLARATIONS(parameters)                                 \
  QEL_SEQUENCE_END(QEL_DECLARATION_FIRST parameters)
#define QEL_PARAMETER_NAMES(parameters)                                        \
  QEL_SEQUENCE_END(QEL_NAME_FIRST parameters)
#define QEL_PARAMETER_KINDS(parameters)                                        \
  QEL_SEQUENCE_END(QEL_KIND_FIRST parameters)

#define QEL_SEQUENCE_END(...) QEL_SEQUENCE_PASTE_END(__VA_ARGS__)
#define QEL_SEQUENCE_PASTE_END(...) __VA_ARGS__##_END
#define QEL_DECLARATION_FIRST(kind, name) QEL_TYPE_##kind name QEL_DECLARATION_A
#define QEL_DECLARATION_A(kind, name) , QEL_TYPE_##kind name QEL_DECLARATION_B
#define QEL_DECLARATION_B(kind, name) , QEL_TYPE_##kind name QEL_DECLARATION_A
#define QEL_DECLARATION_FIRST_END
#define QEL_DECLARATION_A_END
#define QEL_DECLARATION_B_END
#define QEL_NAME_FIRST(kind, name) name QEL_NAME_A
#define QEL_NAME_A(kind, name) , name QEL_NAME_B
#define QEL_NAME_B(kind, name) , name QEL_NAME_A
#define QEL_NAME_FIRST_END
#define QEL_NAME_A_END
#define QEL_NAME_B_END
#define QEL_KIND_FIRST(kind, name) Kind::kind QEL_KIND_A
#define QEL_KIND_A(kind, name) , Kind::kind QEL_KIND_B
#define QEL_KIND_B(kind, name) , Kind::kind QEL_KIND_A
#define QEL_KIND_FIRST_END
#define QEL_KIND_A_END
#define QEL_KIND_B_END

#endif
