// The scan to memory and its gray twin, driven through one table of texts.
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

constexpr std::size_t kImage = 1048576;

struct Twin {
  const char *method;
  Entry entry;
  std::vector<int> ints;
  const char *frontPin;
  const char *frontLength;
  const char *backOff;
  const char *backPin;
  bool backTooSmallToBothLogs;
  bool codeOptional;
  jint (*run)(JNIEnv *, jbyteArray, jintArray, jbyteArray, jintArray,
              jobjectArray);
};

const Twin kTwins[] = {
    {"MirbScanMemory",
     Entry::MIRBScanMemory,
     {7},
     "Get front buffer error",
     "Array of Front length < 1",
     "Back Image Buffer is NULL, do not capture back image",
     "Get back buffer error",
     true,
     false,
     [](JNIEnv *e, jbyteArray f, jintArray fl, jbyteArray b, jintArray bl,
        jobjectArray c) {
       return QEL_EXPORT(MirbScanMemory)(e, nullptr, 7, f, fl, b, bl, c, 12345);
     }},
    {"MirbScanMemoryGray",
     Entry::MIRBScanMemoryGray,
     {7, 3},
     "Get front image buffer error",
     "Array of Front Length < 1",
     "Back Image Buffer is NULL, do not capture image",
     "Get back image buffer error",
     false,
     true,
     [](JNIEnv *e, jbyteArray f, jintArray fl, jbyteArray b, jintArray bl,
        jobjectArray c) {
       return QEL_EXPORT(MirbScanMemoryGray)(e, nullptr, 7, f, fl, b, bl, c, -1,
                                             3);
     }},
};

void PrintTo(const Twin &twin, std::ostream *out) { *out << twin.method; }

class ScanMemoryTest : public qeltest::BridgeTest,
                       public ::testing::WithParamInterface<Twin> {
public:
  jint Run() {
    return GetParam().run(jni.env(), front, frontLen, back, backLen, code);
  }
  void Reset() {
    front = jni.ByteArray(kImage, 0x11);
    back = jni.ByteArray(kImage + 5, 0x22);
    frontLen = jni.IntArray({9, 9, 9});
    backLen = jni.IntArray({9});
    code = jni.StringArray({"c"});
    logs.EnableBoth();
    scanner.reset();
  }
  std::string CallLine() const {
    return std::string("Calling Java_QelScan_QelScanApi_") + GetParam().method +
           "()";
  }

  jbyteArray front, back;
  jintArray frontLen, backLen;
  jobjectArray code;
};

TEST_P(ScanMemoryTest, DeliversImagesCountsAndCodeLineInOrder) {
  Reset();
  const Entry entry = GetParam().entry;
  // Header: width 40000 (negative as int16), length 550, 1 bit, 200 dpi.
  const std::vector<unsigned char> header = {0x40, 0x9C, 0x26, 0x02,
                                             1,    0,    0xC8, 0};
  scanner.setResult(entry, -102);
  scanner.setBytes(entry, 0, header);
  scanner.setBytes(entry, 1, std::vector<unsigned char>{5, 6});
  scanner.setInt(entry, 0, 4000);
  scanner.setInt(entry, 1, 3000);
  scanner.setText(entry, 0, "T1T");
  scanner.setInt(entry, 2, 3);
  EXPECT_EQ(-102, Run());

  EXPECT_EQ(GetParam().ints, scanner.lastCall(entry).ints);
  const std::vector<jbyte> frontBytes = jni.bytes(front);
  EXPECT_THAT(std::vector<jbyte>(frontBytes.begin(), frontBytes.begin() + 9),
              ElementsAre(0x40, -100, 0x26, 2, 1, 0, -56, 0, 0x11));
  EXPECT_EQ(5, jni.bytes(back)[0]);
  EXPECT_THAT(jni.ints(frontLen), ElementsAre(4000, 9, 9));
  EXPECT_THAT(jni.ints(backLen), ElementsAre(3000));
  EXPECT_EQ("T1T", jni.element(code, 0));
  EXPECT_THAT(WriteBacks(),
              ElementsAre("ReleaseByteArrayElements " + jni.ref(front),
                          "ReleaseByteArrayElements " + jni.ref(back),
                          "ReleaseIntArrayElements " + jni.ref(frontLen),
                          "ReleaseIntArrayElements " + jni.ref(backLen),
                          "SetObjectArrayElement " + jni.ref(code)));
  std::vector<std::string> info = {CallLine(),
                                   "pMIRBMemHdr->hdrImageWidth = -25536",
                                   "pMIRBMemHdr->hdrImageLength = 550",
                                   "pMIRBMemHdr->hdrBitsPixel = 1",
                                   "pMIRBMemHdr->hdrDPI = 200",
                                   "lLenFront = 4000",
                                   "lLenBack = 3000"};
  if (GetParam().codeOptional) {
    info.insert(info.end(), {"iLenCode = 3", "acMICR = T1T"});
  } else {
    info.insert(info.end(), {"acMICR = T1T", "iLenCode = 3"});
  }
  EXPECT_THAT(LogFiles::InfoTexts(), ElementsAreArray(info));
  EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(CallLine()));
}

TEST_P(ScanMemoryTest, NullImagesSwitchTheirSidesOff) {
  Reset();
  front = back = nullptr;
  frontLen = backLen = nullptr;
  if (GetParam().codeOptional) {
    code = nullptr;
  }
  EXPECT_EQ(0, Run());
  const qeltest::Call call = scanner.lastCall(GetParam().entry);
  EXPECT_EQ(nullptr, call.pointers.at(0));
  EXPECT_EQ(nullptr, call.pointers.at(2));
  std::vector<std::string> info = {
      CallLine(), "Front Image Buffer is NULL, do not capture front image",
      GetParam().backOff};
  if (GetParam().codeOptional) {
    info.push_back("asCode Buffer is NULL, do not MICR");
  } else {
    info.insert(info.end(), {"acMICR = ", "iLenCode = 0"});
  }
  EXPECT_THAT(LogFiles::InfoTexts(), ElementsAreArray(info));
}

TEST_P(ScanMemoryTest, EachCheckGivesEveryArrayBackUnchanged) {
  struct Case {
    std::string message;
    void (*spoil)(ScanMemoryTest &);
  };
  const Twin &twin = GetParam();
  const std::vector<Case> cases = {
      {twin.frontPin,
       [](ScanMemoryTest &t) {
         t.jni.FailFor(Fn::GetByteArrayElements, t.front);
       }},
      {"Front buffer size is less than 1048576",
       [](ScanMemoryTest &t) { t.front = t.jni.ByteArray(kImage - 1, 0x11); }},
      {twin.frontLength,
       [](ScanMemoryTest &t) { t.frontLen = t.jni.IntArray({}); }},
      {twin.frontLength, [](ScanMemoryTest &t) { t.frontLen = nullptr; }},
      {"Get Front Length buffer error",
       [](ScanMemoryTest &t) {
         t.jni.FailFor(Fn::GetIntArrayElements, t.frontLen);
       }},
      {twin.backPin,
       [](ScanMemoryTest &t) {
         t.jni.FailFor(Fn::GetByteArrayElements, t.back);
       }},
      {"Back buffer size is less than 1048576",
       [](ScanMemoryTest &t) { t.back = t.jni.ByteArray(kImage - 1, 0x22); }},
      {"Array of Back length < 1",
       [](ScanMemoryTest &t) { t.backLen = nullptr; }},
      {"Get Back Length buffer error",
       [](ScanMemoryTest &t) {
         t.jni.FailFor(Fn::GetIntArrayElements, t.backLen);
       }},
      {"MICR array must be at least 1 element",
       [](ScanMemoryTest &t) { t.code = t.jni.StringArray({}); }},
      {"Get MICR error",
       [](ScanMemoryTest &t) { t.code = t.jni.StringArray({std::nullopt}); }},
  };
  for (const Case &c : cases) {
    Reset();
    auto arrays = std::tie(front, frontLen);
    const auto original = std::make_tuple(front, frontLen);
    c.spoil(*this);
    EXPECT_EQ(-1, Run()) << c.message;
    jni.ClearException();
    EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(CallLine(), c.message));
    const bool toInfo =
        c.message.rfind("Back buffer", 0) == 0 && twin.backTooSmallToBothLogs;
    EXPECT_EQ(toInfo, LogFiles::InfoTexts().back() == c.message) << c.message;
    EXPECT_EQ(0, scanner.count(twin.entry)) << c.message;
    EXPECT_EQ(0, jni.outstandingBytePins() + jni.outstandingIntPins())
        << c.message;
    arrays = original;
    EXPECT_EQ(0x11, jni.bytes(front)[0]) << c.message;
    EXPECT_THAT(jni.ints(frontLen), ElementsAre(9, 9, 9)) << c.message;
  }
}

TEST_P(ScanMemoryTest, AFailedCodeLineComesAfterTheImagesWereDelivered) {
  Reset();
  scanner.setInt(GetParam().entry, 0, 4000);
  jni.FailCall(Fn::NewStringUTF);
  EXPECT_EQ(-1, Run());
  jni.ClearException();
  EXPECT_THAT(jni.ints(frontLen), ElementsAre(4000, 9, 9));
  EXPECT_EQ("c", jni.element(code, 0));
  EXPECT_THAT(LogFiles::ErrorTexts(),
              ElementsAre(CallLine(), "Put and Release MICR error"));
}

INSTANTIATE_TEST_SUITE_P(Twins, ScanMemoryTest, ::testing::ValuesIn(kTwins),
                         [](const ::testing::TestParamInfo<Twin> &info) {
                           return std::string(info.param.method);
                         });

} // namespace
