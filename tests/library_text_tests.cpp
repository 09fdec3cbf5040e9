// Texts from the library reach Java as modified UTF-8, whatever bytes the
// library wrote; the trace keeps its bytes. The test JNI environment
// refuses any other bytes for a new string.
#include <string>

#include "bridge_test.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

using qeltest::Entry;
using qeltest::LogFiles;
using ::testing::Contains;

const std::string kFffd = "\xEF\xBF\xBD";

std::string Repeat(const std::string &unit, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) {
    all += unit;
  }
  return all;
}

// Other texts than modified or standard UTF-8 are read in the ANSI code
// page on Windows; the expected characters are those of code page 1252,
// Wine's default.
#if defined(_WIN32)
constexpr bool kAnsi = true;
bool Ansi1252() { return GetACP() == 1252; }
#else
constexpr bool kAnsi = false;
bool Ansi1252() { return false; }
#endif

// The expected text, or null for an ANSI code page the test does not know.
const std::string *Expected(const std::string &elsewhere,
                            const std::string &in1252) {
  if (!kAnsi || in1252.empty()) {
    return &elsewhere;
  }
  return Ansi1252() ? &in1252 : nullptr;
}

class LibraryTextTest : public qeltest::BridgeTest {};

TEST_F(LibraryTextTest, ACodeLineBecomesModifiedUtf8) {
  struct Case {
    const char *what;
    std::string library;
    std::string java;     // elsewhere, and on Windows for UTF-8 forms
    std::string java1252; // on Windows, code page 1252; "" as `java`
  };
  const Case cases[] = {
      {"modified UTF-8, NUL and surrogate pair included",
       "T1T caf\xC3\xA9 \xC0\x80 \xED\xA0\xBD\xED\xB8\x80",
       "T1T caf\xC3\xA9 \xC0\x80 \xED\xA0\xBD\xED\xB8\x80", ""},
      {"standard UTF-8 beyond U+FFFF", "\xF0\x9F\x98\x80 caf\xC3\xA9",
       "\xED\xA0\xBD\xED\xB8\x80 caf\xC3\xA9", ""},
      {"a cut sequence and a stray byte",
       "U001001U T249239726T \xE2\x82\xFF 4820173659U",
       "U001001U T249239726T " + Repeat(kFffd, 3) + " 4820173659U",
       "U001001U T249239726T \xC3\xA2\xE2\x80\x9A\xC3\xBF 4820173659U"},
      {"overlong forms", "\xC1\xBF\xE0\x9F\xBF", Repeat(kFffd, 5),
       "\xC3\x81\xC2\xBF\xC3\xA0\xC5\xB8\xC2\xBF"},
      {"255 bytes each of three", std::string(255, '\xFF'), Repeat(kFffd, 255),
       Repeat("\xC3\xBF", 255)},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    logs.EnableBoth();
    scanner.reset();
    scanner.setText(Entry::QELGetOcrMicr, 0, c.library);
    const jobjectArray code = jni.StringArray({"c"});
    EXPECT_EQ(0, QEL_EXPORT(QelScanGetOcrMicr)(jni.env(), jni.cls(), code,
                                               jni.StringArray({"k"})));
    if (const std::string *java = Expected(c.java, c.java1252)) {
      EXPECT_EQ(*java, jni.element(code, 0));
    }
    EXPECT_THAT(LogFiles::InfoTexts(),
                Contains(("acMICR = " + c.library).substr(0, 255)));
  }
}

// The parameter text has no bound: valid, it passes whole; converted, it
// is cut to the conversion's buffer, and the trace says so.
TEST_F(LibraryTextTest, AParameterTextIsCutOnlyWhenConverted) {
  const struct {
    std::string library, java, java1252;
  } cases[] = {
      {std::string(600, '\xFF'), Repeat(kFffd, 255), Repeat("\xC3\xBF", 382)},
      // Longer than the buffer before it is converted.
      {"\xFF" + std::string(800, 'a'), kFffd + std::string(762, 'a'),
       "\xC3\xBF" + std::string(763, 'a')},
  };
  for (const auto &c : cases) {
    logs.EnableBoth();
    scanner.setParamString(c.library.c_str());
    const jstring result =
        QEL_EXPORT(MirbGetParamString)(jni.env(), jni.cls(), 7);
    ASSERT_NE(nullptr, result);
    if (const std::string *java = Expected(c.java, c.java1252)) {
      EXPECT_EQ(*java, jni.text(result));
    }
    jni.env()->DeleteLocalRef(result);
    EXPECT_THAT(LogFiles::InfoTexts(),
                Contains("pacParameter cut to 765 bytes"));
  }
}

} // namespace
