// Scans of one document into Java byte arrays: the black-and-white scan
// and its gray twin, one body. The library writes straight into the pinned
// arrays; releasing them hands the images to Java without a copy of ours.
#include <cstddef>
#include <cstdint>

#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "scannerlib/mirbap32.h"

using namespace qel;

namespace {

// What tells the twins apart.
struct ScanToMemoryTexts {
  const char *callLine;
  ImageBufferTexts front;
  const char *backOff;
  ImageBufferTexts back;
  // The notice for a null code line array; null where the code line is
  // required.
  const char *codeOff;
  // The code line's length is traced before its text.
  bool codeLengthFirst;
};

constexpr ScanToMemoryTexts kScanMemoryTexts = {
    QEL_CALL_LINE(MirbScanMemory),
    {"Get front buffer error", "Front buffer size is less than %d", false,
     "Array of Front length < 1", "Get Front Length buffer error"},
    "Back Image Buffer is NULL, do not capture back image",
    {"Get back buffer error", "Back buffer size is less than %d", true,
     "Array of Back length < 1", "Get Back Length buffer error"},
    nullptr,
    false,
};

constexpr ScanToMemoryTexts kScanMemoryGrayTexts = {
    QEL_CALL_LINE(MirbScanMemoryGray),
    {"Get front image buffer error", "Front buffer size is less than %d", false,
     "Array of Front Length < 1", "Get Front Length buffer error"},
    "Back Image Buffer is NULL, do not capture image",
    {"Get back image buffer error", "Back buffer size is less than %d", false,
     "Array of Back length < 1", "Get Back Length buffer error"},
    "asCode Buffer is NULL, do not MICR",
    true,
};

// The memory image header's fields are signed 16-bit, little-endian.
int HeaderField(const unsigned char *image, std::size_t index) {
  return static_cast<std::int16_t>(image[2 * index] | image[2 * index + 1]
                                                          << 8);
}

template <typename Scan>
jint ScanToMemory(JNIEnv *env, const ScanToMemoryTexts &texts,
                  jbyteArray abFrontImage, jintArray aiFrontLen,
                  jbyteArray abBackImage, jintArray aiBackLen,
                  jobjectArray asCode, Scan scan) {
  LogBoth(texts.callLine);

  PinnedImage pinnedFront(env);
  if (!pinnedFront.PinIfGiven(
          env, abFrontImage, aiFrontLen, texts.front,
          "Front Image Buffer is NULL, do not capture front image")) {
    return -1;
  }
  PinnedImage pinnedBack(env);
  if (!pinnedBack.PinIfGiven(env, abBackImage, aiBackLen, texts.back,
                             texts.backOff)) {
    return -1;
  }
  const bool code = asCode != nullptr || texts.codeOff == nullptr;
  if (!code) {
    LogInfo(texts.codeOff);
  } else if (!CheckOutputSlot(env, asCode,
                              "MICR array must be at least 1 element",
                              "Get MICR error")) {
    return -1;
  }

  int lLenFront = 0;
  int lLenBack = 0;
  LibraryText<kTextSize> acMICR;
  int iLenCode = 0;
  const int iResult = scan(pinnedFront.bytes(), &lLenFront, pinnedBack.bytes(),
                           &lLenBack, acMICR.buffer(), &iLenCode);

  if (pinnedFront.wanted()) {
    const unsigned char *pMIRBMemHdr = pinnedFront.bytes();
    LogInfoFormatted("pMIRBMemHdr->hdrImageWidth = %d",
                     HeaderField(pMIRBMemHdr, 0));
    LogInfoFormatted("pMIRBMemHdr->hdrImageLength = %d",
                     HeaderField(pMIRBMemHdr, 1));
    LogInfoFormatted("pMIRBMemHdr->hdrBitsPixel = %d",
                     HeaderField(pMIRBMemHdr, 2));
    LogInfoFormatted("pMIRBMemHdr->hdrDPI = %d", HeaderField(pMIRBMemHdr, 3));
    LogInfoFormatted("lLenFront = %d", lLenFront);
  }
  if (pinnedBack.wanted()) {
    LogInfoFormatted("lLenBack = %d", lLenBack);
  }
  if (code && texts.codeLengthFirst) {
    LogInfoFormatted("iLenCode = %d", iLenCode);
    LogInfoFormatted("acMICR = %s", acMICR.text());
  } else if (code) {
    LogInfoFormatted("acMICR = %s", acMICR.text());
    LogInfoFormatted("iLenCode = %d", iLenCode);
  }

  pinnedFront.ReleaseImage();
  pinnedBack.ReleaseImage();
  pinnedFront.DeliverLength(lLenFront);
  pinnedBack.DeliverLength(lLenBack);
  if (code &&
      !PutString(env, asCode, acMICR.text(), "Put and Release MICR error")) {
    return -1;
  }
  return iResult;
}

} // namespace

extern "C" {

// The seventh argument is never read: callers may pass anything there.
JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbScanMemory(
    JNIEnv *env, jclass, jint iScanOption, jbyteArray abFrontImage,
    jintArray aiFrontLen, jbyteArray abBackImage, jintArray aiBackLen,
    jobjectArray asCode, jint) {
  return ScanToMemory(env, kScanMemoryTexts, abFrontImage, aiFrontLen,
                      abBackImage, aiBackLen, asCode,
                      [iScanOption](unsigned char *front, int *frontLen,
                                    unsigned char *back, int *backLen,
                                    char *micr, int *micrLen) {
                        return MIRBScanMemory(iScanOption, front, frontLen,
                                              back, backLen, micr, micrLen);
                      });
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbScanMemoryGray(
    JNIEnv *env, jclass, jint iScanOption, jbyteArray abFrontImage,
    jintArray aiFrontLen, jbyteArray abBackImage, jintArray aiBackLen,
    jobjectArray asCode, jint, jint iGrayOption) {
  return ScanToMemory(
      env, kScanMemoryGrayTexts, abFrontImage, aiFrontLen, abBackImage,
      aiBackLen, asCode,
      [iScanOption, iGrayOption](unsigned char *front, int *frontLen,
                                 unsigned char *back, int *backLen, char *micr,
                                 int *micrLen) {
        return MIRBScanMemoryGray(iScanOption, front, frontLen, back, backLen,
                                  micr, micrLen, iGrayOption);
      });
}

} // extern "C"
