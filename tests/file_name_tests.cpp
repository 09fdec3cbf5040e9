// File names in the code page the scanner library opens files with: the
// conversion as a function over a stand-in code page, and through an
// export as each platform does it.
#include <string>
#include <vector>

#include "bridge/file_name.h"
#include "bridge_test.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

using qeltest::Entry;
#if defined(_WIN32)
using qeltest::LogFiles;
using ::testing::ElementsAre;
#endif

// ISO 8859-1: every unit below 256 is its own byte, nothing else exists.
int Latin1(const char16_t *units, int count, char *out, int size,
           bool &representable) noexcept {
  representable = true;
  for (int i = 0; i < count; ++i) {
    representable = representable && units[i] < 256;
    if (out != nullptr && i < size) {
      out[i] = static_cast<char>(units[i]);
    }
  }
  return count;
}

TEST(FileNameTest, IsSpelledInTheCodePageOrRefused) {
  const std::string e = "\xC3\xA9"; // é in modified UTF-8
  struct Case {
    std::string name;
    qel::FileNameResult result;
    std::string spelled;
  };
  const Case cases[] = {
      {"C:\\scans\\front.tif", qel::FileNameResult::kOk,
       "C:\\scans\\front.tif"},
      {"caf" + e + ".tif", qel::FileNameResult::kOk, "caf\xE9.tif"},
      {std::string(255, 'a'), qel::FileNameResult::kOk, std::string(255, 'a')},
      // 510 bytes of modified UTF-8 that the code page spells in 255.
      {[&] {
         std::string s;
         for (int i = 0; i < 255; ++i) {
           s += e;
         }
         return s;
       }(),
       qel::FileNameResult::kOk, std::string(255, '\xE9')},
      {std::string(256, 'a'), qel::FileNameResult::kTooLong, ""},
      {"\xE6\x97\xA5.tif", qel::FileNameResult::kUnrepresentable,
       ""}, // a CJK letter
      {"a\xC0\x80"
       "b",
       qel::FileNameResult::kUnrepresentable, ""},            // Java's NUL
      {"bad\xC3", qel::FileNameResult::kUnrepresentable, ""}, // cut short
      {"bad\xFF", qel::FileNameResult::kUnrepresentable, ""},
  };
  for (const Case &c : cases) {
    qel::Text out = "unchanged";
    EXPECT_EQ(c.result, qel::EncodeFileName(c.name.c_str(), out, Latin1))
        << c.name;
    if (c.result == qel::FileNameResult::kOk) {
      EXPECT_EQ(c.spelled, out);
    }
  }
}

class FileNameExportTest : public qeltest::BridgeTest {};

// On Windows the library receives the ANSI spelling (Wine's default code
// page is 1252); elsewhere standard UTF-8.
TEST_F(FileNameExportTest,
       AConfigurationFileNameReachesTheLibraryInItsCodePage) {
  const std::string accented = "caf\xC3\xA9.cfg";
#if defined(_WIN32)
  if (GetACP() != 1252) {
    GTEST_SKIP() << "the expected spelling is that of code page 1252";
  }
  const std::string spelled = "caf\xE9.cfg";
#else
  const std::string &spelled = accented;
#endif
  EXPECT_EQ(0, QEL_EXPORT(MirbReadConfig)(jni.env(), jni.cls(),
                                          jni.String(accented)));
  EXPECT_EQ(spelled, scanner.lastCall(Entry::MIRBReadConfig).texts.at(0));

  const std::string cjk = "\xE6\x97\xA5.cfg";
#if defined(_WIN32)
  EXPECT_EQ(-1,
            QEL_EXPORT(MirbWriteConfig)(jni.env(), jni.cls(), jni.String(cjk)));
  EXPECT_EQ(0, scanner.count(Entry::MIRBWriteConfig));
  EXPECT_THAT(LogFiles::ErrorTexts(),
              ElementsAre("Calling Java_QelScan_QelScanApi_MirbReadConfig()",
                          "Calling Java_QelScan_QelScanApi_MirbWriteConfig()",
                          "Get sFilename error"));
#else
  EXPECT_EQ(0,
            QEL_EXPORT(MirbWriteConfig)(jni.env(), jni.cls(), jni.String(cjk)));
  EXPECT_EQ(cjk, scanner.lastCall(Entry::MIRBWriteConfig).texts.at(0));
  // Linux names files in UTF-8: a character beyond U+FFFF is one
  // four-byte sequence, and the 255 bytes are counted on that form.
  const std::string java = "\xED\xA0\xBD\xED\xB8\x80",
                    disk = "\xF0\x9F\x98\x80";
  const std::string a251(251, 'a');
  const struct {
    std::string name, spelled; // "": refused
  } names[] = {{"a" + java, "a" + disk},
               {a251 + java, a251 + disk}, // 257 bytes of modified UTF-8
               {a251 + "a" + java, ""},
               {"a\xED\xA0\xBD", ""}}; // an unpaired surrogate
  for (const auto &n : names) {
    scanner.reset();
    EXPECT_EQ(
        n.spelled.empty() ? -1 : 0,
        QEL_EXPORT(MirbWriteConfig)(jni.env(), jni.cls(), jni.String(n.name)));
    const auto calls = scanner.calls();
    EXPECT_EQ(n.spelled, calls.empty() ? "" : calls.back().texts.at(0));
  }
#endif
  // Texts that are no file names keep their bytes everywhere.
  EXPECT_EQ(0, QEL_EXPORT(MirbSetParamString)(jni.env(), jni.cls(), 3,
                                              jni.String(cjk)));
  EXPECT_EQ(cjk, scanner.lastCall(Entry::MIRBSetParamString).texts.at(0));
}

} // namespace
