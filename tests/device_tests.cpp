#include <string>
#include <vector>

#include "bridge_test.h"

namespace {

using qeltest::Entry;
using qeltest::Fn;
using qeltest::LogFiles;
using ::testing::ElementsAre;

class DeviceTest : public qeltest::BridgeTest {};

TEST_F(DeviceTest, PassThroughsReturnTheEntrysResultAndLogOnlyTheCall) {
  struct Case {
    const char *method;
    Entry entry;
    jint (*run)(JNIEnv *);
  };
  const Case cases[] = {
      {"MirbStatus", Entry::MIRBStatus,
       [](JNIEnv *e) { return QEL_EXPORT(MirbStatus)(e, nullptr); }},
      {"MirbStatusDelay", Entry::MIRBStatusDelay,
       [](JNIEnv *e) {
         return QEL_EXPORT(MirbStatusDelay)(e, nullptr, 250, -3);
       }},
      {"MirbEjectDocument", Entry::MIRBEjectDocument,
       [](JNIEnv *e) { return QEL_EXPORT(MirbEjectDocument)(e, nullptr); }},
      {"MirbClearDocument", Entry::MIRBClearDocument,
       [](JNIEnv *e) { return QEL_EXPORT(MirbClearDocument)(e, nullptr); }},
      {"GetScannerType", Entry::QELGetScannerType,
       [](JNIEnv *e) { return QEL_EXPORT(GetScannerType)(e, nullptr); }},
      {"QelApiVersion", Entry::QELApiVersion,
       [](JNIEnv *e) { return QEL_EXPORT(QelApiVersion)(e, nullptr); }},
      {"QelApiSupportedScanners", Entry::QELApiSupportedScanners,
       [](JNIEnv *e) {
         return QEL_EXPORT(QelApiSupportedScanners)(e, nullptr);
       }},
  };
  int result = -100;
  for (const Case &c : cases) {
    logs.EnableBoth();
    scanner.reset();
    scanner.setResult(c.entry, result);
    EXPECT_EQ(result, c.run(jni.env())) << c.method;
    EXPECT_THAT(scanner.entries(), ElementsAre(c.entry));
    const std::string call =
        std::string("Calling Java_QelScan_QelScanApi_") + c.method + "()";
    EXPECT_THAT(LogFiles::InfoTexts(), ElementsAre(call));
    EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(call));
    result += 37;
  }
  scanner.reset();
  QEL_EXPORT(MirbStatusDelay)(jni.env(), jni.cls(), 250, -3);
  EXPECT_THAT(scanner.lastCall(Entry::MIRBStatusDelay).ints,
              ElementsAre(250, -3));
}

TEST_F(DeviceTest, UsbPresenceDeliversBothIdsWhateverTheResult) {
  scanner.setResult(Entry::QELIsUsbScannerAvailable, -12);
  scanner.setInt(Entry::QELIsUsbScannerAvailable, 0, 0x1a2b);
  scanner.setInt(Entry::QELIsUsbScannerAvailable, 1, -1);
  const jintArray vid = jni.IntArray({5, 6});
  const jintArray pid = jni.IntArray({7});
  EXPECT_EQ(-12, QEL_EXPORT(IsQelUsbScannerAvailable)(jni.env(), jni.cls(), vid,
                                                      pid));
  EXPECT_THAT(jni.ints(vid), ElementsAre(0x1a2b, 6));
  EXPECT_THAT(jni.ints(pid), ElementsAre(-1));
  EXPECT_THAT(WriteBacks(),
              ElementsAre("ReleaseIntArrayElements " + jni.ref(vid),
                          "ReleaseIntArrayElements " + jni.ref(pid)));
  EXPECT_THAT(
      LogFiles::InfoTexts(),
      ElementsAre("Calling Java_QelScan_QelScanApi_IsQelUsbScannerAvailable()",
                  "iQELProductVID = 6699", "iQELProductPID = -1"));
}

TEST_F(DeviceTest, UsbPresenceRefusesArraysItCannotWrite) {
  const std::string call =
      "Calling Java_QelScan_QelScanApi_IsQelUsbScannerAvailable()";
  const jintArray vid = jni.IntArray({5});
  // A failed pin, an empty array and a null reference, first and second.
  jni.FailCall(Fn::GetIntArrayElements, 2);
  EXPECT_EQ(-1, QEL_EXPORT(IsQelUsbScannerAvailable)(jni.env(), jni.cls(), vid,
                                                     jni.IntArray({1})));
  jni.ClearException();
  EXPECT_EQ(-1, QEL_EXPORT(IsQelUsbScannerAvailable)(jni.env(), jni.cls(),
                                                     jni.IntArray({}), vid));
  EXPECT_EQ(-1, QEL_EXPORT(IsQelUsbScannerAvailable)(jni.env(), jni.cls(), vid,
                                                     nullptr));
  EXPECT_THAT(LogFiles::ErrorTexts(),
              ElementsAre(call, "Get aiQELProductPID input info error", call,
                          "Get aiQELProductVID input info error", call,
                          "Get aiQELProductPID input info error"));
  EXPECT_EQ(0, scanner.count(Entry::QELIsUsbScannerAvailable));
  EXPECT_THAT(jni.ints(vid), ElementsAre(5));
}

class ScannerInfoTest : public qeltest::BridgeTest {
public:
  jint Run() {
    return QEL_EXPORT(MirbGetScannerInfo)(jni.env(), jni.cls(), adapter, target,
                                          vendor, product, release, 3);
  }
  void Script() {
    scanner.setResult(Entry::MIRBGetScannerInfo, 9);
    scanner.setInt(Entry::MIRBGetScannerInfo, 0, 200);
    scanner.setInt(Entry::MIRBGetScannerInfo, 1, 7);
    scanner.setText(Entry::MIRBGetScannerInfo, 0, "Vendor Co");
    scanner.setText(Entry::MIRBGetScannerInfo, 1, std::string(31, 'P'));
    scanner.setText(Entry::MIRBGetScannerInfo, 2, "R2.1");
  }
  void ExpectUnchanged() {
    EXPECT_THAT(jni.ints(adapter), ElementsAre(-5, 11));
    EXPECT_THAT(jni.ints(target), ElementsAre(-6));
    EXPECT_EQ("v", jni.element(vendor, 0));
    EXPECT_EQ("p", jni.element(product, 0));
    EXPECT_EQ("r", jni.element(release, 0));
  }

  jintArray adapter = jni.IntArray({-5, 11});
  jintArray target = jni.IntArray({-6});
  jobjectArray vendor = jni.StringArray({"v", "old"});
  jobjectArray product = jni.StringArray({"p"});
  jobjectArray release = jni.StringArray({"r"});
  const std::string call =
      "Calling Java_QelScan_QelScanApi_MirbGetScannerInfo()";
};

TEST_F(ScannerInfoTest, DeliversUnsignedIdsBeforeTheTexts) {
  Script();
  EXPECT_EQ(9, Run());
  EXPECT_THAT(scanner.lastCall(Entry::MIRBGetScannerInfo).ints, ElementsAre(3));
  EXPECT_THAT(jni.ints(adapter), ElementsAre(200, 11));
  EXPECT_THAT(jni.ints(target), ElementsAre(7));
  EXPECT_EQ("Vendor Co", jni.element(vendor, 0));
  EXPECT_EQ("old", jni.element(vendor, 1));
  EXPECT_EQ(std::string(31, 'P'), jni.element(product, 0));
  EXPECT_EQ("R2.1", jni.element(release, 0));
  EXPECT_THAT(WriteBacks(),
              ElementsAre("ReleaseIntArrayElements " + jni.ref(adapter),
                          "ReleaseIntArrayElements " + jni.ref(target),
                          "SetObjectArrayElement " + jni.ref(vendor),
                          "SetObjectArrayElement " + jni.ref(product),
                          "SetObjectArrayElement " + jni.ref(release)));
  EXPECT_THAT(
      LogFiles::InfoTexts(),
      ElementsAre(call, "Api C/C++ output from MIRBGetScannerInfo()",
                  "Adapter ID = 200", "Target ID = 7", "Vendor = Vendor Co",
                  "Product = " + std::string(31, 'P'), "Release = R2.1"));
  EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(call));
}

TEST_F(ScannerInfoTest, UnwrittenOutputsArriveAsZeroAndEmptyTexts) {
  EXPECT_EQ(0, Run());
  EXPECT_THAT(jni.ints(adapter), ElementsAre(0, 11));
  EXPECT_EQ("", jni.element(vendor, 0));
  EXPECT_EQ("", jni.element(release, 0));
}

TEST_F(ScannerInfoTest, EachArgumentThatCannotBeUsedStopsTheCallUnchanged) {
  struct Case {
    const char *message;
    void (*spoil)(ScannerInfoTest &);
  };
  const Case cases[] = {
      {"Get Adapter ID input info error",
       [](ScannerInfoTest &t) {
         t.jni.FailFor(Fn::GetIntArrayElements, t.adapter);
       }},
      {"Get Target ID input info error",
       [](ScannerInfoTest &t) { t.target = t.jni.IntArray({}); }},
      {"Get Vendor input info error",
       [](ScannerInfoTest &t) {
         t.vendor = t.jni.StringArray({std::nullopt});
       }},
      {"Get Product input info error",
       [](ScannerInfoTest &t) {
         t.product = t.jni.StringArray({std::nullopt});
       }},
      {"Get Release input info error",
       [](ScannerInfoTest &t) { t.release = nullptr; }},
  };
  for (const Case &c : cases) {
    ScannerInfoTest &self = *this;
    adapter = jni.IntArray({-5, 11});
    target = jni.IntArray({-6});
    vendor = jni.StringArray({"v"});
    product = jni.StringArray({"p"});
    release = jni.StringArray({"r"});
    logs.EnableBoth();
    c.spoil(self);
    Script();
    EXPECT_EQ(-1, Run()) << c.message;
    jni.ClearException();
    EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(call, c.message));
    EXPECT_EQ(0, scanner.count(Entry::MIRBGetScannerInfo)) << c.message;
    EXPECT_EQ(0, jni.outstandingIntPins()) << c.message;
    if (c.spoil != cases[1].spoil) {
      EXPECT_THAT(jni.ints(target), ElementsAre(-6));
    }
    EXPECT_THAT(jni.ints(adapter), ElementsAre(-5, 11));
    scanner.reset();
  }
}

TEST_F(ScannerInfoTest, EmptyTextArrayLeavesTheIndexExceptionForTheCaller) {
  product = jni.StringArray({});
  EXPECT_EQ(-1, Run());
  EXPECT_EQ("java/lang/ArrayIndexOutOfBoundsException", jni.pendingException());
  jni.ClearException();
  EXPECT_THAT(LogFiles::ErrorTexts(),
              ElementsAre(call, "Get Product input info error"));
}

TEST_F(ScannerInfoTest, AFailedTextKeepsWhatWasDeliveredBeforeIt) {
  const char *messages[] = {"Put and Release Vendor error",
                            "Put and Release Product error",
                            "Put and Release Release error"};
  for (int failing = 1; failing <= 3; ++failing) {
    vendor = jni.StringArray({"v"});
    product = jni.StringArray({"p"});
    release = jni.StringArray({"r"});
    logs.EnableBoth();
    scanner.reset();
    Script();
    jni.FailCall(Fn::NewStringUTF, failing);
    EXPECT_EQ(-1, Run());
    jni.ClearException();
    // The ids always arrive first; the texts up to the failing one.
    EXPECT_THAT(jni.ints(adapter), ElementsAre(200, 11));
    EXPECT_THAT(jni.ints(target), ElementsAre(7));
    EXPECT_EQ(failing > 1 ? "Vendor Co" : "v", jni.element(vendor, 0));
    EXPECT_EQ(failing > 2 ? std::string(31, 'P') : "p",
              jni.element(product, 0));
    EXPECT_EQ("r", jni.element(release, 0));
    EXPECT_THAT(LogFiles::ErrorTexts(),
                ElementsAre(call, messages[failing - 1]));
  }
}

class SerialNumberTest : public qeltest::BridgeTest {
public:
  jint Run() {
    return QEL_EXPORT(MirbGetScannerSerialNumber)(jni.env(), jni.cls(), serial,
                                                  documentNumber, time);
  }
  jobjectArray serial = jni.StringArray({"", "keep"});
  jintArray documentNumber = jni.IntArray({1, 2});
  jintArray time = jni.IntArray({3});
  const std::string call =
      "Calling Java_QelScan_QelScanApi_MirbGetScannerSerialNumber()";
};

TEST_F(SerialNumberTest, DeliversTheTextFirstAndUnsignedValuesBitForBit) {
  const std::string number = "SN-" + std::string(250, '9');
  scanner.setResult(Entry::MIRBGetScannerSerialNumber, -8);
  scanner.setText(Entry::MIRBGetScannerSerialNumber, 0, number);
  scanner.setInt(Entry::MIRBGetScannerSerialNumber, 0, 4294967295LL);
  scanner.setInt(Entry::MIRBGetScannerSerialNumber, 1, 2147483648LL);
  EXPECT_EQ(-8, Run());
  EXPECT_EQ(number, jni.element(serial, 0)); // never cut
  EXPECT_EQ("keep", jni.element(serial, 1));
  EXPECT_THAT(jni.ints(documentNumber), ElementsAre(-1, 2));
  EXPECT_THAT(jni.ints(time), ElementsAre(INT32_MIN));
  EXPECT_THAT(WriteBacks(),
              ElementsAre("SetObjectArrayElement " + jni.ref(serial),
                          "ReleaseIntArrayElements " + jni.ref(documentNumber),
                          "ReleaseIntArrayElements " + jni.ref(time)));
  EXPECT_THAT(LogFiles::InfoTexts(),
              ElementsAre(call,
                          "Api C/C++ output from MIRBGetScannerSerialNumber()",
                          ("SerialNumber = " + number).substr(0, 255),
                          "DocumentNumber = 4294967295", "Time = 2147483648"));
}

TEST_F(SerialNumberTest, RefusesWhatItCannotUseWithItsOwnMessages) {
  struct Case {
    const char *message;
    void (*spoil)(SerialNumberTest &);
  };
  const Case cases[] = {
      {"Get SerialNumber input info error",
       [](SerialNumberTest &t) {
         t.serial = t.jni.StringArray({std::nullopt});
       }},
      // The document number shares the adapter id's words.
      {"Get Adapter ID input info error",
       [](SerialNumberTest &t) { t.jni.FailCall(Fn::GetIntArrayElements); }},
      {"Get Time input info error",
       [](SerialNumberTest &t) { t.time = t.jni.IntArray({}); }},
  };
  for (const Case &c : cases) {
    serial = jni.StringArray({"s"});
    documentNumber = jni.IntArray({1, 2});
    time = jni.IntArray({3});
    logs.EnableBoth();
    c.spoil(*this);
    EXPECT_EQ(-1, Run());
    jni.ClearException();
    EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(call, c.message));
    EXPECT_EQ(0, scanner.count(Entry::MIRBGetScannerSerialNumber));
    EXPECT_THAT(jni.ints(documentNumber), ElementsAre(1, 2));
  }
}

TEST_F(SerialNumberTest, AFailedTextLeavesTheNumbersUnchanged) {
  scanner.setInt(Entry::MIRBGetScannerSerialNumber, 0, 77);
  jni.FailCall(Fn::NewStringUTF);
  EXPECT_EQ(-1, Run());
  jni.ClearException();
  EXPECT_THAT(jni.ints(documentNumber), ElementsAre(1, 2));
  EXPECT_THAT(jni.ints(time), ElementsAre(3));
  EXPECT_EQ("", jni.element(serial, 0));
  EXPECT_THAT(LogFiles::ErrorTexts(),
              ElementsAre(call, "Put and Release SerialNumber error"));
}

} // namespace
