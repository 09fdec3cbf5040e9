// Scans of one document to files: the black-and-white scan and its gray
// twin. Both run one body; only their texts and the library entry differ.
#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "scannerlib/mirbap32.h"

using namespace qel;

namespace {

// The length texts the library fills: 32 bytes each, NUL included.
constexpr std::size_t kLengthTextSize = 32;

// What tells the twins apart in the log.
struct ScanToFilesTexts {
  const char *callLine;
  const char *backOff;
  const char *codeOff;
  const char *putFrontLength;
  const char *putBackLength;
  const char *putCodeLength;
};

constexpr ScanToFilesTexts kScanTexts = {
    QEL_CALL_LINE(MirbScan),
    "Back file name string is NULL, do not capture image",
    "sCode buffer is NULL, do not capture MICR",
    "Put and Release FrontLength error",
    "Put and Release BackLength error",
    "Put and Release MICRLength error",
};

constexpr ScanToFilesTexts kScanGrayTexts = {
    QEL_CALL_LINE(MirbScanGray),
    "Back file name string is NULL, do not capture back image",
    "asCode is NULL, do not MICR",
    "Put and Release Front Length error",
    "Put and Release Back Length error",
    "Put and Release MICR Length error",
};

// An optional file name with the length text it is reported in. The name
// is copied and its output slot checked only when the name is given.
bool FileSide(JNIEnv *env, jstring name, Text &copy, jobjectArray lengthArray,
              const char *what, const char *fetchMessage,
              const char *absentNotice, const char *lengthMessage,
              const char *slotMessage, bool &wanted) {
  const Presence presence = CopyOptionalString(
      env, name, copy, what, fetchMessage, absentNotice, StringUse::kFileName);
  wanted = presence == Presence::kCopied;
  return presence == Presence::kAbsent ||
         (wanted &&
          CheckOutputSlot(env, lengthArray, lengthMessage, slotMessage));
}

template <typename Scan>
jint ScanToFiles(JNIEnv *env, const ScanToFilesTexts &texts,
                 jstring sFrontFileName, jobjectArray asFrontLen,
                 jstring sBackFileName, jobjectArray asBackLen,
                 jobjectArray asCode, jobjectArray asCodeLen, Scan scan) {
  LogBoth(texts.callLine);

  Text pcFrontFileName;
  bool front = false;
  if (!FileSide(env, sFrontFileName, pcFrontFileName, asFrontLen,
                "front file name", "Get front file name error",
                "front file name string is NULL, do not capture front image",
                "Array of Front Length < 1", "Get Front Length buffer error",
                front)) {
    return -1;
  }
  Text pcBackFileName;
  bool back = false;
  if (!FileSide(env, sBackFileName, pcBackFileName, asBackLen, "Back file name",
                "Get Back file name error", texts.backOff,
                "Array of Back Length < 1", "Get Back Length buffer error",
                back)) {
    return -1;
  }
  const bool code = asCode != nullptr;
  if (!code) {
    LogInfo(texts.codeOff);
  } else if (!CheckOutputSlot(env, asCode,
                              "MICR array must be at least 1 element",
                              "Get MICR error") ||
             !CheckOutputSlot(env, asCodeLen, "Array of MICR Length < 1",
                              "Get MICR Length buffer error")) {
    return -1;
  }

  LibraryText<kLengthTextSize> acFrontLen;
  LibraryText<kLengthTextSize> acBackLen;
  LibraryText<kTextSize> acMICR;
  LibraryText<kLengthTextSize> acMICRLen;
  const int iResult =
      scan(pcFrontFileName, acFrontLen.buffer(), pcBackFileName,
           acBackLen.buffer(), acMICR.buffer(), acMICRLen.buffer());

  if (front) {
    LogInfoFormatted("acFrontLen = %s", acFrontLen.text());
  }
  if (back) {
    LogInfoFormatted("acBackLen = %s", acBackLen.text());
  }
  if (code) {
    LogInfoFormatted("acMICRLen = %s", acMICRLen.text());
    LogInfoFormatted("acMICR = %s", acMICR.text());
  }

  if (front &&
      !PutString(env, asFrontLen, acFrontLen.text(), texts.putFrontLength)) {
    return -1;
  }
  if (back &&
      !PutString(env, asBackLen, acBackLen.text(), texts.putBackLength)) {
    return -1;
  }
  if (code &&
      (!PutString(env, asCode, acMICR.text(), "Put and Release MICR error") ||
       !PutString(env, asCodeLen, acMICRLen.text(), texts.putCodeLength))) {
    return -1;
  }
  return iResult;
}

} // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbScan(
    JNIEnv *env, jclass, jint iScanOption, jstring sFrontFileName,
    jobjectArray asFrontLen, jstring sBackFileName, jobjectArray asBackLen,
    jobjectArray asCode, jobjectArray asCodeLen) {
  return ScanToFiles(env, kScanTexts, sFrontFileName, asFrontLen, sBackFileName,
                     asBackLen, asCode, asCodeLen,
                     [iScanOption](const char *front, char *frontLen,
                                   const char *back, char *backLen, char *micr,
                                   char *micrLen) {
                       return MIRBScan(iScanOption, front, frontLen, back,
                                       backLen, micr, micrLen);
                     });
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbScanGray(
    JNIEnv *env, jclass, jint iScanOption, jstring sFrontFileName,
    jobjectArray asFrontLen, jstring sBackFileName, jobjectArray asBackLen,
    jobjectArray asCode, jobjectArray asCodeLen, jint iGrayOption) {
  return ScanToFiles(env, kScanGrayTexts, sFrontFileName, asFrontLen,
                     sBackFileName, asBackLen, asCode, asCodeLen,
                     [iScanOption, iGrayOption](
                         const char *front, char *frontLen, const char *back,
                         char *backLen, char *micr, char *micrLen) {
                       return MIRBScanGray(iScanOption, front, frontLen, back,
                                           backLen, micr, micrLen, iGrayOption);
                     });
}

} // extern "C"
