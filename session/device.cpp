// Device status, document transport and scanner identity.
#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "scannerlib/mirbap32.h"

using namespace qel;

namespace {

// The identity texts the library fills: 32 bytes each, NUL included.
constexpr std::size_t kInfoTextSize = 32;

} // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbStatus(JNIEnv *, jclass) {
  LogBoth(QEL_CALL_LINE(MirbStatus));
  return MIRBStatus();
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbStatusDelay(JNIEnv *, jclass,
                                                               jint iFirst,
                                                               jint iSecond) {
  LogBoth(QEL_CALL_LINE(MirbStatusDelay));
  return MIRBStatusDelay(iFirst, iSecond);
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbEjectDocument(JNIEnv *,
                                                                 jclass) {
  LogBoth(QEL_CALL_LINE(MirbEjectDocument));
  return MIRBEjectDocument();
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbClearDocument(JNIEnv *,
                                                                 jclass) {
  LogBoth(QEL_CALL_LINE(MirbClearDocument));
  return MIRBClearDocument();
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_GetScannerType(JNIEnv *,
                                                              jclass) {
  LogBoth(QEL_CALL_LINE(GetScannerType));
  return QELGetScannerType();
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_QelApiVersion(JNIEnv *, jclass) {
  LogBoth(QEL_CALL_LINE(QelApiVersion));
  return QELApiVersion();
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_QelApiSupportedScanners(JNIEnv *,
                                                                       jclass) {
  LogBoth(QEL_CALL_LINE(QelApiSupportedScanners));
  return QELApiSupportedScanners();
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_IsQelUsbScannerAvailable(
    JNIEnv *env, jclass, jintArray aiQELProductVID, jintArray aiQELProductPID) {
  LogBoth(QEL_CALL_LINE(IsQelUsbScannerAvailable));
  // Both arrays are outputs only, whatever their messages say.
  PinnedInts pinnedVID(env);
  if (!pinnedVID.PinOutput(aiQELProductVID,
                           "Get aiQELProductVID input info error")) {
    return -1;
  }
  PinnedInts pinnedPID(env);
  if (!pinnedPID.PinOutput(aiQELProductPID,
                           "Get aiQELProductPID input info error")) {
    return -1;
  }

  int iQELProductVID = 0;
  int iQELProductPID = 0;
  const int iResult =
      QELIsUsbScannerAvailable(&iQELProductVID, &iQELProductPID);
  LogInfoFormatted("iQELProductVID = %d", iQELProductVID);
  LogInfoFormatted("iQELProductPID = %d", iQELProductPID);

  pinnedVID.Deliver(iQELProductVID);
  pinnedPID.Deliver(iQELProductPID);
  return iResult;
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbGetScannerInfo(
    JNIEnv *env, jclass, jintArray aiAdapterID, jintArray aiTargetID,
    jobjectArray asVendor, jobjectArray asProduct, jobjectArray asRelease,
    jint iInfoOption) {
  LogBoth(QEL_CALL_LINE(MirbGetScannerInfo));
  PinnedInts pinnedAdapter(env);
  if (!pinnedAdapter.PinOutput(aiAdapterID,
                               "Get Adapter ID input info error")) {
    return -1;
  }
  PinnedInts pinnedTarget(env);
  if (!pinnedTarget.PinOutput(aiTargetID, "Get Target ID input info error")) {
    return -1;
  }
  if (!CheckOutputSlot(env, asVendor, nullptr, "Get Vendor input info error") ||
      !CheckOutputSlot(env, asProduct, nullptr,
                       "Get Product input info error") ||
      !CheckOutputSlot(env, asRelease, nullptr,
                       "Get Release input info error")) {
    return -1;
  }

  unsigned char ucAdapterID = 0;
  unsigned char ucTargetID = 0;
  LibraryText<kInfoTextSize> acVendor;
  LibraryText<kInfoTextSize> acProduct;
  LibraryText<kInfoTextSize> acRelease;
  const int iResult =
      MIRBGetScannerInfo(&ucAdapterID, &ucTargetID, acVendor.buffer(),
                         acProduct.buffer(), acRelease.buffer(), iInfoOption);

  LogInfo("Api C/C++ output from MIRBGetScannerInfo()");
  LogInfoFormatted("Adapter ID = %d", ucAdapterID);
  LogInfoFormatted("Target ID = %d", ucTargetID);
  LogInfoFormatted("Vendor = %s", acVendor.text());
  LogInfoFormatted("Product = %s", acProduct.text());
  LogInfoFormatted("Release = %s", acRelease.text());

  pinnedAdapter.Deliver(ucAdapterID);
  pinnedTarget.Deliver(ucTargetID);
  if (!PutString(env, asVendor, acVendor.text(),
                 "Put and Release Vendor error") ||
      !PutString(env, asProduct, acProduct.text(),
                 "Put and Release Product error") ||
      !PutString(env, asRelease, acRelease.text(),
                 "Put and Release Release error")) {
    return -1;
  }
  return iResult;
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_MirbGetScannerSerialNumber(
    JNIEnv *env, jclass, jobjectArray asSerialNumber,
    jintArray aiDocumentNumber, jintArray aiTime) {
  LogBoth(QEL_CALL_LINE(MirbGetScannerSerialNumber));
  if (!CheckOutputSlot(env, asSerialNumber, nullptr,
                       "Get SerialNumber input info error")) {
    return -1;
  }
  PinnedInts pinnedDocumentNumber(env);
  // The same words as the adapter id's message: log readers know it so.
  if (!pinnedDocumentNumber.PinOutput(aiDocumentNumber,
                                      "Get Adapter ID input info error")) {
    return -1;
  }
  PinnedInts pinnedTime(env);
  if (!pinnedTime.PinOutput(aiTime, "Get Time input info error")) {
    return -1;
  }

  LibraryText<kTextSize> acSerialNumber;
  unsigned int uiDocumentNumber = 0;
  unsigned int uiTime = 0;
  const int iResult = MIRBGetScannerSerialNumber(acSerialNumber.buffer(),
                                                 &uiDocumentNumber, &uiTime);

  LogInfo("Api C/C++ output from MIRBGetScannerSerialNumber()");
  LogInfoFormatted("SerialNumber = %s", acSerialNumber.text());
  LogInfoFormatted("DocumentNumber = %u", uiDocumentNumber);
  LogInfoFormatted("Time = %u", uiTime);

  if (!PutString(env, asSerialNumber, acSerialNumber.text(),
                 "Put and Release SerialNumber error")) {
    return -1;
  }
  // Stored bit for bit: 4294967295 arrives in Java as -1.
  pinnedDocumentNumber.Deliver(static_cast<jint>(uiDocumentNumber));
  pinnedTime.Deliver(static_cast<jint>(uiTime));
  return iResult;
}

} // extern "C"
