// Version, session, parameters and configuration files.
#include <cstring>

#include <sys/stat.h>

#include "vs_test.h"

using namespace vstest;

using Version = VirtualScanner;

TEST_F(Version, Is1512UnlessTheEnvironmentSaysOtherwiseOnEachCall) {
  EXPECT_EQ(1512, QELApiVersion());
  setenv("MIRB_VIRTUAL_VERSION", "1511", 1);
  EXPECT_EQ(1511, QELApiVersion());
  setenv("MIRB_VIRTUAL_VERSION", "-42", 1);
  EXPECT_EQ(-42, QELApiVersion());
  setenv("MIRB_VIRTUAL_VERSION", "15.12", 1); // not a whole int: ignored
  EXPECT_EQ(1512, QELApiVersion());
}

using Session = VirtualScanner;

TEST_F(Session, DeviceEntriesAnswerNotInitialisedOutsideASession) {
  char text[256] = "x";
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBExit());
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBStatus());
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBStatusDelay(0, 0));
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBEjectDocument());
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBClearDocument());
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, QELGetScannerType());
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBSetParam(1, 2));
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBGetParam(1));
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBSetParamString(1, "a"));
  EXPECT_EQ(nullptr, MIRBGetParamString(1));
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBWriteConfig(Path("c").c_str()));
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBReadConfig(Path("c").c_str()));
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, QELBatchPrintString("E", 0, 0, 0, 0));
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED,
            QELBatchPrintBMP("E", 0, 0, 0, 0, 0, 0, 0, 0, 0, "F"));
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED,
            QELScanVirtualEndorsement("E", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      0, 0, "F"));
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED,
            QELSetSpecialDocument(0, 0, "1", "2", 0, 0, 0, 0));
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, QELGetOcrMicr(text, text));
  // Library-wide entries work without a session.
  EXPECT_EQ(MIRB_VS_OK, MIRBDebug(3));
  EXPECT_EQ(MIRB_VS_SUPPORTED_SCANNERS, QELApiSupportedScanners());
}

TEST_F(Session, InitOpensAgainIsHarmlessAndExitCloses) {
  EXPECT_EQ(MIRB_VS_OK, MIRBInit());
  EXPECT_EQ(MIRB_VS_OK, MIRBSetParam(5, 55));
  EXPECT_EQ(MIRB_VS_OK, MIRBInit()); // already open: nothing changes
  EXPECT_EQ(55, MIRBGetParam(5));
  // No hopper file named: the default stack is loaded.
  EXPECT_EQ(MIRB_VS_STATUS_READY | MIRB_VS_STATUS_HOPPER_LOADED, MIRBStatus());
  EXPECT_EQ(MIRB_VS_OK, MIRBExit());
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBStatus());
  EXPECT_EQ(MIRB_VS_OK, MIRBInit()); // a new session starts from defaults
  EXPECT_EQ(0, MIRBGetParam(5));
}

TEST_F(Session, OpenResultComesFromTheEnvironment) {
  setenv("MIRB_VIRTUAL_INIT_RESULT", "-7", 1);
  EXPECT_EQ(-7, MIRBInit());
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBStatus()); // negative: closed
  EXPECT_EQ(-7, MIRBInitPath("a", "b", "c"));
  setenv("MIRB_VIRTUAL_INIT_RESULT", "3", 1);
  EXPECT_EQ(3, MIRBInit());
  EXPECT_EQ(MIRB_VS_STATUS_READY | MIRB_VS_STATUS_HOPPER_LOADED,
            MIRBStatus()); // positive: open
}

TEST_F(Session, InitPathRecordsItsTextsAndOpens) {
  const std::string longest(255, 'p');
  ASSERT_EQ(MIRB_VS_OK, MIRBInitPath(longest.c_str(), "my.ini", nullptr));
  EXPECT_EQ(MIRB_VS_STATUS_READY | MIRB_VS_STATUS_HOPPER_LOADED, MIRBStatus());
  EXPECT_EQ(longest, MIRBGetParamString(MIRB_VS_SEL_DLL_PATH));
  EXPECT_STREQ("my.ini", MIRBGetParamString(MIRB_VS_SEL_INI_FILE));
  EXPECT_STREQ("", MIRBGetParamString(MIRB_VS_SEL_CFG_FILE));
  const std::string tooLong(256, 'p');
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, MIRBInitPath("a", tooLong.c_str(), "c"));
  EXPECT_STREQ("my.ini", MIRBGetParamString(MIRB_VS_SEL_INI_FILE));
}

using Parameters = VirtualScanner;

TEST_F(Parameters, NumbersAndTextsRoundTripPerSelector) {
  ASSERT_EQ(MIRB_VS_OK, MIRBInit());
  EXPECT_EQ(MIRB_VS_OK, MIRBSetParam(0, -5));
  EXPECT_EQ(MIRB_VS_OK, MIRBSetParam(255, 123456));
  EXPECT_EQ(-5, MIRBGetParam(0));
  EXPECT_EQ(123456, MIRBGetParam(255));
  EXPECT_EQ(0, MIRBGetParam(17));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, MIRBSetParam(256, 1));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, MIRBGetParam(-1));

  const std::string longest(255, 'v');
  EXPECT_EQ(MIRB_VS_OK, MIRBSetParamString(3, longest.c_str()));
  EXPECT_EQ(longest, MIRBGetParamString(3));
  EXPECT_STREQ("", MIRBGetParamString(4));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
            MIRBSetParamString(3, std::string(256, 'v').c_str()));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, MIRBSetParamString(3, nullptr));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
            MIRBSetParamString(MIRB_VS_SEL_DLL_PATH, "x"));
  EXPECT_EQ(longest, MIRBGetParamString(3));
  EXPECT_EQ(nullptr, MIRBGetParamString(MIRB_VS_SEL_NULL));
  EXPECT_EQ(nullptr, MIRBGetParamString(1000));
}

using Config = VirtualScanner;

TEST_F(Config, WriteChangeReadRestoresEveryParameter) {
  ASSERT_EQ(MIRB_VS_OK, MIRBInit());
  MIRBSetParam(1, 42);
  MIRBSetParam(200, -3);
  MIRBSetParamString(2, "two words\\and a\nline break\r");
  MIRBSetParamString(9, "nine");
  ASSERT_EQ(MIRB_VS_OK, MIRBWriteConfig(Path("scanner.cfg").c_str()));

  MIRBSetParam(1, 0);
  MIRBSetParam(7, 77); // not in the file: back to its default
  MIRBSetParamString(2, "changed");
  MIRBSetParamString(9, "");
  ASSERT_EQ(MIRB_VS_OK, MIRBReadConfig(Path("scanner.cfg").c_str()));
  EXPECT_EQ(42, MIRBGetParam(1));
  EXPECT_EQ(-3, MIRBGetParam(200));
  EXPECT_EQ(0, MIRBGetParam(7));
  EXPECT_STREQ("two words\\and a\nline break\r", MIRBGetParamString(2));
  EXPECT_STREQ("nine", MIRBGetParamString(9));
}

TEST_F(Config, MissingOrMalformedFilesHaveTheirCodesAndChangeNothing) {
  ASSERT_EQ(MIRB_VS_OK, MIRBInit());
  MIRBSetParam(1, 11);
  EXPECT_EQ(MIRB_VS_ERR_FILE, MIRBReadConfig(Path("missing.cfg").c_str()));
  EXPECT_EQ(MIRB_VS_ERR_FILE, MIRBWriteConfig(Path("no/such/dir.cfg").c_str()));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, MIRBReadConfig(nullptr));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, MIRBWriteConfig(""));

  const char *const malformed[] = {
      "",                                       // no header
      "param 1 2\n",                            // no header
      "MIRBAP32-VIRTUAL-CONFIG 2\n",            // other version
      "MIRBAP32-VIRTUAL-CONFIG 1\nparam 1\n",   // no value
      "MIRBAP32-VIRTUAL-CONFIG 1\nparam 1 x\n", // not a number
      "MIRBAP32-VIRTUAL-CONFIG 1\nparam 1 99999999999\n",
      "MIRBAP32-VIRTUAL-CONFIG 1\nparam 256 1\n",   // selector out of range
      "MIRBAP32-VIRTUAL-CONFIG 1\ntext 1 bad\\q\n", // unknown escape
      "MIRBAP32-VIRTUAL-CONFIG 1\nvalue 1 2\n",     // unknown keyword
  };
  for (const char *text : malformed) {
    Spit(Path("bad.cfg"), text);
    EXPECT_EQ(MIRB_VS_ERR_CONFIG_FORMAT,
              MIRBReadConfig(Path("bad.cfg").c_str()))
        << text;
    EXPECT_EQ(11, MIRBGetParam(1)) << text;
  }
  Spit(Path("ok.cfg"), "MIRBAP32-VIRTUAL-CONFIG 1\r\n# comment\r\n\r\n"
                       "param 1 5\r\ntext 4\r\n");
  EXPECT_EQ(MIRB_VS_OK, MIRBReadConfig(Path("ok.cfg").c_str()));
  EXPECT_EQ(5, MIRBGetParam(1));
}

// Files that could stall a call or exhaust memory are refused at once: a
// FIFO no one writes, a device, a file beyond its limit; and a hopper line
// holding a NUL, which would cut its text short in a caller's buffer.
TEST_F(Session, InputsThatCouldStallOrExhaustTheLibraryAreRefusedAtOnce) {
  ASSERT_EQ(0, mkfifo(Path("fifo").c_str(), 0600));
  Spit(Path("lines"), std::string(100001, '\n'));
  Spit(Path("long"), std::string((16 << 20) + 1, '#'));
  Spit(Path("nul"), std::string("T1\0T\n", 5));
  Spit(Path("nul-field"), std::string("T1T\tmemo=a\0b\n", 13));
  Spit(Path("picture"), "T1T\tfront=" + Path("fifo") + "\n");
  Spit(Path("config"),
       "MIRBAP32-VIRTUAL-CONFIG 1\n" + std::string(1 << 20, '#'));
  const struct {
    bool hopper; // else a configuration file
    std::string file;
    int result;
  } inputs[] = {{true, Path("fifo"), MIRB_VS_ERR_HOPPER},
                {true, "/dev/zero", MIRB_VS_ERR_HOPPER},
                {true, Path("lines"), MIRB_VS_ERR_HOPPER},
                {true, Path("long"), MIRB_VS_ERR_HOPPER},
                {true, Path("nul"), MIRB_VS_ERR_HOPPER},
                {true, Path("nul-field"), MIRB_VS_ERR_HOPPER},
                {true, Path("picture"), MIRB_VS_ERR_HOPPER},
                {false, Path("fifo"), MIRB_VS_ERR_FILE},
                {false, "/dev/zero", MIRB_VS_ERR_FILE},
                {false, Path("config"), MIRB_VS_ERR_CONFIG_FORMAT}};
  for (const auto &input : inputs) {
    setenv("MIRB_VIRTUAL_HOPPER", input.hopper ? input.file.c_str() : "", 1);
    EXPECT_EQ(input.hopper ? input.result : MIRB_VS_OK, MIRBInit())
        << input.file;
    if (!input.hopper) {
      EXPECT_EQ(input.result, MIRBReadConfig(input.file.c_str())) << input.file;
      MIRBExit();
    }
  }
}
