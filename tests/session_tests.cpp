#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "bridge_test.h"

namespace {

using qeltest::Entry;
using qeltest::FakeJni;
using qeltest::Fn;
using qeltest::LogFiles;
using ::testing::ElementsAre;

class SessionTest : public qeltest::BridgeTest {
protected:
  jint InitPath(jstring path, jstring ini, jstring cfg) {
    return QEL_EXPORT(MirbInitPath)(jni.env(), jni.cls(), path, ini, cfg);
  }
};

constexpr const char *kInitCall = "Calling Java_QelScan_QelScanApi_MirbInit()";
constexpr const char *kInitPathCall =
    "Calling Java_QelScan_QelScanApi_MirbInitPath()";
constexpr const char *kRefusal =
    "Incorrect version of MirApi, only support version 15.12 or above";

TEST_F(SessionTest, InitOpensTheSessionFromVersion1512On) {
  for (int version : {1512, 1600}) {
    scanner.reset();
    scanner.setResult(Entry::QELApiVersion, version);
    scanner.setResult(Entry::MIRBInit, -27);
    EXPECT_EQ(-27, QEL_EXPORT(MirbInit)(jni.env(), jni.cls())) << version;
    EXPECT_EQ(1, scanner.count(Entry::MIRBInit)) << version;
  }
  const std::string versionLine = "MirbApi Version = 1600";
  EXPECT_THAT(LogFiles::InfoTexts(),
              ElementsAre(kInitCall, "QelScanApi JNI Version = 1.0.0.0",
                          "MirbApi Version = 1512", kInitCall,
                          "QelScanApi JNI Version = 1.0.0.0", versionLine));
  EXPECT_EQ(LogFiles::InfoTexts(), LogFiles::ErrorTexts());
}

TEST_F(SessionTest, InitRefusesOlderLibrariesWithoutOpening) {
  for (int version : {1511, 0, -1512}) {
    logs.EnableBoth();
    scanner.reset();
    scanner.setResult(Entry::QELApiVersion, version);
    EXPECT_EQ(-1, QEL_EXPORT(MirbInit)(jni.env(), jni.cls()));
    EXPECT_EQ(0, scanner.count(Entry::MIRBInit)) << version;
    const auto expected =
        ElementsAre(kInitCall, "QelScanApi JNI Version = 1.0.0.0",
                    "MirbApi Version = " + std::to_string(version), kRefusal);
    EXPECT_THAT(LogFiles::InfoTexts(), expected);
    EXPECT_THAT(LogFiles::ErrorTexts(), expected);
  }
}

TEST_F(SessionTest, InitWithOnlyTheErrorLogStillRecordsTheVersions) {
  logs.Enable(false, true);
  scanner.setResult(Entry::QELApiVersion, 1512);
  EXPECT_EQ(0, QEL_EXPORT(MirbInit)(jni.env(), jni.cls()));
  EXPECT_THAT(LogFiles::ErrorTexts(),
              ElementsAre(kInitCall, "QelScanApi JNI Version = 1.0.0.0",
                          "MirbApi Version = 1512"));
  EXPECT_FALSE(std::filesystem::exists(LogFiles::Info()));
}

TEST_F(SessionTest, InitPathHandsItsThreeTextsOverAndLogsThemInOrder) {
  scanner.setResult(Entry::MIRBInitPath, 12);
  const std::string dllPath(245, 'p');
  const std::string maxIni(255, 'i');
  EXPECT_EQ(12, InitPath(jni.String(dllPath), jni.String(maxIni),
                         jni.String("C:\\cfg\\scan.cfg")));

  const qeltest::Call call = scanner.lastCall(Entry::MIRBInitPath);
  EXPECT_THAT(call.texts, ElementsAre(dllPath, maxIni, "C:\\cfg\\scan.cfg"));
  // The 255-byte name reaches the library whole; only its log line is cut.
  EXPECT_THAT(LogFiles::InfoTexts(),
              ElementsAre(kInitPathCall, "capPath = " + dllPath,
                          ("capIniFileName = " + maxIni).substr(0, 255),
                          "capCfgFileName = C:\\cfg\\scan.cfg"));
  EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(kInitPathCall));
  EXPECT_EQ(3, jni.calls(Fn::ReleaseStringUTFChars));
}

TEST_F(SessionTest, InitPathRefusesAFileNameHoldingTheNulCharacter) {
  // U+00E9 and the NUL character, which modified UTF-8 writes as C0 80
  // rather than ending the text. The three are file names, and no file
  // name holds a NUL.
  const std::string name = "caf\xc3\xa9\xc0\x80.ini";
  EXPECT_EQ(-1, InitPath(jni.String("x"), jni.String(name), jni.String("y")));
  EXPECT_THAT(LogFiles::ErrorTexts(),
              ElementsAre(kInitPathCall, "Get sIniFileName error"));
  EXPECT_EQ(0, scanner.count(Entry::MIRBInitPath));
}

TEST_F(SessionTest, InitPathStopsAtTheFirstStringThatCannotBeFetched) {
  struct Case {
    int failing; // which GetStringUTFChars call fails
    const char *message;
    std::vector<std::string> infoAfterCall;
  };
  const Case cases[] = {
      {1, "Get sDLLPath error", {}},
      {2, "Get sIniFileName error", {"capPath = a"}},
      {3, "Get sCfgFileName error", {"capPath = a", "capIniFileName = b"}},
  };
  for (const Case &c : cases) {
    logs.EnableBoth();
    scanner.reset();
    FakeJni local;
    local.FailCall(Fn::GetStringUTFChars, c.failing);
    EXPECT_EQ(-1, QEL_EXPORT(MirbInitPath)(local.env(), local.cls(),
                                           local.String("a"), local.String("b"),
                                           local.String("c")));
    EXPECT_EQ("java/lang/OutOfMemoryError", local.pendingException());
    local.ClearException();
    EXPECT_EQ(0, scanner.count(Entry::MIRBInitPath)) << c.message;
    std::vector<std::string> info{kInitPathCall};
    info.insert(info.end(), c.infoAfterCall.begin(), c.infoAfterCall.end());
    EXPECT_EQ(info, LogFiles::InfoTexts()) << c.message;
    EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre(kInitPathCall, c.message));
    local.ExpectNothingHeld();
  }
}

TEST_F(SessionTest,
       InitPathRefusesNullAndOverlongStringsWithoutCallingTheLibrary) {
  EXPECT_EQ(-1, InitPath(jni.String("a"), nullptr, jni.String("c")));
  EXPECT_THAT(LogFiles::ErrorTexts(),
              ElementsAre(kInitPathCall, "Get sIniFileName error"));

  logs.EnableBoth();
  EXPECT_EQ(-1, InitPath(jni.String("a"), jni.String("b"),
                         jni.String(std::string(256, 'c'))));
  EXPECT_THAT(LogFiles::ErrorTexts(),
              ElementsAre(kInitPathCall,
                          "sCfgFileName is longer than 255 bytes error"));
  EXPECT_EQ(0, scanner.count(Entry::MIRBInitPath));
  EXPECT_EQ(jni.calls(Fn::GetStringUTFChars),
            jni.calls(Fn::ReleaseStringUTFChars));
}

TEST_F(SessionTest, ExitAndDebugPassThrough) {
  scanner.setResult(Entry::MIRBExit, -3);
  scanner.setResult(Entry::MIRBDebug, 9);
  EXPECT_EQ(-3, QEL_EXPORT(MirbExit)(jni.env(), jni.cls()));
  EXPECT_EQ(9, QEL_EXPORT(MirbDebug)(jni.env(), jni.cls(), -77));
  EXPECT_THAT(scanner.lastCall(Entry::MIRBDebug).ints, ElementsAre(-77));
  const auto calls = ElementsAre("Calling Java_QelScan_QelScanApi_MirbExit()",
                                 "Calling Java_QelScan_QelScanApi_MirbDebug()");
  EXPECT_THAT(LogFiles::InfoTexts(), calls);
  EXPECT_THAT(LogFiles::ErrorTexts(), calls);
}

TEST_F(SessionTest, LoggingOffChangesNoResult) {
  logs.Enable(false, false);
  scanner.setResult(Entry::QELApiVersion, 1511);
  EXPECT_EQ(-1, QEL_EXPORT(MirbInit)(jni.env(), jni.cls()));
  EXPECT_EQ(0, InitPath(jni.String("a"), jni.String("b"), jni.String("c")));
  EXPECT_FALSE(std::filesystem::exists(LogFiles::Info()));
  EXPECT_FALSE(std::filesystem::exists(LogFiles::Error()));
  EXPECT_THAT(scanner.lastCall(Entry::MIRBInitPath).texts,
              ElementsAre("a", "b", "c"));
}

} // namespace
