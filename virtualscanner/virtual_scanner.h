// Result codes, status bits and selectors of the virtual scanner library.
//
// The entries themselves are declared in scannerlib/mirbap32.h; this header
// only names the values they answer with, so tests and demos can say what
// they expect. README.md in this folder explains each one.
#ifndef QELSCANNER_VIRTUALSCANNER_VIRTUAL_SCANNER_H
#define QELSCANNER_VIRTUALSCANNER_VIRTUAL_SCANNER_H

// Results. Success is 0 (or a count, where an entry says so). The errors
// stay clear of -1, which the bridge itself returns for its own failures.
#define MIRB_VS_OK 0
#define MIRB_VS_ERR_NOT_INITIALISED (-101) // no session is open
#define MIRB_VS_ERR_NO_DOCUMENT (-102)     // hopper empty / nothing in track
#define MIRB_VS_ERR_BAD_ARGUMENT (-103)    // null, too long, out of range
#define MIRB_VS_ERR_FILE (-104)            // missing, unreadable, unwritable
#define MIRB_VS_ERR_CONFIG_FORMAT (-105)   // configuration file malformed
#define MIRB_VS_ERR_HOPPER (-106)          // hopper file unreadable/malformed
#define MIRB_VS_ERR_UNKNOWN_ADDRESS (-107) // no image placed at that address
#define MIRB_VS_ERR_TOO_LARGE                                                  \
  (-108)                                // image would not fit 1048576 bytes,
                                        // or an input beyond the limits
#define MIRB_VS_ERR_IMAGE_FORMAT (-109) // not a TIFF/JPEG read here, damaged
// Faults a hopper file sets on a document (README "Faults").
#define MIRB_VS_ERR_JAM (-110)         // jammed in the track until cleared
#define MIRB_VS_ERR_DOUBLE_FEED (-111) // two taken at once, until cleared
#define MIRB_VS_ERR_UNPLUGGED (-112)   // the scanner is gone, until reopened
#define MIRB_VS_ERR_CAPTURE (-113)     // code line read, no image made
// The library failed inside (memory ran out): the call changed nothing that
// lasts. A scan leaves its document in the hopper, for the next scan to
// take; the session stays open and usable.
#define MIRB_VS_ERR_INTERNAL (-114)

// The library's version, major * 100 + minor (QELApiVersion).
#define MIRB_VS_VERSION 1512

// MIRBStatus / MIRBStatusDelay status word (inside a session).
#define MIRB_VS_STATUS_READY 0x0001
#define MIRB_VS_STATUS_DOCUMENT_IN_TRACK 0x0002
#define MIRB_VS_STATUS_HOPPER_LOADED 0x0004
#define MIRB_VS_STATUS_JAM 0x0008         // not ready until cleared
#define MIRB_VS_STATUS_DOUBLE_FEED 0x0010 // not ready until cleared
#define MIRB_VS_STATUS_FEEDING 0x0020     // a scan is feeding a document

// The code-line character of a place the reader could not read, and its
// confidence.
#define MIRB_VS_REJECT_CHARACTER '?'
#define MIRB_VS_REJECT_CONFIDENCE '0'

// Identity.
#define MIRB_VS_SCANNER_TYPE 4 // QELGetScannerType
#define MIRB_VS_SUPPORTED_SCANNERS                                             \
  ((1 << 1) | (1 << 2) | (1 << MIRB_VS_SCANNER_TYPE)) // QELApiSupportedScanners
#define MIRB_VS_ADAPTER_ID 200 // above 127 on purpose: shows signedness bugs
#define MIRB_VS_TARGET_ID 7
#define MIRB_VS_VENDOR "QEL Virtual"
#define MIRB_VS_PRODUCT "MIRB Virtual Check Scanner"
#define MIRB_VS_RELEASE "15.12"
#define MIRB_VS_SERIAL "QELVIRT-0001512"
#define MIRB_VS_USB_VID 0xF055
#define MIRB_VS_USB_PID 0x5C4E

// Parameter selectors. 0..255 are free numeric and text parameters; the
// ones below are read-only texts of MIRBGetParamString. Every other
// selector (for example -1) gives NULL there.
#define MIRB_VS_PARAM_COUNT 256
#define MIRB_VS_SEL_DLL_PATH 900 // the three texts of MIRBInitPath
#define MIRB_VS_SEL_INI_FILE 901
#define MIRB_VS_SEL_CFG_FILE 902
#define MIRB_VS_SEL_PENDING_PRINT 903       // batch print for next document
#define MIRB_VS_SEL_LAST_PRINT 904          // printed on last document
#define MIRB_VS_SEL_PENDING_ENDORSEMENT 905 // virtual endorsement, next doc
#define MIRB_VS_SEL_LAST_ENDORSEMENT 906    // ... on last document
#define MIRB_VS_SEL_NULL (-1)               // documented NULL answer

// Endorsement printing (README "Printing"). Places are the top left of the
// printed text's box in 200-dpi pixels from the image's top left corner;
// a gray image shows them at half the numbers.
#define MIRB_VS_PRINT_MAX_X 1199   // batch print, bitmap endorsement
#define MIRB_VS_ENDORSE_MAX_X 2399 // virtual endorsement (vouchers too)
#define MIRB_VS_PRINT_MAX_Y 549
#define MIRB_VS_PRINT_MAX_SCALE 4 // times the 5 x 7 dot font
#define MIRB_VS_PRINT_X 40        // batch print: in the endorsement box
#define MIRB_VS_PRINT_Y 70
#define MIRB_VS_PRINT_SCALE 3
#define MIRB_VS_ENDORSE_X 420       // virtual endorsement: top of a check
#define MIRB_VS_ENDORSE_LONG_X 1420 // ... of a voucher
#define MIRB_VS_ENDORSE_Y 40
#define MIRB_VS_ENDORSE_BACK_X 40 // ... on the back, under a batch print
#define MIRB_VS_ENDORSE_BACK_Y 140
#define MIRB_VS_ENDORSE_SCALE 2
// The side a virtual endorsement is drawn on.
#define MIRB_VS_SIDE_FRONT 0
#define MIRB_VS_SIDE_BACK 1
#define MIRB_VS_SIDE_BOTH 2
// The images it is drawn on: a sum of these, 0 for all of them.
#define MIRB_VS_IMAGES_BILEVEL 1 // black-and-white TIFFs
#define MIRB_VS_IMAGES_GRAY 2    // gray JPEGs and TIFFs
#define MIRB_VS_IMAGES_UV 4
#define MIRB_VS_IMAGES_LONG 8
#define MIRB_VS_IMAGES_ALL 15

// QELScan docStatus slots (32 ints; the rest are 0).
#define MIRB_VS_DOCSTATUS_COUNT 32
#define MIRB_VS_DOCSTATUS_PRESENT 0 // 1 when a document was scanned
#define MIRB_VS_DOCSTATUS_SPECIAL 1 // number of the matching special doc
#define MIRB_VS_DOCSTATUS_CODELEN 2 // length of the code line
#define MIRB_VS_DOCSTATUS_IMAGES 3  // images produced

// Memory image header, little-endian: int16 width, length, bits per
// pixel, dpi, header bytes (16), stream format, then int32 stream bytes.
// The stream (a TIFF or JPEG file's bytes) follows the header.
#define MIRB_VS_MEMORY_HEADER_BYTES 16
#define MIRB_VS_MEMORY_FORMAT_TIFF 1
#define MIRB_VS_MEMORY_FORMAT_JPEG 2

#endif
