// The code line the library read last, reread with its confidence text.
#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "scannerlib/mirbap32.h"

using namespace qel;

extern "C" {

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_QelScanGetOcrMicr(
    JNIEnv *env, jclass, jobjectArray asCode, jobjectArray asCodeConf) {
  LogBoth(QEL_CALL_LINE(QelScanGetOcrMicr));
  if (!CheckOutputSlot(env, asCode, "MICR array must be at least 1 element",
                       "Get MICR error") ||
      !CheckOutputSlot(env, asCodeConf,
                       "MICRConf array must be at least 1 element",
                       "Get MICRConf error")) {
    return -1;
  }

  LibraryText<kTextSize> acMICR;
  LibraryText<kTextSize> acMICRConf;
  const int iResult = QELGetOcrMicr(acMICR.buffer(), acMICRConf.buffer());
  LogInfoFormatted("acMICR = %s", acMICR.text());
  LogInfoFormatted("acMICRConf = %s", acMICRConf.text());

  if (!PutString(env, asCode, acMICR.text(), "Put and Release MICR error") ||
      !PutString(env, asCodeConf, acMICRConf.text(),
                 "Put and Release MICRConf error")) {
    return -1;
  }
  return iResult;
}

} // extern "C"
