// Operations on image files named by the caller: combining TIFF files,
// cropping and copying. All three copy and trace two names, then call; they
// differ in their call line, their second name and their entry.
#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "scannerlib/mirbap32.h"

using namespace qel;

namespace {

// The messages of the second name. A null name takes its fetch message:
// these methods have no message of their own for it.
struct SecondName {
  const char *name;
  const char *fetchMessage;
  const char *traceFormat;
};

constexpr SecondName kAppendName = {"sAppendFile", "Get sAppendFile error",
                                    "capAppend = %s"};
constexpr SecondName kOutputName = {"sOutputFile", "Get sOutputFile error",
                                    "capOutput = %s"};

template <typename Operation>
jint OnTwoFiles(JNIEnv *env, const char *callLine, jstring sInputFile,
                jstring second, const SecondName &secondName,
                Operation operation) {
  LogBoth(callLine);
  Text capInput;
  Text capSecond;
  if (!CopyTracedString(env, sInputFile, capInput, "sInputFile",
                        "Get sInputFile error", "capInput = %s",
                        StringUse::kFileName) ||
      !CopyTracedString(env, second, capSecond, secondName.name,
                        secondName.fetchMessage, secondName.traceFormat,
                        StringUse::kFileName)) {
    return -1;
  }
  return operation(capInput, capSecond);
}

} // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbCombineTIFFS(
    JNIEnv *env, jclass, jstring sInputFile, jstring sAppendFile) {
  return OnTwoFiles(env, QEL_CALL_LINE(MirbCombineTIFFS), sInputFile,
                    sAppendFile, kAppendName,
                    [](const char *input, const char *append) {
                      return MIRBCombineTIFFS(input, append);
                    });
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbCropFile(JNIEnv *env, jclass,
                                                            jstring sInputFile,
                                                            jstring sOutputFile,
                                                            jint iOption) {
  return OnTwoFiles(env, QEL_CALL_LINE(MirbCropFile), sInputFile, sOutputFile,
                    kOutputName,
                    [iOption](const char *input, const char *output) {
                      return MIRBCropFile(input, output, iOption);
                    });
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbCopyFile(
    JNIEnv *env, jclass, jstring sInputFile, jstring sOutputFile) {
  return OnTwoFiles(env, QEL_CALL_LINE(MirbCopyFile), sInputFile, sOutputFile,
                    kOutputName, [](const char *input, const char *output) {
                      return MIRBCopyFile(input, output);
                    });
}

} // extern "C"
