// An endorsement drawn onto the captured images rather than printed.
#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "printing/print_text.h"
#include "scannerlib/mirbap32.h"

using namespace qel;

namespace {

constexpr PrintTextNames kVirtualStringNames = {
    "Virtual String buffer is NULL error",
    "Get Virtual String buffer error",
    "lengthVirtualString = %d",
    "VirtualStrings length is less than 1 error",
    "VirtualString is longer than 255 bytes error",
    "acVirtualString = %s",
    "acVirtualString:"};

} // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_QelScanVirtualEndorsement(
    JNIEnv *env, jclass, jbyteArray virtualString, jlong l1, jlong l2, jint i1,
    jint i2, jint i3, jint i4, jint i5, jint i6, jint i7, jint i8, jint i9,
    jint i10, jint i11, jint i12, jstring font) {
  LogBoth(QEL_CALL_LINE(QelScanVirtualEndorsement));
  Text acVirtualString;
  int length = 0;
  if (!CopyPrintText(env, virtualString, acVirtualString, length,
                     kVirtualStringNames)) {
    return -1;
  }
  Text acFont;
  if (!CopyFont(env, font, acFont)) {
    return -1;
  }
  TracePrintText(acVirtualString, length, kVirtualStringNames);
  return QELScanVirtualEndorsement(acVirtualString, Low32(l1), Low32(l2), i1,
                                   i2, i3, i4, i5, i6, i7, i8, i9, i10, i11,
                                   i12, acFont);
}

} // extern "C"
