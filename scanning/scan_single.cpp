// One image of one document, to a file, into a Java byte array or both: the
// UV scan and the long-document scan, one body.
#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "scannerlib/mirbap32.h"

using namespace qel;

namespace {

using SingleScanEntry = int(MIRB_CALL *)(const char *, unsigned char *, int *,
                                         int);

jint ScanSingle(JNIEnv *env, const char *callLine, SingleScanEntry scan,
                jstring sFrontFileName, jbyteArray abFrontImage,
                jintArray aiFrontFileSize, int iFormatComp) {
  LogBoth(callLine);

  Text pcFrontFileName;
  const Presence file = CopyOptionalString(
      env, sFrontFileName, pcFrontFileName, "front file name",
      "Get front file name error",
      "front file name string is NULL, do not capture image to file",
      StringUse::kFileName);
  if (file == Presence::kFailed) {
    return -1;
  }
  PinnedImage pinned(env);
  if (!pinned.PinIfGiven(
          env, abFrontImage, aiFrontFileSize,
          {"Get front buffer error", "Front buffer size is less than %d", false,
           "lengthFrontFileSize < 1", "Get Front Length buffer error"},
          "Front Image Buffer is NULL, "
          "do not capture image to memory")) {
    return -1;
  }

  if (file == Presence::kCopied) {
    // The line feed is part of the trace: an empty line follows it.
    LogInfoFormatted("pcFrontFileName = %s\n", pcFrontFileName);
  }
  LogInfoFormatted("iFormatComp = %d", iFormatComp);
  int lFrontFileSize = 0;
  // Unlike the scans to files, an unwanted file is a null name here.
  const int iResult =
      scan(file == Presence::kCopied ? pcFrontFileName : nullptr,
           pinned.bytes(), &lFrontFileSize, iFormatComp);
  LogInfoFormatted("lFrontFileSize = %d", lFrontFileSize);

  pinned.ReleaseImage();
  pinned.DeliverLength(lFrontFileSize);
  return iResult;
}

} // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_QelScanUV(
    JNIEnv *env, jclass, jstring sFrontFileName, jbyteArray abFrontImage,
    jintArray aiFrontFileSize, jint iFormatComp) {
  return ScanSingle(env, QEL_CALL_LINE(QelScanUV), QELScanUV, sFrontFileName,
                    abFrontImage, aiFrontFileSize, iFormatComp);
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_QelScanLong(
    JNIEnv *env, jclass, jstring sFrontFileName, jbyteArray abFrontImage,
    jintArray aiFrontFileSize, jint iFormatComp) {
  return ScanSingle(env, QEL_CALL_LINE(QelScanLong), QELScanLong,
                    sFrontFileName, abFrontImage, aiFrontFileSize, iFormatComp);
}

} // extern "C"
