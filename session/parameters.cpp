// Scanner parameters and configuration files. The bridge neither knows the
// selectors nor keeps a value: every call goes straight to the library.
#include "QelScan_QelScanApi.h"

#include "bridge/library_text.h"
#include "bridge/log.h"
#include "bridge/marshal.h"
#include "scannerlib/mirbap32.h"

using namespace qel;

namespace {

// Reading and writing the configuration file differ only in their call
// line and entry.
jint ConfigFile(JNIEnv *env, jstring sFilename, const char *callLine,
                int(MIRB_CALL *entry)(const char *file)) {
  LogBoth(callLine);
  Text cap;
  if (!CopyTracedString(env, sFilename, cap, "sFilename", "Get sFilename error",
                        "cap = %s", StringUse::kFileName)) {
    return -1;
  }
  return entry(cap);
}

} // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbSetParam(JNIEnv *, jclass,
                                                            jint iSelector,
                                                            jint iValue) {
  LogBoth(QEL_CALL_LINE(MirbSetParam));
  return MIRBSetParam(iSelector, iValue);
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbGetParam(JNIEnv *, jclass,
                                                            jint iSelector) {
  LogBoth(QEL_CALL_LINE(MirbGetParam));
  return MIRBGetParam(iSelector);
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbSetParamString(
    JNIEnv *env, jclass, jint iSelector, jstring sParamString) {
  LogBoth(QEL_CALL_LINE(MirbSetParamString));
  Text cap;
  if (!CopyTracedString(env, sParamString, cap, "sParamString",
                        "Get sParamString error", "cap = %s")) {
    return -1;
  }
  return MIRBSetParamString(iSelector, cap);
}

JNIEXPORT jstring JNICALL Java_QelScan_QelScanApi_MirbGetParamString(
    JNIEnv *env, jclass, jint iSelector) {
  LogBoth(QEL_CALL_LINE(MirbGetParamString));
  const char *pacParameter = MIRBGetParamString(iSelector);
  if (pacParameter == nullptr) {
    // No text to show or to turn into a String: the caller gets null.
    LogInfo("pacParameter is NULL");
    return nullptr;
  }
  LogInfoFormatted("pacParameter = %s", pacParameter);
  // Made from the library's own text, so a long value in modified UTF-8 is
  // never cut; one that must be converted first is cut to the buffer of
  // the conversion.
  bool cut = false;
  const jstring text = NewLibraryString(env, pacParameter, cut);
  if (cut) {
    LogInfoFormatted("pacParameter cut to %d bytes",
                     static_cast<int>(kJavaTextSize - 1));
  }
  return text;
}

JNIEXPORT jint JNICALL
Java_QelScan_QelScanApi_MirbReadConfig(JNIEnv *env, jclass, jstring sFilename) {
  return ConfigFile(env, sFilename, QEL_CALL_LINE(MirbReadConfig),
                    &MIRBReadConfig);
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbWriteConfig(
    JNIEnv *env, jclass, jstring sFilename) {
  return ConfigFile(env, sFilename, QEL_CALL_LINE(MirbWriteConfig),
                    &MIRBWriteConfig);
}

} // extern "C"
