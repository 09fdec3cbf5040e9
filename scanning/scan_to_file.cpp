// The full scan to files: up to four images named by the caller, and the
// full-scan result block.
#include <cstdio>

#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "scannerlib/mirbap32.h"
#include "scanning/memory_descriptor.h"
#include "scanning/result_block.h"

using namespace qel;

extern "C" {

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_QelScanToFile(
    JNIEnv *env, jclass, jstring sFrontTiffFileName, jstring sBackTiffFileName,
    jstring sFrontJPEGFileName, jstring sBackJPEGFileName, jobjectArray MICR,
    jintArray FinalImageQuality, jintArray FinalContrast, jintArray DocStatus) {
  LogBoth(QEL_CALL_LINE(QelScanToFile));

  struct Image {
    jstring name;
    const char *what;
    const char *fetchMessage;
    const char *absentNotice;
    const char *bufferName; // as standard output shows it
    Text copy;
    bool wanted;
  } images[] = {
      {sFrontTiffFileName, "front tiff file name",
       "Get front tiff file name error",
       "front tiff file name string is NULL, do not capture image",
       "pcFrontTiffFileName", "", false},
      {sBackTiffFileName, "back tiff file name",
       "Get back tiff file name error",
       "back tiff file name string is NULL, do not capture image",
       "pcBackTiffFileName", "", false},
      {sFrontJPEGFileName, "front JPEG file name",
       "Get front JPEG file name error",
       "front JPEG file name string is NULL, do not capture image",
       "pcFrontJPEGFileName", "", false},
      {sBackJPEGFileName, "back JPEG file name",
       "Get back JPEG file name error",
       "back JPEG file name string is NULL, do not capture image",
       "pcBackJPEGFileName", "", false},
  };
  for (Image &image : images) {
    const Presence presence = CopyOptionalString(
        env, image.name, image.copy, image.what, image.fetchMessage,
        image.absentNotice, StringUse::kFileName);
    if (presence == Presence::kFailed) {
      return -1;
    }
    image.wanted = presence == Presence::kCopied;
    if (image.wanted && LooksLikeMemoryDescriptor(image.copy)) {
      Text message;
      FormatText(message, "%s starts with %s error", image.what,
                 kDescriptorPrefix);
      LogError(message);
      return -1;
    }
  }
  Image &backJpeg = images[3];

  FullScanResults results(env);
  if (!results.Check(MICR, FinalImageQuality, FinalContrast, DocStatus)) {
    return -1;
  }

  // The back JPEG line is printed always, with its empty name when unwanted.
  for (const Image &image : images) {
    if (image.wanted || &image == &backJpeg) {
      std::printf("%s = %s\n", image.bufferName, image.copy);
    }
  }
  // A Java caller sees these lines in order with its own output.
  std::fflush(stdout);

  // The library takes an unwanted back JPEG as the empty name, the other
  // three as null.
  const auto name = [](const Image &image) {
    return image.wanted ? image.copy : nullptr;
  };
  const int iResult = QELScan(name(images[0]), name(images[1]), name(images[2]),
                              backJpeg.copy, results.micr(), results.quality(),
                              results.contrast(), results.docStatus());

  LogInfo("Output from QELScan()");
  results.Trace();
  if (!results.WriteBack()) {
    return -1;
  }
  return iResult;
}

} // extern "C"
