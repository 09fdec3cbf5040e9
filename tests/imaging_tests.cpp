// The image utilities: compression into a byte[], the UV conversions and
// the file operations, each method's messages in one table.
#include <functional>
#include <string>
#include <vector>

#include "bridge_test.h"

namespace {

using qeltest::Entry;
using qeltest::Fn;
using qeltest::LogFiles;
using ::testing::ElementsAre;

constexpr std::size_t kImage = 1048576;

// A refusal: its message, the logs it must reach, and how to provoke it.
struct Refusal {
  std::string message;
  bool toInfo, toError;
  std::function<void()> spoil;
};

class ImagingTest : public qeltest::BridgeTest {
public:
  void ExpectRefusals(const std::string &method, Entry entry,
                      const std::function<jint()> &run,
                      const std::vector<Refusal> &refusals) {
    const std::string call = "Calling Java_QelScan_QelScanApi_" + method + "()";
    for (const Refusal &r : refusals) {
      Reset();
      r.spoil();
      EXPECT_EQ(-1, run()) << r.message;
      jni.ClearException();
      EXPECT_EQ(r.toInfo, LogFiles::InfoTexts().back() == r.message)
          << r.message;
      EXPECT_EQ(r.toError, LogFiles::ErrorTexts().back() == r.message)
          << r.message;
      EXPECT_EQ(call, LogFiles::ErrorTexts().front()) << r.message;
      EXPECT_EQ(0, scanner.count(entry)) << r.message;
      EXPECT_EQ(0, jni.outstandingStrings() + jni.outstandingBytePins())
          << r.message;
    }
  }
  void Reset() {
    first = jni.String("in.tif");
    second = jni.String("out.tif");
    image = jni.ByteArray(kImage, 0x44);
    logs.EnableBoth();
    scanner.reset();
  }

  jstring first, second;
  jbyteArray image;
};

TEST_F(ImagingTest, CompressionFillsTheBufferAndLogsNoName) {
  struct Twin {
    const char *method;
    Entry entry;
    std::vector<int> ints;
    std::function<jint()> run;
  };
  const Twin twins[] = {
      {"MirbCompressImage",
       Entry::MIRBCompressImage,
       {},
       [this] {
         return QEL_EXPORT(MirbCompressImage)(jni.env(), jni.cls(), first,
                                              image);
       }},
      {"MirbCompressImageGray",
       Entry::MIRBCompressImageGray,
       {5},
       [this] {
         return QEL_EXPORT(MirbCompressImageGray)(jni.env(), jni.cls(), first,
                                                  image, 5);
       }},
  };
  for (const Twin &t : twins) {
    Reset();
    scanner.setResult(t.entry, 1234);
    scanner.setBytes(t.entry, 0, std::vector<unsigned char>{9, 8});
    EXPECT_EQ(1234, t.run());
    EXPECT_THAT(scanner.lastCall(t.entry).texts, ElementsAre("in.tif"));
    EXPECT_EQ(t.ints, scanner.lastCall(t.entry).ints);
    EXPECT_EQ(9, jni.bytes(image)[0]);
    EXPECT_EQ(0x44, jni.bytes(image)[2]);
    const std::string call =
        std::string("Calling Java_QelScan_QelScanApi_") + t.method + "()";
    EXPECT_THAT(LogFiles::InfoTexts(), ElementsAre(call));

    ExpectRefusals(
        t.method, t.entry, t.run,
        {
            {"file name string is NULL, error", true, false,
             [this] { first = nullptr; }},
            {"Get file name error", false, true,
             [this] { jni.FailFor(Fn::GetStringUTFChars, first); }},
            {"file name is longer than 255 bytes error", false, true,
             [this] { first = jni.String(std::string(256, 'f')); }},
            {"Image Buffer is NULL, error", true, false,
             [this] { image = nullptr; }},
            {"Get HugeImage buffer error", false, true,
             [this] { jni.FailFor(Fn::GetByteArrayElements, image); }},
            {"Image buffer size is less than 1048576", true, true,
             [this] { image = jni.ByteArray(kImage - 1, 0x44); }},
            {"Image buffer size is less than 1048576", true, true,
             [this] { image = jni.ByteArray({}); }},
        });
  }
}

TEST_F(ImagingTest, UvConversionsPassBothNamesAndTheirNumbers) {
  struct Twin {
    const char *method;
    Entry entry;
    std::vector<int> ints;
    std::function<jint()> run;
  };
  const Twin twins[] = {
      {"QelUVGain",
       Entry::QELUVGain,
       {1, -2, 3},
       [this] {
         return QEL_EXPORT(QelUVGain)(jni.env(), jni.cls(), first, second, 1,
                                      -2, 3);
       }},
      {"QelUVTiff",
       Entry::QELUVTiff,
       {128},
       [this] {
         return QEL_EXPORT(QelUVTiff)(jni.env(), jni.cls(), first, second, 128);
       }},
  };
  for (const Twin &t : twins) {
    Reset();
    scanner.setResult(t.entry, -104);
    EXPECT_EQ(-104, t.run());
    EXPECT_THAT(scanner.lastCall(t.entry).texts,
                ElementsAre("in.tif", "out.tif"));
    EXPECT_EQ(t.ints, scanner.lastCall(t.entry).ints);
    EXPECT_EQ(1u, LogFiles::InfoTexts().size());

    ExpectRefusals(t.method, t.entry, t.run,
                   {
                       {"Input file name string is NULL, error", true, false,
                        [this] { first = nullptr; }},
                       {"Get input file name error", false, true,
                        [this] { jni.FailFor(Fn::GetStringUTFChars, first); }},
                       {"Output file name string is NULL, error", true, false,
                        [this] { second = nullptr; }},
                       {"Get output file name error", false, true,
                        [this] { jni.FailFor(Fn::GetStringUTFChars, second); }},
                   });
  }
}

TEST_F(ImagingTest, FileOperationsTraceBothNamesAndPassThem) {
  struct Operation {
    const char *method;
    Entry entry;
    std::vector<int> ints;
    const char *secondName; // "Append" or "Output"
    std::function<jint()> run;
  };
  const Operation operations[] = {
      {"MirbCombineTIFFS",
       Entry::MIRBCombineTIFFS,
       {},
       "Append",
       [this] {
         return QEL_EXPORT(MirbCombineTIFFS)(jni.env(), jni.cls(), first,
                                             second);
       }},
      {"MirbCropFile",
       Entry::MIRBCropFile,
       {20},
       "Output",
       [this] {
         return QEL_EXPORT(MirbCropFile)(jni.env(), jni.cls(), first, second,
                                         20);
       }},
      {"MirbCopyFile",
       Entry::MIRBCopyFile,
       {},
       "Output",
       [this] {
         return QEL_EXPORT(MirbCopyFile)(jni.env(), jni.cls(), first, second);
       }},
  };
  for (const Operation &o : operations) {
    Reset();
    first = jni.String(""); // an empty name is no failure
    scanner.setResult(o.entry, 3);
    EXPECT_EQ(3, o.run());
    EXPECT_THAT(scanner.lastCall(o.entry).texts, ElementsAre("", "out.tif"));
    EXPECT_EQ(o.ints, scanner.lastCall(o.entry).ints);
    const std::string call =
        std::string("Calling Java_QelScan_QelScanApi_") + o.method + "()";
    const std::string secondTrace =
        std::string("cap") + o.secondName + " = out.tif";
    EXPECT_THAT(LogFiles::InfoTexts(),
                ElementsAre(call, "capInput = ", secondTrace));

    const std::string secondFetch =
        std::string("Get s") + o.secondName + "File error";
    ExpectRefusals(
        o.method, o.entry, o.run,
        {
            {"Get sInputFile error", false, true, [this] { first = nullptr; }},
            {"Get sInputFile error", false, true,
             [this] { jni.FailFor(Fn::GetStringUTFChars, first); }},
            {secondFetch, false, true, [this] { second = nullptr; }},
            {secondFetch, false, true,
             [this] { jni.FailFor(Fn::GetStringUTFChars, second); }},
        });
    // A failed second name comes after the first was traced.
    EXPECT_THAT(LogFiles::InfoTexts(), ElementsAre(call, "capInput = in.tif"));
  }
}

} // namespace
