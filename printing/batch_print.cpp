// Endorsements printed during batch scanning: a text, or a text as a bitmap
// in a font.
#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "printing/print_text.h"
#include "scannerlib/mirbap32.h"

using namespace qel;

namespace {

constexpr PrintTextNames kPrintStringNames = {
    "Print String buffer is NULL error",
    "Get Print String buffer error",
    "lengthPrintString = %d",
    "PrintString length is less than 1 error",
    "PrintString is longer than 255 bytes error",
    "acPrintString = %s",
    "acPrintString:"};

} // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_QelBatchPrintString(
    JNIEnv *env, jclass, jbyteArray printString, jlong l1, jlong l2, jint i1,
    jint i2) {
  LogBoth(QEL_CALL_LINE(QelBatchPrintString));
  Text acPrintString;
  int length = 0;
  if (!CopyPrintText(env, printString, acPrintString, length,
                     kPrintStringNames)) {
    return -1;
  }
  TracePrintText(acPrintString, length, kPrintStringNames);
  return QELBatchPrintString(acPrintString, Low32(l1), Low32(l2), i1, i2);
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_QelBatchPrintBMP(
    JNIEnv *env, jclass, jbyteArray printString, jlong l1, jlong l2, jint i1,
    jint i2, jint i3, jint i4, jint i5, jint i6, jint i7, jstring font) {
  LogBoth(QEL_CALL_LINE(QelBatchPrintBMP));
  Text acPrintString;
  int length = 0;
  if (!CopyPrintText(env, printString, acPrintString, length,
                     kPrintStringNames)) {
    return -1;
  }
  Text acFont;
  if (!CopyFont(env, font, acFont)) {
    return -1;
  }
  TracePrintText(acPrintString, length, kPrintStringNames);
  return QELBatchPrintBMP(acPrintString, Low32(l1), Low32(l2), i1, i2, i3, i4,
                          i5, i6, i7, acFont);
}

} // extern "C"
