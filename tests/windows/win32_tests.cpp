// What only the Windows build can get wrong: the JNI types of a 32-bit
// virtual machine, the names it looks the exports up by, and the log
// folder the DLL was built with.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "bridge/log.h"
#include "exports.h"
#include "log_files.h"
#include "support/fake_jni.h"
#include "support/recording_scanner.h"

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

static_assert(sizeof(void *) == 4, "the Windows bridge is 32-bit");
static_assert(sizeof(jint) == 4 && sizeof(jlong) == 8 && sizeof(jbyte) == 1,
              "JNI types of a 32-bit Windows virtual machine");

namespace {

using qeltest::LogFiles;
using ::testing::Contains;

TEST(Win32ExportTest, MethodsAreFoundOnlyUnderTheirDecoratedName) {
  const HMODULE bridge = qeltest::Bridge();
  EXPECT_NE(nullptr,
            GetProcAddress(bridge, "_Java_QelScan_QelScanApi_MirbStatus@8"));
  for (const char *alias :
       {"Java_QelScan_QelScanApi_MirbStatus",
        "Java_QelScan_QelScanApi_MirbStatus@8",
        "_Java_QelScan_QelScanApi_MirbStatus", "JNI_OnLoad", "JNI_OnLoad@8"}) {
    EXPECT_EQ(nullptr, GetProcAddress(bridge, alias)) << alias;
  }
}

TEST(Win32LogTest, TheDllLogsToTheFilesOfCTemp) {
  EXPECT_STREQ("C:\\Temp\\QelScannerDll_Log.txt", qel::InfoLogPath());
  EXPECT_STREQ("C:\\Temp\\QelScannerDll_Err.txt", qel::ErrorLogPath());

  LogFiles logs;
  logs.EnableBoth();
  qeltest::FakeJni jni;
  qeltest::Scanner scanner;
  scanner.setResult(qeltest::Entry::MIRBStatus, 5);
  EXPECT_EQ(5, QEL_EXPORT(MirbStatus)(jni.env(), jni.cls()));
  const char *call = "Calling Java_QelScan_QelScanApi_MirbStatus()";
  EXPECT_THAT(LogFiles::InfoTexts(), Contains(call));
  EXPECT_THAT(LogFiles::ErrorTexts(), Contains(call));
}

// The log is a text file: Notepad and its kin need CR LF.
TEST(Win32LogTest, TheDllEndsItsLinesWithCarriageReturnLineFeed) {
  LogFiles logs;
  logs.Enable(true, false);
  qeltest::FakeJni jni;
  qeltest::Scanner scanner;
  QEL_EXPORT(MirbStatus)(jni.env(), jni.cls());
  QEL_EXPORT(MirbStatus)(jni.env(), jni.cls());
  std::ifstream in(LogFiles::Info(), std::ios::binary);
  std::ostringstream raw;
  raw << in.rdbuf();
  const std::string entry = "\r\n\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2} "
                            "\\d{3} --->Calling Java_QelScan_QelScanApi_"
                            "MirbStatus\\(\\)";
  EXPECT_TRUE(std::regex_match(raw.str(), std::regex(entry + entry)))
      << raw.str();
}

} // namespace
