// Compression of an image file into a Java byte[]: the black-and-white
// entry and its gray twin, one body.
#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "scannerlib/mirbap32.h"

using namespace qel;

namespace {

template <typename Compress>
jint CompressImage(JNIEnv *env, const char *callLine, jstring sFileName,
                   jbyteArray abHugeImage, Compress compress) {
  LogBoth(callLine);
  Text acFileName;
  if (!CopyRequiredString(env, sFileName, acFileName, "file name",
                          "file name string is NULL, error", LogInfo,
                          "Get file name error", LogError,
                          StringUse::kFileName)) {
    return -1;
  }
  if (abHugeImage == nullptr) {
    LogInfo("Image Buffer is NULL, error");
    return -1;
  }
  PinnedBytes pinnedImage(env);
  if (!pinnedImage.Pin(abHugeImage, "Get HugeImage buffer error")) {
    return -1;
  }
  if (env->GetArrayLength(abHugeImage) < kMinimumImageBytes) {
    Text acLog;
    FormatText(acLog, "Image buffer size is less than %d",
               static_cast<int>(kMinimumImageBytes));
    LogError(acLog);
    LogInfo(acLog);
    return -1;
  }
  return compress(acFileName,
                  reinterpret_cast<unsigned char *>(pinnedImage.get()));
}

} // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbCompressImage(
    JNIEnv *env, jclass, jstring sFileName, jbyteArray abHugeImage) {
  return CompressImage(env, QEL_CALL_LINE(MirbCompressImage), sFileName,
                       abHugeImage, [](const char *file, unsigned char *image) {
                         return MIRBCompressImage(file, image);
                       });
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbCompressImageGray(
    JNIEnv *env, jclass, jstring sFileName, jbyteArray abHugeImage,
    jint iOption) {
  return CompressImage(env, QEL_CALL_LINE(MirbCompressImageGray), sFileName,
                       abHugeImage,
                       [iOption](const char *file, unsigned char *image) {
                         return MIRBCompressImageGray(file, image, iOption);
                       });
}

} // extern "C"
