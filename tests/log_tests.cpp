#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>

#include "bridge/log.h"
#include "log_files.h"

namespace {

using qeltest::LogFiles;
using ::testing::ElementsAre;
namespace fs = std::filesystem;

class LogTest : public ::testing::Test {
protected:
  LogFiles logs;
};

TEST(LogEntryTest, StampsTheLocalTimeBeforeTheTextWithTheLineBreakFirst) {
  char entry[512];
  const qel::LocalTime time{2016, 1, 27, 20, 31, 52, 7};
  qel::FormatLogEntry(entry, sizeof entry, time, "abc");
  EXPECT_STREQ("\n2016/01/27 20:31:52 007 --->abc", entry);

  const qel::LocalTime early{2026, 12, 8, 0, 0, 5, 999};
  qel::FormatLogEntry(entry, sizeof entry, early, "x");
  EXPECT_STREQ("\n2026/12/08 00:00:05 999 --->x", entry);
}

TEST_F(LogTest, FilesThatStartEmptyGetOneEntryPerCallAndNoTrailingBreak) {
  logs.EnableBoth();
  qel::LogInfo("first");
  qel::LogInfo("second");
  const std::string content = LogFiles::Read(LogFiles::Info());
  ASSERT_EQ(2 * (1 + 23 + 5) + 5 + 6, content.size()) << content;
  EXPECT_EQ('\n', content.front());
  EXPECT_EQ('d', content.back());
  for (const qeltest::LogEntry &entry : LogFiles::Entries(LogFiles::Info())) {
    // "yyyy/mm/dd hh:mm:ss mmm"
    const std::string shape = "dddd/dd/dd dd:dd:dd ddd";
    ASSERT_EQ(shape.size(), entry.stamp.size());
    for (std::size_t i = 0; i < shape.size(); ++i) {
      EXPECT_TRUE(shape[i] == 'd' ? std::isdigit(entry.stamp[i]) != 0
                                  : shape[i] == entry.stamp[i])
          << entry.stamp;
    }
  }
  EXPECT_THAT(LogFiles::InfoTexts(), ElementsAre("first", "second"));
  EXPECT_EQ("", LogFiles::Read(LogFiles::Error()));
}

TEST_F(LogTest, TextIsWrittenLiterally) {
  logs.EnableBoth();
  qel::LogError("100% done %s %d\nnext line");
  EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre("100% done %s %d\nnext line"));
}

TEST_F(LogTest, EachHelperWritesOnlyItsOwnFiles) {
  logs.EnableBoth();
  qel::LogInfo("info only");
  qel::LogError("error only");
  qel::LogBoth("both");
  EXPECT_THAT(LogFiles::InfoTexts(), ElementsAre("info only", "both"));
  EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre("error only", "both"));
}

TEST_F(LogTest, LogBothStampsBothFilesWithOneReadingOfTheClock) {
  logs.EnableBoth();
  // Repeated so that a second clock reading would, sooner or later, cross a
  // millisecond between the two files.
  for (int i = 0; i < 200; ++i) {
    qel::LogBoth("tick");
  }
  const auto info = LogFiles::Entries(LogFiles::Info());
  const auto error = LogFiles::Entries(LogFiles::Error());
  ASSERT_EQ(200u, info.size());
  ASSERT_EQ(200u, error.size());
  for (std::size_t i = 0; i < info.size(); ++i) {
    EXPECT_EQ(info[i].stamp, error[i].stamp) << "entry " << i;
  }
}

TEST_F(LogTest, AbsentFilesAreNeverCreated) {
  qel::LogInfo("a");
  qel::LogError("b");
  qel::LogBoth("c");
  EXPECT_FALSE(fs::exists(LogFiles::Info()));
  EXPECT_FALSE(fs::exists(LogFiles::Error()));
}

TEST_F(LogTest, OnlyTheErrorLogPresentReceivesErrorsAndBothButNoInfo) {
  logs.Enable(false, true);
  qel::LogInfo("info");
  qel::LogBoth("both");
  qel::LogError("error");
  EXPECT_FALSE(fs::exists(LogFiles::Info()));
  EXPECT_THAT(LogFiles::ErrorTexts(), ElementsAre("both", "error"));
}

TEST_F(LogTest, SwitchingAFileOffAndOnTakesEffectAtTheNextLine) {
  logs.EnableBoth();
  qel::LogInfo("on");
  fs::remove(LogFiles::Info());
  qel::LogInfo("off");
  EXPECT_FALSE(fs::exists(LogFiles::Info()));
  std::ofstream(LogFiles::Info()).flush();
  qel::LogInfo("on again");
  EXPECT_THAT(LogFiles::InfoTexts(), ElementsAre("on again"));
}

TEST_F(LogTest, DirectoryNamedLikeALogFileExistsButReceivesNothing) {
  fs::create_directory(LogFiles::Info());
  EXPECT_TRUE(qel::FileExists(LogFiles::Info().string().c_str()));
  qel::LogBoth("lost");
  EXPECT_TRUE(fs::is_directory(LogFiles::Info()));
  EXPECT_TRUE(fs::is_empty(LogFiles::Info()));
  EXPECT_FALSE(qel::FileExists((LogFiles::Info() / "none").string().c_str()));
}

TEST_F(LogTest, TextsAreHandledInFullUpTo255AndCutBeyond) {
  logs.EnableBoth();
  const std::string full(255, 'a');
  const std::string longer = std::string(255, 'b') + "tail";

  qel::Text buffer;
  EXPECT_EQ(255, qel::FormatText(buffer, "%s", full.c_str()));
  EXPECT_EQ(full, buffer);
  EXPECT_EQ(255, qel::FormatText(buffer, "capPath = %s", longer.c_str()));
  EXPECT_EQ(("capPath = " + longer).substr(0, 255), buffer);

  qel::CopyText(buffer, full.c_str());
  EXPECT_EQ(full, buffer);
  qel::CopyText(buffer, longer.c_str());
  EXPECT_EQ(longer.substr(0, 255), buffer);

  qel::LogInfo(longer.c_str());
  EXPECT_THAT(LogFiles::InfoTexts(), ElementsAre(longer.substr(0, 255)));
}

} // namespace
