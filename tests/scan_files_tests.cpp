// The scan to files and its gray twin: one table of their texts drives
// every test through both.
#include <string>
#include <tuple>
#include <vector>

#include "bridge_test.h"

namespace {

using qeltest::Entry;
using qeltest::Fn;
using qeltest::LogFiles;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Twin {
  const char *method;
  Entry entry;
  std::vector<int> ints; // what the library receives besides its buffers
  const char *backOff;
  const char *codeOff;
  const char *putMessages[4]; // front length, back length, MICR, MICR length
  jint (*run)(JNIEnv *, jstring, jobjectArray, jstring, jobjectArray,
              jobjectArray, jobjectArray);
};

const Twin kTwins[] = {
    {"MirbScan",
     Entry::MIRBScan,
     {7},
     "Back file name string is NULL, do not capture image",
     "sCode buffer is NULL, do not capture MICR",
     {"Put and Release FrontLength error", "Put and Release BackLength error",
      "Put and Release MICR error", "Put and Release MICRLength error"},
     [](JNIEnv *e, jstring f, jobjectArray fl, jstring b, jobjectArray bl,
        jobjectArray c, jobjectArray cl) {
       return QEL_EXPORT(MirbScan)(e, nullptr, 7, f, fl, b, bl, c, cl);
     }},
    {"MirbScanGray",
     Entry::MIRBScanGray,
     {7, 3},
     "Back file name string is NULL, do not capture back image",
     "asCode is NULL, do not MICR",
     {"Put and Release Front Length error", "Put and Release Back Length error",
      "Put and Release MICR error", "Put and Release MICR Length error"},
     [](JNIEnv *e, jstring f, jobjectArray fl, jstring b, jobjectArray bl,
        jobjectArray c, jobjectArray cl) {
       return QEL_EXPORT(MirbScanGray)(e, nullptr, 7, f, fl, b, bl, c, cl, 3);
     }},
};

void PrintTo(const Twin &twin, std::ostream *out) { *out << twin.method; }

class ScanFilesTest : public qeltest::BridgeTest,
                      public ::testing::WithParamInterface<Twin> {
public:
  jint Run() {
    return GetParam().run(jni.env(), front, frontLen, back, backLen, code,
                          codeLen);
  }
  void Reset() {
    front = jni.String("front.tif");
    back = jni.String("back.tif");
    frontLen = jni.StringArray({"f", "keep"});
    backLen = jni.StringArray({"b"});
    code = jni.StringArray({"c"});
    codeLen = jni.StringArray({"cl"});
    logs.EnableBoth();
    scanner.reset();
    const Entry entry = GetParam().entry;
    scanner.setResult(entry, -102);
    scanner.setText(entry, 0, "51234");
    scanner.setText(entry, 1, "48000");
    scanner.setText(entry, 2, "T021000021T 1234U");
    scanner.setText(entry, 3, "17");
  }
  // Element 0 of the four outputs, in write-back order.
  std::vector<std::string> Outputs() const {
    std::vector<std::string> values;
    for (jobjectArray array : {frontLen, backLen, code, codeLen}) {
      values.push_back(jni.element(array, 0).value_or("null"));
    }
    return values;
  }
  std::string CallLine() const {
    return std::string("Calling Java_QelScan_QelScanApi_") + GetParam().method +
           "()";
  }

  jstring front, back;
  jobjectArray frontLen, backLen, code, codeLen;
};

TEST_P(ScanFilesTest, DeliversEveryTextInOrderWhateverTheResult) {
  Reset();
  EXPECT_EQ(-102, Run());
  const qeltest::Call call = scanner.lastCall(GetParam().entry);
  EXPECT_EQ(GetParam().ints, call.ints);
  EXPECT_THAT(call.texts, ElementsAre("front.tif", "back.tif"));
  EXPECT_THAT(Outputs(),
              ElementsAre("51234", "48000", "T021000021T 1234U", "17"));
  EXPECT_EQ("keep", jni.element(frontLen, 1));
  EXPECT_THAT(WriteBacks(),
              ElementsAre("SetObjectArrayElement " + jni.ref(frontLen),
                          "SetObjectArrayElement " + jni.ref(backLen),
                          "SetObjectArrayElement " + jni.ref(code),
                          "SetObjectArrayElement " + jni.ref(codeLen)));
  EXPECT_THAT(LogFiles::InfoTexts(),
              ElementsAre(CallLine(), "acFrontLen = 51234", "acBackLen = 48000",
                          "acMICRLen = 17", "acMICR = T021000021T 1234U"));
  EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(CallLine()));
}

TEST_P(ScanFilesTest, NullArgumentsSwitchTheirOutputsOff) {
  Reset();
  front = back = nullptr;
  frontLen = backLen = code = codeLen = nullptr;
  EXPECT_EQ(-102, Run());
  const qeltest::Call call = scanner.lastCall(GetParam().entry);
  EXPECT_THAT(call.texts, ElementsAre("", ""));
  EXPECT_FALSE(call.isNull(0) || call.isNull(1));
  EXPECT_THAT(WriteBacks(), IsEmpty());
  EXPECT_THAT(
      LogFiles::InfoTexts(),
      ElementsAre(CallLine(),
                  "front file name string is NULL, do not capture front image",
                  GetParam().backOff, GetParam().codeOff));
}

TEST_P(ScanFilesTest, EachCheckStopsTheCallBeforeTheScanner) {
  struct Case {
    const char *message;
    void (*spoil)(ScanFilesTest &);
  };
  const Case cases[] = {
      {"Get front file name error",
       [](ScanFilesTest &t) { t.jni.FailFor(Fn::GetStringUTFChars, t.front); }},
      {"front file name is longer than 255 bytes error",
       [](ScanFilesTest &t) { t.front = t.jni.String(std::string(256, 'f')); }},
      {"Array of Front Length < 1",
       [](ScanFilesTest &t) { t.frontLen = t.jni.StringArray({}); }},
      {"Array of Front Length < 1",
       [](ScanFilesTest &t) { t.frontLen = nullptr; }},
      {"Get Front Length buffer error",
       [](ScanFilesTest &t) {
         t.frontLen = t.jni.StringArray({std::nullopt});
       }},
      {"Get Back file name error",
       [](ScanFilesTest &t) { t.jni.FailFor(Fn::GetStringUTFChars, t.back); }},
      {"Array of Back Length < 1",
       [](ScanFilesTest &t) { t.backLen = nullptr; }},
      {"Get Back Length buffer error",
       [](ScanFilesTest &t) {
         t.backLen = t.jni.StringArray({std::nullopt, "x"});
       }},
      {"MICR array must be at least 1 element",
       [](ScanFilesTest &t) { t.code = t.jni.StringArray({}); }},
      {"Get MICR error",
       [](ScanFilesTest &t) { t.code = t.jni.StringArray({std::nullopt}); }},
      {"Array of MICR Length < 1",
       [](ScanFilesTest &t) { t.codeLen = nullptr; }},
      {"Get MICR Length buffer error",
       [](ScanFilesTest &t) { t.codeLen = t.jni.StringArray({std::nullopt}); }},
  };
  for (const Case &c : cases) {
    Reset();
    auto arrays = std::tie(frontLen, backLen, code, codeLen);
    const auto original = std::make_tuple(frontLen, backLen, code, codeLen);
    const std::vector<std::string> before = Outputs();
    c.spoil(*this); // may replace an array
    EXPECT_EQ(-1, Run()) << c.message;
    jni.ClearException();
    EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(CallLine(), c.message));
    EXPECT_EQ(0, scanner.count(GetParam().entry)) << c.message;
    arrays = original;
    EXPECT_EQ(before, Outputs()) << c.message;
  }
}

TEST_P(ScanFilesTest, AFailedWriteBackKeepsTheOutputsBeforeIt) {
  const std::vector<std::string> delivered = {"51234", "48000",
                                              "T021000021T 1234U", "17"};
  for (int failing = 0; failing < 4; ++failing) {
    Reset();
    std::vector<std::string> expected = Outputs();
    std::copy(delivered.begin(), delivered.begin() + failing, expected.begin());
    jni.FailCall(Fn::NewStringUTF, failing + 1);
    EXPECT_EQ(-1, Run());
    jni.ClearException();
    EXPECT_EQ(expected, Outputs());
    EXPECT_THAT(LogFiles::ErrorTexts(),
                ElementsAre(CallLine(), GetParam().putMessages[failing]));
  }
}

INSTANTIATE_TEST_SUITE_P(Twins, ScanFilesTest, ::testing::ValuesIn(kTwins),
                         [](const ::testing::TestParamInfo<Twin> &info) {
                           return std::string(info.param.method);
                         });

} // namespace
