// The full scan into Java byte arrays: each wanted image's pinned storage
// is named to the library by a memory descriptor where a file name would
// stand, and the library says afterwards how many bytes it stored there.
#include <cstdint>

#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "scannerlib/mirbap32.h"
#include "scanning/memory_descriptor.h"
#include "scanning/result_block.h"

using namespace qel;

namespace {

// The texts of the four images, in the library's order: black-and-white
// front and back, grayscale front and back.
struct ImageTexts {
  const char *absentNotice;
  ImageBufferTexts buffer;
  const char *lengthTrace;
};

constexpr ImageTexts kImageTexts[] = {
    {"Front Tiff Image Buffer is NULL, do not capture image",
     {"Get front tiff buffer error", "Front Tiff buffer size is less than %d",
      true, "lengthFrontTiffLength < 1", "Get Front Tiff Length buffer error"},
     "Front BW image length = %d"},
    {"Back Tiff Image Buffer is NULL, do not capture image",
     {"Get back tiff buffer error", "Back Tiff buffer size is less than %d",
      true, "lengthBackTiffLength < 1", "Get Back Tiff Length buffer error"},
     "Back BW image length = %d"},
    {"Front JPEG Image Buffer is NULL, do not capture image",
     {"Get front jpeg buffer error", "Front JPEG buffer size is less than %d",
      true, "lengthFrontJPEGLength < 1", "Get Front JPEG Length buffer error"},
     "Front GS image length = %d"},
    {"Back JPEG Image Buffer is NULL, do not capture image",
     {"Get back jpeg buffer error", "Back JPEG buffer size is less than %d",
      true, "lengthBackJPEGLength < 1", "Get Back JPEG Length buffer error"},
     "Back GS image length = %d"},
};

} // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_QelScanToMemory(
    JNIEnv *env, jclass, jbyteArray abFrontTiffImage,
    jintArray aiFrontTiffLength, jbyteArray abBackTiffImage,
    jintArray aiBackTiffLength, jbyteArray abFrontJPEGImage,
    jintArray aiFrontJPEGLength, jbyteArray abBackJPEGImage,
    jintArray aiBackJPEGLength, jobjectArray MICR, jintArray FinalImageQuality,
    jintArray FinalContrast, jintArray DocStatus) {
  LogBoth(QEL_CALL_LINE(QelScanToMemory));

  struct Image {
    jbyteArray buffer;
    jintArray lengthArray;
    const ImageTexts &texts;
    PinnedImage pinned;
    char descriptor[kDescriptorSize];
    int length;
  } images[] = {
      {abFrontTiffImage, aiFrontTiffLength, kImageTexts[0], PinnedImage(env),
       "", 0},
      {abBackTiffImage, aiBackTiffLength, kImageTexts[1], PinnedImage(env), "",
       0},
      {abFrontJPEGImage, aiFrontJPEGLength, kImageTexts[2], PinnedImage(env),
       "", 0},
      {abBackJPEGImage, aiBackJPEGLength, kImageTexts[3], PinnedImage(env), "",
       0},
  };
  for (Image &image : images) {
    if (!image.pinned.PinIfGiven(env, image.buffer, image.lengthArray,
                                 image.texts.buffer,
                                 image.texts.absentNotice)) {
      return -1;
    }
  }

  FullScanResults results(env);
  if (!results.Check(MICR, FinalImageQuality, FinalContrast, DocStatus)) {
    return -1;
  }

  for (Image &image : images) {
    if (image.pinned.wanted()) {
      FormatMemoryDescriptor(image.descriptor, reinterpret_cast<std::uintptr_t>(
                                                   image.pinned.bytes()));
    }
  }
  // The library takes an unwanted front TIFF as null, the others as the
  // empty text.
  const int iResult =
      QELScan(images[0].pinned.wanted() ? images[0].descriptor : nullptr,
              images[1].descriptor, images[2].descriptor, images[3].descriptor,
              results.micr(), results.quality(), results.contrast(),
              results.docStatus());
  for (Image &image : images) {
    if (image.pinned.wanted()) {
      image.length = QELGetMemoryImageLength(image.pinned.bytes());
    }
  }

  LogInfo("Output from QELScan()");
  for (const Image &image : images) {
    if (image.pinned.wanted()) {
      LogInfoFormatted(image.texts.lengthTrace, image.length);
    }
  }
  results.Trace();

  for (Image &image : images) {
    image.pinned.ReleaseImage();
  }
  for (Image &image : images) {
    image.pinned.DeliverLength(image.length);
  }
  if (!results.WriteBack()) {
    return -1;
  }
  return iResult;
}

} // extern "C"
