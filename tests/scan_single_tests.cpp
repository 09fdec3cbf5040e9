// The UV scan and the long-document scan: one image to a file, into memory
// or both. Every test runs through both twins.
#include <string>
#include <vector>

#include "bridge_test.h"

namespace {

using qeltest::Entry;
using qeltest::Fn;
using qeltest::LogFiles;
using ::testing::ElementsAre;

constexpr std::size_t kImage = 1048576;

struct Twin {
  const char *method;
  Entry entry;
  jint (*run)(JNIEnv *, jstring, jbyteArray, jintArray, jint);
};

const Twin kTwins[] = {
    {"QelScanUV", Entry::QELScanUV,
     [](JNIEnv *e, jstring f, jbyteArray i, jintArray s, jint c) {
       return QEL_EXPORT(QelScanUV)(e, nullptr, f, i, s, c);
     }},
    {"QelScanLong", Entry::QELScanLong,
     [](JNIEnv *e, jstring f, jbyteArray i, jintArray s, jint c) {
       return QEL_EXPORT(QelScanLong)(e, nullptr, f, i, s, c);
     }},
};

void PrintTo(const Twin &twin, std::ostream *out) { *out << twin.method; }

class ScanSingleTest : public qeltest::BridgeTest,
                       public ::testing::WithParamInterface<Twin> {
public:
  jint Run(jint format = 2) {
    return GetParam().run(jni.env(), name, image, size, format);
  }
  void Reset() {
    name = jni.String("doc.tif");
    image = jni.ByteArray(kImage, 0x33);
    size = jni.IntArray({9, 8});
    logs.EnableBoth();
    scanner.reset();
  }
  std::string CallLine() const {
    return std::string("Calling Java_QelScan_QelScanApi_") + GetParam().method +
           "()";
  }

  jstring name;
  jbyteArray image;
  jintArray size;
};

TEST_P(ScanSingleTest, DeliversTheImageAndItsSizeWhateverTheResult) {
  Reset();
  scanner.setResult(GetParam().entry, -3);
  scanner.setBytes(GetParam().entry, 0, std::vector<unsigned char>{1, 2, 3});
  scanner.setInt(GetParam().entry, 0, 777);
  EXPECT_EQ(-3, Run());
  const qeltest::Call call = scanner.lastCall(GetParam().entry);
  EXPECT_THAT(call.texts, ElementsAre("doc.tif"));
  EXPECT_THAT(call.ints, ElementsAre(2));
  EXPECT_EQ(1, jni.bytes(image)[0]);
  EXPECT_THAT(jni.ints(size), ElementsAre(777, 8));
  EXPECT_THAT(WriteBacks(),
              ElementsAre("ReleaseByteArrayElements " + jni.ref(image),
                          "ReleaseIntArrayElements " + jni.ref(size)));
  EXPECT_THAT(LogFiles::InfoTexts(),
              ElementsAre(CallLine(), "pcFrontFileName = doc.tif\n",
                          "iFormatComp = 2", "lFrontFileSize = 777"));
}

TEST_P(ScanSingleTest, NullArgumentsReachTheLibraryAsNullPointers) {
  Reset();
  name = nullptr;
  image = nullptr;
  size = nullptr; // not looked at without an image
  EXPECT_EQ(0, Run(0));
  const qeltest::Call call = scanner.lastCall(GetParam().entry);
  EXPECT_TRUE(call.isNull(0));
  EXPECT_EQ(nullptr, call.pointers.at(1));
  EXPECT_THAT(
      LogFiles::InfoTexts(),
      ElementsAre(
          CallLine(),
          "front file name string is NULL, do not capture image to file",
          "Front Image Buffer is NULL, do not capture image to memory",
          "iFormatComp = 0", "lFrontFileSize = 0"));
}

TEST_P(ScanSingleTest, EachCheckStopsTheCallWithTheImageUnchanged) {
  struct Case {
    const char *message;
    void (*spoil)(ScanSingleTest &);
  };
  const Case cases[] = {
      {"Get front file name error",
       [](ScanSingleTest &t) { t.jni.FailFor(Fn::GetStringUTFChars, t.name); }},
      {"front file name is longer than 255 bytes error",
       [](ScanSingleTest &t) { t.name = t.jni.String(std::string(256, 'n')); }},
      {"Get front buffer error",
       [](ScanSingleTest &t) {
         t.jni.FailFor(Fn::GetByteArrayElements, t.image);
       }},
      {"Front buffer size is less than 1048576",
       [](ScanSingleTest &t) { t.image = t.jni.ByteArray(kImage - 1, 0x33); }},
      {"lengthFrontFileSize < 1",
       [](ScanSingleTest &t) { t.size = t.jni.IntArray({}); }},
      {"lengthFrontFileSize < 1", [](ScanSingleTest &t) { t.size = nullptr; }},
      {"Get Front Length buffer error",
       [](ScanSingleTest &t) {
         t.jni.FailFor(Fn::GetIntArrayElements, t.size);
       }},
  };
  for (const Case &c : cases) {
    Reset();
    const jbyteArray original = image;
    c.spoil(*this);
    EXPECT_EQ(-1, Run()) << c.message;
    jni.ClearException();
    EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(CallLine(), c.message));
    EXPECT_EQ(0, scanner.count(GetParam().entry)) << c.message;
    EXPECT_EQ(0x33, jni.bytes(original)[0]) << c.message;
  }
}

INSTANTIATE_TEST_SUITE_P(Twins, ScanSingleTest, ::testing::ValuesIn(kTwins),
                         [](const ::testing::TestParamInfo<Twin> &info) {
                           return std::string(info.param.method);
                         });

} // namespace
