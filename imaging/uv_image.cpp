// UV images: a gain applied to one, and one turned into a black-and-white
// TIFF. Both take an input and an output file name and neither logs them.
#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "scannerlib/mirbap32.h"

using namespace qel;

namespace {

// The two names, each refused when null.
bool CopyInputAndOutput(JNIEnv *env, jstring sInputFile, Text &acInput,
                        jstring sOutputFile, Text &acOutput) {
  return CopyRequiredString(env, sInputFile, acInput, "input file name",
                            "Input file name string is NULL, error", LogInfo,
                            "Get input file name error", LogError,
                            StringUse::kFileName) &&
         CopyRequiredString(env, sOutputFile, acOutput, "output file name",
                            "Output file name string is NULL, error", LogInfo,
                            "Get output file name error", LogError,
                            StringUse::kFileName);
}

} // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_QelUVGain(JNIEnv *env, jclass,
                                                         jstring sInputFile,
                                                         jstring sOutputFile,
                                                         jint i1, jint i2,
                                                         jint i3) {
  LogBoth(QEL_CALL_LINE(QelUVGain));
  Text acInput;
  Text acOutput;
  if (!CopyInputAndOutput(env, sInputFile, acInput, sOutputFile, acOutput)) {
    return -1;
  }
  return QELUVGain(acInput, acOutput, i1, i2, i3);
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_QelUVTiff(JNIEnv *env, jclass,
                                                         jstring sInputFile,
                                                         jstring sOutputFile,
                                                         jint iOption) {
  LogBoth(QEL_CALL_LINE(QelUVTiff));
  Text acInput;
  Text acOutput;
  if (!CopyInputAndOutput(env, sInputFile, acInput, sOutputFile, acOutput)) {
    return -1;
  }
  return QELUVTiff(acInput, acOutput, iOption);
}

} // extern "C"
