// The full scan to files: four optional images, the file names on
// standard output and the full-scan result block.
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "bridge_test.h"

namespace {

using qeltest::Entry;
using qeltest::Fn;
using qeltest::LogFiles;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr const char *kCall = "Calling Java_QelScan_QelScanApi_QelScanToFile()";

class ScanToFileTest : public qeltest::BridgeTest {
public:
  // Runs the export and returns what it printed.
  std::string Run(jint expected) {
    ::testing::internal::CaptureStdout();
    const jint result = QEL_EXPORT(QelScanToFile)(
        jni.env(), jni.cls(), names[0], names[1], names[2], names[3], micr,
        quality, contrast, docStatus);
    std::string printed = ::testing::internal::GetCapturedStdout();
    jni.ClearException();
    EXPECT_EQ(expected, result);
    return printed;
  }
  void Reset() {
    names = {jni.String("ft.tif"), jni.String("bt.tif"), jni.String("fj.jpg"),
             jni.String("bj.jpg")};
    micr = jni.StringArray({"m", "keep"});
    quality = jni.IntArray({5, 6});
    contrast = jni.IntArray({7});
    docStatus = jni.IntArray(std::vector<jint>(33, -9));
    logs.EnableBoth();
    scanner.reset();
  }
  void ExpectUnchanged() {
    EXPECT_EQ("m", jni.element(micr, 0));
    EXPECT_THAT(jni.ints(quality), ElementsAre(5, 6));
    EXPECT_THAT(jni.ints(contrast), ElementsAre(7));
    EXPECT_EQ(std::vector<jint>(33, -9), jni.ints(docStatus));
  }

  std::vector<jstring> names;
  jobjectArray micr;
  jintArray quality, contrast, docStatus;
};

TEST_F(ScanToFileTest, DeliversTheResultBlockAndPrintsTheNames) {
  Reset();
  std::vector<long long> status;
  std::vector<std::string> statusLines;
  for (int i = 0; i < 32; ++i) {
    status.push_back(100 - 7 * i);
    statusLines.push_back("iDocStatus[" + std::to_string(i) +
                          "]= " + std::to_string(100 - 7 * i));
  }
  scanner.setResult(Entry::QELScan, -102);
  scanner.setText(Entry::QELScan, 0, "T021000021T 99U");
  scanner.setInt(Entry::QELScan, 0, 88);
  scanner.setInt(Entry::QELScan, 1, -44);
  scanner.setInts(Entry::QELScan, 2, status);

  EXPECT_EQ("pcFrontTiffFileName = ft.tif\npcBackTiffFileName = bt.tif\n"
            "pcFrontJPEGFileName = fj.jpg\npcBackJPEGFileName = bj.jpg\n",
            Run(-102));
  EXPECT_THAT(scanner.lastCall(Entry::QELScan).texts,
              ElementsAre("ft.tif", "bt.tif", "fj.jpg", "bj.jpg"));
  EXPECT_EQ("T021000021T 99U", jni.element(micr, 0));
  EXPECT_EQ("keep", jni.element(micr, 1));
  EXPECT_THAT(jni.ints(quality), ElementsAre(88, 6));
  EXPECT_THAT(jni.ints(contrast), ElementsAre(-44));
  std::vector<jint> written(status.begin(), status.end());
  written.push_back(-9); // past the 32 values nothing changes
  EXPECT_EQ(written, jni.ints(docStatus));
  EXPECT_THAT(WriteBacks(),
              ElementsAre("SetObjectArrayElement " + jni.ref(micr),
                          "ReleaseIntArrayElements " + jni.ref(quality),
                          "ReleaseIntArrayElements " + jni.ref(contrast),
                          "ReleaseIntArrayElements " + jni.ref(docStatus)));
  std::vector<std::string> info = {
      kCall, "Output from QELScan()", "MICR Data = T021000021T 99U",
      "FinalImageQuality = 88", "FinalContrast= -44"};
  info.insert(info.end(), statusLines.begin(), statusLines.end());
  EXPECT_THAT(LogFiles::InfoTexts(), ElementsAreArray(info));
  EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(kCall));
}

TEST_F(ScanToFileTest, NullNamesAndANullStatusArrayAreNoFailures) {
  Reset();
  names = {nullptr, nullptr, nullptr, nullptr};
  docStatus = nullptr;
  scanner.setInt(Entry::QELScan, 0, 3);
  EXPECT_EQ("pcBackJPEGFileName = \n", Run(0));
  const qeltest::Call call = scanner.lastCall(Entry::QELScan);
  EXPECT_TRUE(call.isNull(0) && call.isNull(1) && call.isNull(2));
  EXPECT_FALSE(call.isNull(3));
  EXPECT_EQ("", call.texts.at(3));
  EXPECT_EQ(nullptr, call.pointers.at(7)); // no status array for the library
  EXPECT_THAT(jni.ints(quality), ElementsAre(3, 6));
  EXPECT_THAT(
      LogFiles::InfoTexts(),
      ElementsAre(kCall,
                  "front tiff file name string is NULL, do not capture image",
                  "back tiff file name string is NULL, do not capture image",
                  "front JPEG file name string is NULL, do not capture image",
                  "back JPEG file name string is NULL, do not capture image",
                  "Output from QELScan()",
                  "MICR Data = ", "FinalImageQuality = 3", "FinalContrast= 0"));
  EXPECT_THAT(
      LogFiles::ErrorTexts(),
      ElementsAre(kCall, "DocStatus buffer is NULL, still valid option"));
}

TEST_F(ScanToFileTest, EachCheckStopsTheCallBeforeTheScanner) {
  struct Case {
    const char *message;
    void (*spoil)(ScanToFileTest &);
  };
  const Case cases[] = {
      {"Get front tiff file name error",
       [](ScanToFileTest &t) {
         t.jni.FailFor(Fn::GetStringUTFChars, t.names[0]);
       }},
      {"Get back tiff file name error",
       [](ScanToFileTest &t) {
         t.jni.FailFor(Fn::GetStringUTFChars, t.names[1]);
       }},
      {"Get front JPEG file name error",
       [](ScanToFileTest &t) {
         t.jni.FailFor(Fn::GetStringUTFChars, t.names[2]);
       }},
      {"Get back JPEG file name error",
       [](ScanToFileTest &t) {
         t.jni.FailFor(Fn::GetStringUTFChars, t.names[3]);
       }},
      {"back JPEG file name is longer than 255 bytes error",
       [](ScanToFileTest &t) {
         t.names[3] = t.jni.String(std::string(300, 'j'));
       }},
      // The library would take these as addresses to write the images to.
      {"front tiff file name starts with MD: error",
       [](ScanToFileTest &t) {
         static unsigned char target[64];
         t.names[0] = t.jni.String(
             "MD:" + std::to_string(reinterpret_cast<std::uintptr_t>(target)));
       }},
      {"back JPEG file name starts with MD: error",
       [](ScanToFileTest &t) { t.names[3] = t.jni.String("MD:x.jpg"); }},
      {"MICR array must be at least 1 element",
       [](ScanToFileTest &t) { t.micr = t.jni.StringArray({}); }},
      {"Get MICR error",
       [](ScanToFileTest &t) { t.micr = t.jni.StringArray({std::nullopt}); }},
      {"lengthFinalImageQuality < 1",
       [](ScanToFileTest &t) { t.quality = nullptr; }},
      {"Get FinalImageQuality error",
       [](ScanToFileTest &t) {
         t.jni.FailFor(Fn::GetIntArrayElements, t.quality);
       }},
      {"lengthFinalContrast < 1",
       [](ScanToFileTest &t) { t.contrast = t.jni.IntArray({}); }},
      {"Get FinalContrast error",
       [](ScanToFileTest &t) {
         t.jni.FailFor(Fn::GetIntArrayElements, t.contrast);
       }},
      {"DocStatus buffer must be at least 32 interger",
       [](ScanToFileTest &t) {
         t.docStatus = t.jni.IntArray(std::vector<jint>(31));
       }},
      {"Get DocStatus error",
       [](ScanToFileTest &t) {
         t.jni.FailFor(Fn::GetIntArrayElements, t.docStatus);
       }},
  };
  for (const Case &c : cases) {
    Reset();
    auto arrays = std::tie(micr, quality, contrast, docStatus);
    const auto original = std::make_tuple(micr, quality, contrast, docStatus);
    c.spoil(*this); // may replace an array
    EXPECT_EQ("", Run(-1)) << c.message;
    EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(kCall, c.message));
    EXPECT_EQ(0, scanner.count(Entry::QELScan)) << c.message;
    arrays = original;
    ExpectUnchanged();
  }
}

TEST_F(ScanToFileTest, AFailedCodeLineWritesNothingBack) {
  Reset();
  scanner.setText(Entry::QELScan, 0, "T1T");
  scanner.setInt(Entry::QELScan, 0, 88);
  scanner.setInts(Entry::QELScan, 2, {1, 2, 3});
  jni.FailCall(Fn::NewStringUTF);
  Run(-1);
  ExpectUnchanged();
  EXPECT_THAT(LogFiles::ErrorTexts(),
              ElementsAre(kCall, "Put and Release MICR error"));
}

} // namespace
