// Operations on image files named by the caller: combining TIFF files,
// cropping and copying. All three fetch and trace two names, then call.
#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "scannerlib/mirbap32.h"

using namespace qel;

namespace {

// A name, traced once copied. A null one takes its fetch message: these
// methods have no message of their own for it.
bool CopyTracedName(JNIEnv *env, jstring value, Text &copy, const char *name,
                    const char *fetchMessage, const char *traceFormat) {
  if (!CopyStringArgument(env, value, copy, name, fetchMessage, LogError,
                          StringUse::kFileName)) {
    return false;
  }
  LogInfoFormatted(traceFormat, copy);
  return true;
}

// capInput, then the second name: capAppend or capOutput.
bool CopyTwoNames(JNIEnv *env, jstring sInputFile, Text &capInput,
                  jstring second, Text &capSecond, bool append) {
  return CopyTracedName(env, sInputFile, capInput, "sInputFile",
                        "Get sInputFile error", "capInput = %s") &&
         (append ? CopyTracedName(env, second, capSecond, "sAppendFile",
                                  "Get sAppendFile error", "capAppend = %s")
                 : CopyTracedName(env, second, capSecond, "sOutputFile",
                                  "Get sOutputFile error", "capOutput = %s"));
}

} // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbCombineTIFFS(
    JNIEnv *env, jclass, jstring sInputFile, jstring sAppendFile) {
  LogBoth(QEL_CALL_LINE(MirbCombineTIFFS));
  Text capInput;
  Text capAppend;
  if (!CopyTwoNames(env, sInputFile, capInput, sAppendFile, capAppend, true)) {
    return -1;
  }
  return MIRBCombineTIFFS(capInput, capAppend);
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbCropFile(
    JNIEnv *env, jclass, jstring sInputFile, jstring sOutputFile,
    jint iOption) {
  LogBoth(QEL_CALL_LINE(MirbCropFile));
  Text capInput;
  Text capOutput;
  if (!CopyTwoNames(env, sInputFile, capInput, sOutputFile, capOutput,
                    false)) {
    return -1;
  }
  return MIRBCropFile(capInput, capOutput, iOption);
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbCopyFile(
    JNIEnv *env, jclass, jstring sInputFile, jstring sOutputFile) {
  LogBoth(QEL_CALL_LINE(MirbCopyFile));
  Text capInput;
  Text capOutput;
  if (!CopyTwoNames(env, sInputFile, capInput, sOutputFile, capOutput,
                    false)) {
    return -1;
  }
  return MIRBCopyFile(capInput, capOutput);
}

} // extern "C"
