// Opening and closing the scanner session. The session itself lives in the
// scanner library; the bridge only checks the library's version first.
#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "scannerlib/mirbap32.h"

namespace {

constexpr char kBridgeVersion[] = "1.0.0.0";
// 15.12, written without its point.
constexpr int kMinimumLibraryVersion = 1512;

} // namespace

using namespace qel;

extern "C" {

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbInit(JNIEnv *, jclass) {
  LogBoth(QEL_CALL_LINE(MirbInit));
  Text acLog;
  FormatText(acLog, "QelScanApi JNI Version = %s", kBridgeVersion);
  LogBoth(acLog);

  const int iVersion = QELApiVersion();
  FormatText(acLog, "MirbApi Version = %d", iVersion);
  LogBoth(acLog);
  if (iVersion < kMinimumLibraryVersion) {
    LogBoth("Incorrect version of MirApi, only support version 15.12 or above");
    return -1;
  }
  return MIRBInit();
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbInitPath(
    JNIEnv *env, jclass, jstring sDLLPath, jstring sIniFileName,
    jstring sCfgFileName) {
  LogBoth(QEL_CALL_LINE(MirbInitPath));
  Text capPath;
  Text capIniFileName;
  Text capCfgFileName;
  if (!CopyTracedString(env, sDLLPath, capPath, "sDLLPath",
                        "Get sDLLPath error", "capPath = %s",
                        StringUse::kFileName) ||
      !CopyTracedString(env, sIniFileName, capIniFileName, "sIniFileName",
                        "Get sIniFileName error", "capIniFileName = %s",
                        StringUse::kFileName) ||
      !CopyTracedString(env, sCfgFileName, capCfgFileName, "sCfgFileName",
                        "Get sCfgFileName error", "capCfgFileName = %s",
                        StringUse::kFileName)) {
    return -1;
  }
  return MIRBInitPath(capPath, capIniFileName, capCfgFileName);
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbExit(JNIEnv *, jclass) {
  LogBoth(QEL_CALL_LINE(MirbExit));
  return MIRBExit();
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbDebug(JNIEnv *, jclass,
                                                         jint iLevel) {
  LogBoth(QEL_CALL_LINE(MirbDebug));
  return MIRBDebug(iLevel);
}

} // extern "C"
