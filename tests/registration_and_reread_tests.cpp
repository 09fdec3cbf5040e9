// Special-document registration (plain and extended) and the code-line
// reread.
#include <string>
#include <vector>

#include "bridge_test.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

using qeltest::Entry;
using qeltest::Fn;
using qeltest::LogFiles;
using ::testing::Contains;
using ::testing::ElementsAre;

struct Twin {
  const char *method;
  Entry entry;
  std::vector<int> ints; // as the library must receive them
  jint (*run)(JNIEnv *, jstring, jstring);
};

const Twin kTwins[] = {
    {"QelScanSetSpecialDocument",
     Entry::QELSetSpecialDocument,
     {1, -2, 0, 5, -6, 7},
     [](JNIEnv *e, jstring r, jstring a) {
       return QEL_EXPORT(QelScanSetSpecialDocument)(e, nullptr, 1, -2, r, a, 0,
                                                    5, -6, 7);
     }},
    {"QelScanSetSpecialDocumentEx",
     Entry::QELSetSpecialDocumentEx,
     {1, -2, 0, 5, -6, 7, 8, 9, 10, 11, 12, -13},
     [](JNIEnv *e, jstring r, jstring a) {
       return QEL_EXPORT(QelScanSetSpecialDocumentEx)(
           e, nullptr, 1, -2, r, a, 0, 5, -6, 7, 8, 9, 10, 11, 12, -13);
     }},
};

void PrintTo(const Twin &twin, std::ostream *out) { *out << twin.method; }

class SpecialDocumentTest : public qeltest::BridgeTest,
                            public ::testing::WithParamInterface<Twin> {
public:
  // These call lines have no leading "Calling ".
  std::string CallLine() const {
    return std::string("Java_QelScan_QelScanApi_") + GetParam().method + "()";
  }
};

TEST_P(SpecialDocumentTest, PassesEverythingThroughInJavaOrder) {
  scanner.setResult(GetParam().entry, 31);
  EXPECT_EQ(31,
            GetParam().run(jni.env(), jni.String("021000021"), jni.String("")));
  const qeltest::Call call = scanner.lastCall(GetParam().entry);
  EXPECT_EQ(GetParam().ints, call.ints);
  EXPECT_THAT(call.texts, ElementsAre("021000021", ""));
  EXPECT_THAT(LogFiles::InfoTexts(),
              ElementsAre(CallLine(), "acRouting = 021000021", "acAccount = "));
  EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(CallLine()));
}

TEST_P(SpecialDocumentTest, RefusesAnAbsentNumberRoutingFirst) {
  struct Case {
    const char *message;
    jstring routing, account;
    jstring failing; // whose fetch fails
  };
  const jstring routing = jni.String("021000021");
  const jstring account = jni.String("123");
  const Case cases[] = {
      {"Routing string is NULL error", nullptr, nullptr, nullptr},
      {"Get Routing error", routing, account, routing},
      {"Routing is longer than 255 bytes error",
       jni.String(std::string(256, '1')), account, nullptr},
      {"Account string is NULL error", routing, nullptr, nullptr},
      {"Get Account error", routing, account, account},
  };
  for (const Case &c : cases) {
    logs.EnableBoth();
    if (c.failing != nullptr) {
      jni.FailCall(Fn::GetStringUTFChars, c.failing == routing ? 1 : 2);
    }
    EXPECT_EQ(-1, GetParam().run(jni.env(), c.routing, c.account)) << c.message;
    jni.ClearException();
    EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(CallLine(), c.message));
    EXPECT_EQ(0, scanner.count(GetParam().entry)) << c.message;
  }
}

INSTANTIATE_TEST_SUITE_P(Twins, SpecialDocumentTest,
                         ::testing::ValuesIn(kTwins),
                         [](const ::testing::TestParamInfo<Twin> &info) {
                           return std::string(info.param.method);
                         });

class OcrMicrTest : public qeltest::BridgeTest {
public:
  jint Run() {
    return QEL_EXPORT(QelScanGetOcrMicr)(jni.env(), jni.cls(), code,
                                         confidence);
  }
  void Reset() {
    code = jni.StringArray({"c", "keep"});
    confidence = jni.StringArray({"k"});
    logs.EnableBoth();
    scanner.reset();
    scanner.setResult(Entry::QELGetOcrMicr, -102);
    scanner.setText(Entry::QELGetOcrMicr, 0, "T1T 2U");
    scanner.setText(Entry::QELGetOcrMicr, 1, "999799");
  }

  jobjectArray code, confidence;
  const std::string call =
      "Calling Java_QelScan_QelScanApi_QelScanGetOcrMicr()";
};

TEST_F(OcrMicrTest, DeliversBothTextsWhateverTheResult) {
  Reset();
  EXPECT_EQ(-102, Run());
  EXPECT_EQ("T1T 2U", jni.element(code, 0));
  EXPECT_EQ("keep", jni.element(code, 1));
  EXPECT_EQ("999799", jni.element(confidence, 0));
  EXPECT_THAT(LogFiles::InfoTexts(),
              ElementsAre(call, "acMICR = T1T 2U", "acMICRConf = 999799"));
}

// Whatever bytes the library wrote, Java gets modified UTF-8 (the test JNI
// environment refuses other bytes) and the trace the library's bytes. On
// Windows other texts are read in the ANSI code page: the expected
// characters are those of 1252, Wine's default.
TEST_F(OcrMicrTest, ACodeLineReachesJavaAsModifiedUtf8) {
  const std::string r = "\xEF\xBF\xBD"; // U+FFFD
  const struct {
    std::string library, java, java1252; // "": as the library's, as java
  } cases[] = {
      {"T1T caf\xC3\xA9 \xC0\x80 \xED\xA0\xBD\xED\xB8\x80", "", ""},
      {"\xF0\x9F\x98\x80 T1T", "\xED\xA0\xBD\xED\xB8\x80 T1T", ""},
      // A cut sequence, a stray byte and an overlong form.
      {"T1T \xE2\x82\xFF \xC1\xBF 2U", "T1T " + r + r + r + " " + r + r + " 2U",
       "T1T \xC3\xA2\xE2\x80\x9A\xC3\xBF \xC3\x81\xC2\xBF 2U"},
  };
  for (const auto &c : cases) {
    Reset();
    scanner.setText(Entry::QELGetOcrMicr, 0, c.library);
    Run();
    EXPECT_THAT(LogFiles::InfoTexts(), Contains("acMICR = " + c.library));
#if defined(_WIN32)
    if (!c.java1252.empty()) {
      if (GetACP() == 1252) {
        EXPECT_EQ(c.java1252, jni.element(code, 0));
      }
      continue;
    }
#endif
    EXPECT_EQ(c.java.empty() ? c.library : c.java, jni.element(code, 0));
  }
}

TEST_F(OcrMicrTest, EachFailureKeepsWhatItMust) {
  struct Case {
    const char *message;
    void (*spoil)(OcrMicrTest &);
    bool called;
    const char *codeAfter;
  };
  const Case cases[] = {
      {"MICR array must be at least 1 element",
       [](OcrMicrTest &t) { t.code = t.jni.StringArray({}); }, false, nullptr},
      {"MICR array must be at least 1 element",
       [](OcrMicrTest &t) { t.code = nullptr; }, false, nullptr},
      {"Get MICR error",
       [](OcrMicrTest &t) { t.code = t.jni.StringArray({std::nullopt}); },
       false, nullptr},
      {"MICRConf array must be at least 1 element",
       [](OcrMicrTest &t) { t.confidence = nullptr; }, false, "c"},
      {"Get MICRConf error",
       [](OcrMicrTest &t) { t.confidence = t.jni.StringArray({std::nullopt}); },
       false, "c"},
      {"Put and Release MICR error",
       [](OcrMicrTest &t) { t.jni.FailCall(Fn::NewStringUTF); }, true, "c"},
      {"Put and Release MICRConf error",
       [](OcrMicrTest &t) { t.jni.FailCall(Fn::NewStringUTF, 2); }, true,
       "T1T 2U"},
  };
  for (const Case &c : cases) {
    Reset();
    c.spoil(*this);
    EXPECT_EQ(-1, Run()) << c.message;
    jni.ClearException();
    EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(call, c.message));
    EXPECT_EQ(c.called ? 1 : 0, scanner.count(Entry::QELGetOcrMicr))
        << c.message;
    if (c.codeAfter != nullptr) {
      EXPECT_EQ(c.codeAfter, jni.element(code, 0)) << c.message;
    }
    if (c.called) {
      EXPECT_EQ("k", jni.element(confidence, 0)) << c.message;
    }
  }
}

} // namespace
