// The full scan into memory: four optional image buffers named by memory
// descriptors, the image-length entry, and the full-scan result block.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bridge_test.h"
#include "scanning/memory_descriptor.h"

namespace {

using qeltest::Entry;
using qeltest::Fn;
using qeltest::LogFiles;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr std::size_t kImage = 1048576;
constexpr const char *kCall =
    "Calling Java_QelScan_QelScanApi_QelScanToMemory()";

// Per image, in parameter order: its name in the messages and its trace.
struct ImageTexts {
  const char *tiffOrJpeg; // "front tiff", as the pin message writes it
  const char *sizeName;   // "Front Tiff", as the size message writes it
  const char *lengthName; // "FrontTiffLength", as its array's message writes it
  const char *trace;      // "Front BW image length = "
};
const ImageTexts kImages[] = {
    {"front tiff", "Front Tiff", "FrontTiffLength", "Front BW image length = "},
    {"back tiff", "Back Tiff", "BackTiffLength", "Back BW image length = "},
    {"front jpeg", "Front JPEG", "FrontJPEGLength", "Front GS image length = "},
    {"back jpeg", "Back JPEG", "BackJPEGLength", "Back GS image length = "},
};

class ScanToMemoryTest : public qeltest::BridgeTest {
public:
  jint Run() {
    return QEL_EXPORT(QelScanToMemory)(
        jni.env(), jni.cls(), buffers[0], lengths[0], buffers[1], lengths[1],
        buffers[2], lengths[2], buffers[3], lengths[3], micr, quality, contrast,
        docStatus);
  }
  void Reset() {
    buffers.clear();
    lengths.clear();
    for (int i = 0; i < 4; ++i) {
      buffers.push_back(jni.ByteArray(kImage, static_cast<jbyte>(i + 1)));
      lengths.push_back(jni.IntArray({-9, -8}));
    }
    micr = jni.StringArray({"m"});
    quality = jni.IntArray({5});
    contrast = jni.IntArray({6});
    docStatus = nullptr;
    logs.EnableBoth();
    scanner.reset();
  }
  // The address the library was asked for the length of, call by call.
  std::vector<std::string> LengthQueries() const {
    std::vector<std::string> descriptors;
    for (const qeltest::Call &call : scanner.calls()) {
      if (call.entry == Entry::QELGetMemoryImageLength) {
        descriptors.push_back(
            "MD:" + std::to_string(
                        reinterpret_cast<std::uintptr_t>(call.pointers.at(0))));
      }
    }
    return descriptors;
  }

  std::vector<jbyteArray> buffers;
  std::vector<jintArray> lengths;
  jobjectArray micr;
  jintArray quality, contrast, docStatus;
};

TEST_F(ScanToMemoryTest, NamesEachBufferAndDeliversImagesLengthsAndResults) {
  Reset();
  scanner.setResult(Entry::QELScan,
                    -5); // a failed scan is delivered all the same
  for (int i = 0; i < 4; ++i) {
    scanner.setBytes(Entry::QELScan, i,
                     std::vector<unsigned char>(10 + i, 0xE0 + i));
  }
  scanner.setText(Entry::QELScan, 0, "T2T");
  scanner.setInt(Entry::QELScan, 0, 70);
  EXPECT_EQ(-5, Run());

  const std::vector<std::string> queried = LengthQueries();
  EXPECT_EQ(queried, scanner.lastCall(Entry::QELScan).texts);
  std::vector<std::string> info = {kCall, "Output from QELScan()"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(static_cast<jbyte>(0xE0 + i), jni.bytes(buffers[i])[0]);
    EXPECT_THAT(jni.ints(lengths[i]), ElementsAre(10 + i, -8));
    info.push_back(kImages[i].trace + std::to_string(10 + i));
  }
  info.insert(info.end(), {"MICR Data = T2T", "FinalImageQuality = 70",
                           "FinalContrast= 0"});
  EXPECT_THAT(LogFiles::InfoTexts(), ElementsAreArray(info));
  EXPECT_THAT(
      LogFiles::ErrorTexts(),
      ElementsAre(kCall, "DocStatus buffer is NULL, still valid option"));
  EXPECT_THAT(WriteBacks(),
              ElementsAre("ReleaseByteArrayElements " + jni.ref(buffers[0]),
                          "ReleaseByteArrayElements " + jni.ref(buffers[1]),
                          "ReleaseByteArrayElements " + jni.ref(buffers[2]),
                          "ReleaseByteArrayElements " + jni.ref(buffers[3]),
                          "ReleaseIntArrayElements " + jni.ref(lengths[0]),
                          "ReleaseIntArrayElements " + jni.ref(lengths[1]),
                          "ReleaseIntArrayElements " + jni.ref(lengths[2]),
                          "ReleaseIntArrayElements " + jni.ref(lengths[3]),
                          "SetObjectArrayElement " + jni.ref(micr),
                          "ReleaseIntArrayElements " + jni.ref(quality),
                          "ReleaseIntArrayElements " + jni.ref(contrast)));
}

TEST_F(ScanToMemoryTest, UnwantedImagesAreNeitherNamedNorMeasured) {
  Reset();
  for (int i = 0; i < 3; ++i) {
    buffers[i] = nullptr;
    lengths[i] = i == 0 ? nullptr : jni.IntArray({});
  }
  scanner.setResult(Entry::QELGetMemoryImageLength, 321);
  EXPECT_EQ(0, Run());
  const qeltest::Call scan = scanner.lastCall(Entry::QELScan);
  EXPECT_TRUE(scan.isNull(0));
  EXPECT_THAT(
      std::vector<std::string>(scan.texts.begin() + 1, scan.texts.begin() + 3),
      ElementsAre("", ""));
  EXPECT_THAT(LengthQueries(), ElementsAre(scan.texts.at(3)));
  EXPECT_THAT(jni.ints(lengths[3]), ElementsAre(321, -8));
  EXPECT_THAT(
      LogFiles::InfoTexts(),
      ElementsAre(kCall,
                  "Front Tiff Image Buffer is NULL, do not capture image",
                  "Back Tiff Image Buffer is NULL, do not capture image",
                  "Front JPEG Image Buffer is NULL, do not capture image",
                  "Output from QELScan()", "Back GS image length = 321",
                  "MICR Data = ", "FinalImageQuality = 0", "FinalContrast= 0"));
}

TEST_F(ScanToMemoryTest, EachCheckGivesEveryArrayBackUnchanged) {
  struct Case {
    std::string message;
    std::function<void()> spoil;
    bool toInfoToo = false;
  };
  std::vector<Case> cases;
  for (int i = 0; i < 4; ++i) {
    const ImageTexts &t = kImages[i];
    const std::string pinName = t.tiffOrJpeg;
    const std::string lengthName = t.lengthName;
    cases.push_back({"Get " + pinName + " buffer error", [this, i] {
                       jni.FailFor(Fn::GetByteArrayElements, buffers[i]);
                     }});
    cases.push_back(
        {std::string(t.sizeName) + " buffer size is less than 1048576",
         [this, i] { buffers[i] = jni.ByteArray(kImage - 1, 0); }, true});
    cases.push_back(
        {"length" + lengthName + " < 1", [this, i] { lengths[i] = nullptr; }});
    cases.push_back(
        {"Get " + std::string(t.sizeName) + " Length buffer error",
         [this, i] { jni.FailFor(Fn::GetIntArrayElements, lengths[i]); }});
  }
  cases.push_back(
      {"Get MICR error", [this] { micr = jni.StringArray({std::nullopt}); }});
  cases.push_back({"DocStatus buffer must be at least 32 interger", [this] {
                     docStatus = jni.IntArray(std::vector<jint>(31));
                   }});
  for (const Case &c : cases) {
    Reset();
    const std::vector<jbyteArray> originalBuffers = buffers;
    const std::vector<jintArray> originalLengths = lengths;
    c.spoil();
    EXPECT_EQ(-1, Run()) << c.message;
    jni.ClearException();
    EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(kCall, c.message));
    EXPECT_EQ(c.toInfoToo, LogFiles::InfoTexts().back() == c.message)
        << c.message;
    EXPECT_EQ(0, scanner.count(Entry::QELScan)) << c.message;
    EXPECT_EQ(0, jni.outstandingBytePins() + jni.outstandingIntPins())
        << c.message;
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(i + 1, jni.bytes(originalBuffers[i])[0]) << c.message;
      EXPECT_THAT(jni.ints(originalLengths[i]), ElementsAre(-9, -8))
          << c.message;
    }
  }
}

TEST_F(ScanToMemoryTest, AFailedCodeLineLeavesTheResultBlockUnwritten) {
  Reset();
  scanner.setBytes(Entry::QELScan, 0, std::vector<unsigned char>(4, 0xAB));
  scanner.setInt(Entry::QELScan, 0, 70);
  jni.FailCall(Fn::NewStringUTF);
  EXPECT_EQ(-1, Run());
  jni.ClearException();
  EXPECT_EQ(static_cast<jbyte>(0xAB), jni.bytes(buffers[0])[0]);
  EXPECT_THAT(jni.ints(lengths[0]), ElementsAre(4, -8));
  EXPECT_THAT(jni.ints(quality), ElementsAre(5));
  EXPECT_EQ("m", jni.element(micr, 0));
}

TEST(MemoryDescriptorTest, IsTheAddressInDecimalAtItsFullWidth) {
  char descriptor[qel::kDescriptorSize];
  qel::FormatMemoryDescriptor(descriptor, std::uint32_t{4294967295u});
  EXPECT_STREQ("MD:4294967295", descriptor);
  qel::FormatMemoryDescriptor(descriptor, std::uint64_t{0x123456789ABCull});
  EXPECT_STREQ("MD:20015998343868", descriptor);
  qel::FormatMemoryDescriptor(descriptor, std::uint32_t{16});
  EXPECT_STREQ("MD:16", descriptor);
}

} // namespace
