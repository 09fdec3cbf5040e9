#include <string>

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

class ParametersTest : public qeltest::BridgeTest {};

TEST_F(ParametersTest, NumericParametersPassStraightThrough) {
  scanner.setResult(Entry::MIRBSetParam, -4);
  scanner.setResult(Entry::MIRBGetParam, 300);
  EXPECT_EQ(-4, QEL_EXPORT(MirbSetParam)(jni.env(), jni.cls(), 17, -9));
  EXPECT_EQ(300, QEL_EXPORT(MirbGetParam)(jni.env(), jni.cls(), 17));
  EXPECT_THAT(scanner.lastCall(Entry::MIRBSetParam).ints, ElementsAre(17, -9));
  EXPECT_THAT(scanner.lastCall(Entry::MIRBGetParam).ints, ElementsAre(17));
  const auto lines =
      ElementsAre("Calling Java_QelScan_QelScanApi_MirbSetParam()",
                  "Calling Java_QelScan_QelScanApi_MirbGetParam()");
  EXPECT_THAT(LogFiles::InfoTexts(), lines);
  EXPECT_THAT(LogFiles::ErrorTexts(), lines);
}

TEST_F(ParametersTest, SetParamStringHandsOverUpTo255BytesWhole) {
  scanner.setResult(Entry::MIRBSetParamString, 5);
  const std::string shortValue(249, 'v');
  const std::string longValue(255, 'w');
  EXPECT_EQ(5, QEL_EXPORT(MirbSetParamString)(jni.env(), jni.cls(), 3,
                                              jni.String(shortValue)));
  EXPECT_EQ(5, QEL_EXPORT(MirbSetParamString)(jni.env(), jni.cls(), 4,
                                              jni.String(longValue)));
  const auto calls = scanner.calls();
  ASSERT_EQ(2u, calls.size());
  EXPECT_EQ(shortValue, calls[0].texts.at(0));
  EXPECT_EQ(longValue, calls[1].texts.at(0));
  EXPECT_THAT(calls[1].ints, ElementsAre(4));
  const std::string call =
      "Calling Java_QelScan_QelScanApi_MirbSetParamString()";
  EXPECT_THAT(LogFiles::InfoTexts(),
              ElementsAre(call, "cap = " + shortValue, call,
                          ("cap = " + longValue).substr(0, 255)));
  EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(call, call));
}

TEST_F(ParametersTest, StringArgumentsThatCannotBeHadAreRefused) {
  struct Case {
    const char *name;
    jint (*run)(JNIEnv *, jstring);
    const char *message;
    const char *tooLong;
    Entry entry;
  };
  const Case cases[] = {
      {"MirbSetParamString",
       [](JNIEnv *env, jstring s) {
         return QEL_EXPORT(MirbSetParamString)(env, nullptr, 1, s);
       },
       "Get sParamString error", "sParamString is longer than 255 bytes error",
       Entry::MIRBSetParamString},
      {"MirbReadConfig",
       [](JNIEnv *env, jstring s) {
         return QEL_EXPORT(MirbReadConfig)(env, nullptr, s);
       },
       "Get sFilename error", "sFilename is longer than 255 bytes error",
       Entry::MIRBReadConfig},
      {"MirbWriteConfig",
       [](JNIEnv *env, jstring s) {
         return QEL_EXPORT(MirbWriteConfig)(env, nullptr, s);
       },
       "Get sFilename error", "sFilename is longer than 255 bytes error",
       Entry::MIRBWriteConfig},
  };
  for (const Case &c : cases) {
    const std::string call =
        std::string("Calling Java_QelScan_QelScanApi_") + c.name + "()";
    // A failed fetch, a null reference and an over-long text.
    logs.EnableBoth();
    jni.FailCall(Fn::GetStringUTFChars);
    EXPECT_EQ(-1, c.run(jni.env(), jni.String("x")));
    EXPECT_EQ("java/lang/OutOfMemoryError", jni.pendingException());
    jni.ClearException();
    EXPECT_EQ(-1, c.run(jni.env(), nullptr));
    EXPECT_EQ(-1, c.run(jni.env(), jni.String(std::string(256, 'x'))));
    EXPECT_THAT(LogFiles::ErrorTexts(),
                ElementsAre(call, c.message, call, c.message, call, c.tooLong))
        << c.name;
    EXPECT_THAT(LogFiles::InfoTexts(), ElementsAre(call, call, call));
    EXPECT_EQ(0, scanner.count(c.entry)) << c.name;
  }
}

TEST_F(ParametersTest, ReadAndWriteConfigDifferOnlyInCallLineAndEntry) {
  scanner.setResults(Entry::MIRBReadConfig, {-2});
  scanner.setResults(Entry::MIRBWriteConfig, {7});
  const std::string file = "/var/scan/branch 12.cfg";
  EXPECT_EQ(-2,
            QEL_EXPORT(MirbReadConfig)(jni.env(), jni.cls(), jni.String(file)));
  EXPECT_EQ(
      7, QEL_EXPORT(MirbWriteConfig)(jni.env(), jni.cls(), jni.String(file)));
  EXPECT_THAT(scanner.entries(),
              ElementsAre(Entry::MIRBReadConfig, Entry::MIRBWriteConfig));
  EXPECT_EQ(file, scanner.lastCall(Entry::MIRBReadConfig).texts.at(0));
  EXPECT_EQ(file, scanner.lastCall(Entry::MIRBWriteConfig).texts.at(0));
  EXPECT_THAT(LogFiles::InfoTexts(),
              ElementsAre("Calling Java_QelScan_QelScanApi_MirbReadConfig()",
                          "cap = " + file,
                          "Calling Java_QelScan_QelScanApi_MirbWriteConfig()",
                          "cap = " + file));
}

TEST_F(ParametersTest, GetParamStringReturnsTheLibrarysTextUncut) {
  const std::string value = "caf\xc3\xa9 " + std::string(300, 'z');
  scanner.setParamString(value.c_str());
  const jstring result =
      QEL_EXPORT(MirbGetParamString)(jni.env(), jni.cls(), 42);
  ASSERT_NE(nullptr, result);
  EXPECT_EQ(value, jni.text(result));
  jni.env()->DeleteLocalRef(result);
  EXPECT_THAT(scanner.lastCall(Entry::MIRBGetParamString).ints,
              ElementsAre(42));
  EXPECT_THAT(
      LogFiles::InfoTexts(),
      ElementsAre("Calling Java_QelScan_QelScanApi_MirbGetParamString()",
                  ("pacParameter = " + value).substr(0, 255)));
}

// Not modified UTF-8: converted (tests/registration_and_reread_tests.cpp
// has the forms), and cut to the conversion's 765 bytes. On Windows it is
// read in the ANSI code page, 1252 under Wine.
TEST_F(ParametersTest, GetParamStringCutsOnlyATextItConverted) {
  const std::string value = "\xFF\xFF" + std::string(800, 'a');
  scanner.setParamString(value.c_str());
  const jstring result =
      QEL_EXPORT(MirbGetParamString)(jni.env(), jni.cls(), 1);
#if defined(_WIN32)
  if (GetACP() == 1252) {
    EXPECT_EQ("\xC3\xBF\xC3\xBF" + std::string(761, 'a'), jni.text(result));
  }
#else
  EXPECT_EQ("\xEF\xBF\xBD\xEF\xBF\xBD" + std::string(759, 'a'),
            jni.text(result));
#endif
  jni.env()->DeleteLocalRef(result);
  EXPECT_THAT(LogFiles::InfoTexts(), Contains("pacParameter cut to 765 bytes"));
}

TEST_F(ParametersTest, GetParamStringTurnsANullTextIntoANullString) {
  scanner.setParamString(nullptr);
  EXPECT_EQ(nullptr, QEL_EXPORT(MirbGetParamString)(jni.env(), jni.cls(), 1));
  EXPECT_EQ(0, jni.calls(Fn::NewStringUTF));
  EXPECT_THAT(
      LogFiles::InfoTexts(),
      ElementsAre("Calling Java_QelScan_QelScanApi_MirbGetParamString()",
                  "pacParameter is NULL"));
}

TEST_F(ParametersTest, GetParamStringLeavesTheOutOfMemoryErrorToTheCaller) {
  scanner.setParamString("value");
  jni.FailCall(Fn::NewStringUTF);
  EXPECT_EQ(nullptr, QEL_EXPORT(MirbGetParamString)(jni.env(), jni.cls(), 1));
  EXPECT_EQ("java/lang/OutOfMemoryError", jni.pendingException());
  jni.ClearException();
  EXPECT_THAT(
      LogFiles::ErrorTexts(),
      ElementsAre("Calling Java_QelScan_QelScanApi_MirbGetParamString()"));
}

} // namespace
