// Endorsement printing: the print text from a byte[], the hex dump, the
// long values cut to 32 bits, and every refusal.
#include <optional>
#include <string>
#include <vector>

#include "bridge/log.h"
#include "bridge_test.h"

namespace {

using qeltest::Entry;
using qeltest::Fn;
using qeltest::LogFiles;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// One dump line: the hex column is 34 wide, the text column 16.
std::string DumpLine(const char *offset, const std::string &hex,
                     const std::string &text) {
  return std::string("   ") + offset + "  " + hex +
         std::string(34 - hex.size(), ' ') + text +
         std::string(16 - text.size(), ' ');
}

TEST(HexDumpTest, LaysOutEachGroupOfSixteenBytesOnOneLine) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const std::string sixteen = "0123456789ABCDEF";
  const std::vector<Case> cases = {
      {"", {}},
      {"abc", {DumpLine("0000", "616263", "abc")}},
      {sixteen,
       {DumpLine("0000", "30313233343536373839414243444546", sixteen)}},
      {sixteen + "G",
       {DumpLine("0000", "30313233343536373839414243444546", sixteen),
        DumpLine("0010", "47", "G")}},
      {std::string("\x1B\x7F\xE9\0x", 5),
       {DumpLine("0000", "1B7FE90078", "....x")}},
  };
  qeltest::LogFiles logs;
  for (const Case &c : cases) {
    logs.Enable(true, false);
    qel::LogHexDump(static_cast<int>(c.bytes.size()),
                    reinterpret_cast<const unsigned char *>(c.bytes.data()),
                    "label:");
    std::vector<std::string> expected = {"    label:"};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    EXPECT_THAT(LogFiles::InfoTexts(), ElementsAreArray(expected)) << c.bytes;
  }

  logs.Enable(true, false);
  const std::string most(255, 'z');
  qel::LogHexDump(255, reinterpret_cast<const unsigned char *>(most.data()),
                  "z:");
  const std::vector<std::string> lines = LogFiles::InfoTexts();
  ASSERT_EQ(17u, lines.size());
  std::string hex;
  for (int i = 0; i < 15; ++i) {
    hex += "7A";
  }
  EXPECT_EQ(DumpLine("00F0", hex, std::string(15, 'z')), lines.back());
}

struct Printer {
  const char *method;
  Entry entry;
  bool font;
  const char *names[5]; // null, pin, length trace, empty, too long
  const char *trace;    // "acPrintString"
  jint (*run)(JNIEnv *, jbyteArray, jlong, jstring);
};

const Printer kPrinters[] = {
    {"QelBatchPrintString",
     Entry::QELBatchPrintString,
     false,
     {"Print String buffer is NULL error", "Get Print String buffer error",
      "lengthPrintString = ", "PrintString length is less than 1 error",
      "PrintString is longer than 255 bytes error"},
     "acPrintString",
     [](JNIEnv *e, jbyteArray t, jlong l, jstring) {
       return QEL_EXPORT(QelBatchPrintString)(e, nullptr, t, l, -1, 7, 8);
     }},
    {"QelBatchPrintBMP",
     Entry::QELBatchPrintBMP,
     true,
     {"Print String buffer is NULL error", "Get Print String buffer error",
      "lengthPrintString = ", "PrintString length is less than 1 error",
      "PrintString is longer than 255 bytes error"},
     "acPrintString",
     [](JNIEnv *e, jbyteArray t, jlong l, jstring f) {
       return QEL_EXPORT(QelBatchPrintBMP)(e, nullptr, t, l, -1, 7, 8, 9, 10,
                                           11, 12, 13, f);
     }},
    {"QelScanVirtualEndorsement",
     Entry::QELScanVirtualEndorsement,
     true,
     {"Virtual String buffer is NULL error", "Get Virtual String buffer error",
      "lengthVirtualString = ", "VirtualStrings length is less than 1 error",
      "VirtualString is longer than 255 bytes error"},
     "acVirtualString",
     [](JNIEnv *e, jbyteArray t, jlong l, jstring f) {
       return QEL_EXPORT(QelScanVirtualEndorsement)(e, nullptr, t, l, -1, 7, 8,
                                                    9, 10, 11, 12, 13, 14, 15,
                                                    16, 17, 18, f);
     }},
};

void PrintTo(const Printer &printer, std::ostream *out) {
  *out << printer.method;
}

class PrintTest : public qeltest::BridgeTest,
                  public ::testing::WithParamInterface<Printer> {
public:
  std::string CallLine() const {
    return std::string("Calling Java_QelScan_QelScanApi_") + GetParam().method +
           "()";
  }
};

TEST_P(PrintTest, HandsOverTheTextUpToItsNulAndTheLowHalvesOfTheLongs) {
  const Printer &p = GetParam();
  scanner.setResult(p.entry, 42);
  const jbyteArray text = jni.ByteArray({'a', 'b', 0, 'c'});
  EXPECT_EQ(
      42, p.run(jni.env(), text, (jlong{1} << 32) + 5, jni.String("Courier")));
  const qeltest::Call call = scanner.lastCall(p.entry);
  EXPECT_EQ("ab", call.texts.at(0));
  std::vector<int> ints = {5, -1};
  for (int i = 7; i < 7 + static_cast<int>(call.ints.size()) - 2; ++i) {
    ints.push_back(i);
  }
  EXPECT_EQ(ints, call.ints);
  EXPECT_EQ(p.font ? 2u : 1u, call.texts.size());
  if (p.font) {
    EXPECT_EQ("Courier", call.texts.at(1));
  }
  EXPECT_THAT(jni.bytes(text), ElementsAre('a', 'b', 0, 'c'));
  EXPECT_THAT(LogFiles::InfoTexts(),
              ElementsAre(CallLine(), std::string(p.names[2]) + "4",
                          std::string(p.trace) + " = ab",
                          "    " + std::string(p.trace) + ":",
                          DumpLine("0000", "61620063", "ab.c")));
  EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(CallLine()));
}

TEST_P(PrintTest, EachRefusalGoesToItsLogsAndPrintsNothing) {
  const Printer &p = GetParam();
  struct Case {
    std::string message;
    bool toInfo, toError;
    jbyteArray text;
    jstring font;
    std::optional<Fn> failing;
  };
  const jbyteArray good = jni.ByteArray({'x'});
  const jstring font = jni.String("Arial");
  std::vector<Case> cases = {
      {p.names[0], true, true, nullptr, font, std::nullopt},
      {p.names[1], false, true, good, font, Fn::GetByteArrayElements},
      {p.names[3], true, true, jni.ByteArray({}), font, std::nullopt},
      {p.names[4], false, true, jni.ByteArray(256, 'y'), font, std::nullopt},
  };
  if (p.font) {
    cases.push_back(
        {"Font string is NULL error", true, true, good, nullptr, std::nullopt});
    cases.push_back(
        {"Get Font error", true, true, good, font, Fn::GetStringUTFChars});
  }
  for (const Case &c : cases) {
    logs.EnableBoth();
    if (c.failing) {
      jni.FailCall(*c.failing);
    }
    EXPECT_EQ(-1, p.run(jni.env(), c.text, 1, c.font)) << c.message;
    jni.ClearException();
    const std::vector<std::string> info = LogFiles::InfoTexts();
    EXPECT_EQ(c.toInfo, info.back() == c.message) << c.message;
    EXPECT_EQ(c.toError, LogFiles::ErrorTexts().back() == c.message)
        << c.message;
    EXPECT_EQ(std::string::npos, LogFiles::Read(LogFiles::Info()).find(" = x"))
        << c.message;
    EXPECT_EQ(0, scanner.count(p.entry)) << c.message;
  }
}

INSTANTIATE_TEST_SUITE_P(Printers, PrintTest, ::testing::ValuesIn(kPrinters),
                         [](const ::testing::TestParamInfo<Printer> &info) {
                           return std::string(info.param.method);
                         });

} // namespace
