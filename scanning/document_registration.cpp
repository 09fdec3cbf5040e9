// Registration of special documents by routing and account number: the
// plain and the extended form share their checks and traces.
#include "QelScan_QelScanApi.h"

#include "bridge/log.h"
#include "bridge/marshal.h"
#include "scannerlib/mirbap32.h"

using namespace qel;

namespace {

// The routing and account texts, each refused when null: the library
// cannot tell a document by an absent number.
bool CopyRoutingAndAccount(JNIEnv *env, jstring sRouting, Text &acRouting,
                           jstring sAccount, Text &acAccount) {
  if (!CopyRequiredString(env, sRouting, acRouting, "Routing",
                          "Routing string is NULL error", LogError,
                          "Get Routing error", LogError) ||
      !CopyRequiredString(env, sAccount, acAccount, "Account",
                          "Account string is NULL error", LogError,
                          "Get Account error", LogError)) {
    return false;
  }
  LogInfoFormatted("acRouting = %s", acRouting);
  LogInfoFormatted("acAccount = %s", acAccount);
  return true;
}

} // namespace

extern "C" {

// These two call lines have no leading "Calling ": log readers know them so.
JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_QelScanSetSpecialDocument(
    JNIEnv *env, jclass, jint i1, jint i2, jstring sRouting, jstring sAccount,
    jint i5, jint i6, jint i7, jint i8) {
  LogBoth("Java_QelScan_QelScanApi_QelScanSetSpecialDocument()");
  Text acRouting;
  Text acAccount;
  if (!CopyRoutingAndAccount(env, sRouting, acRouting, sAccount, acAccount)) {
    return -1;
  }
  return QELSetSpecialDocument(i1, i2, acRouting, acAccount, i5, i6, i7, i8);
}

JNIEXPORT jint JNICALL Java_QelScan_QelScanApi_QelScanSetSpecialDocumentEx(
    JNIEnv *env, jclass, jint i1, jint i2, jstring sRouting, jstring sAccount,
    jint i5, jint i6, jint i7, jint i8, jint i9, jint i10, jint i11, jint i12,
    jint i13, jint i14) {
  LogBoth("Java_QelScan_QelScanApi_QelScanSetSpecialDocumentEx()");
  Text acRouting;
  Text acAccount;
  if (!CopyRoutingAndAccount(env, sRouting, acRouting, sAccount, acAccount)) {
    return -1;
  }
  return QELSetSpecialDocumentEx(i1, i2, acRouting, acAccount, i5, i6, i7, i8,
                                 i9, i10, i11, i12, i13, i14);
}

} // extern "C"
