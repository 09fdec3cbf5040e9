#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bridge/log.h"
#include "log_files.h"

#if defined(_WIN32)
#include <windows.h>
#endif

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

TEST(LogEntryTest, WindowsEntriesEndEveryLineWithCarriageReturnLineFeed) {
  char out[64];
  EXPECT_EQ(10u, qel::ToCrLf("\nab\ncd\n", out, sizeof out));
  EXPECT_STREQ("\r\nab\r\ncd\r\n", out);
  char small[5];
  EXPECT_EQ(4u, qel::ToCrLf("\nabcdef", small, sizeof small)); // never past the end
  EXPECT_STREQ("\r\nab", small);
}

// Windows keeps appends through FILE_APPEND_DATA from overwriting each
// other; Wine's emulation does not, so under Wine a line can be lost
// (never torn: every line here has the same length).
bool AppendsNeverOverwrite() {
#if defined(_WIN32)
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr;
#else
  return true;
#endif
}

TEST_F(LogTest, ConcurrentWritersLeaveEveryLineWholeAndNoneLost) {
  logs.EnableBoth();
  constexpr int kThreads = 8;
  constexpr int kLines = 250;
  const std::string padding(180, '.');
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t, &padding] {
      for (int n = 0; n < kLines; ++n) {
        char text[256];
        std::snprintf(text, sizeof text, "writer %d line %03d %s", t, n,
                      padding.c_str());
        qel::LogBoth(text);
      }
    });
  }
  for (std::thread &writer : writers) {
    writer.join();
  }
  for (const fs::path &file : {LogFiles::Info(), LogFiles::Error()}) {
    std::set<std::string> seen;
    for (const std::string &text : LogFiles::Texts(file)) {
      ASSERT_TRUE(text.size() > padding.size() &&
                  text.compare(text.size() - padding.size(), padding.size(), padding) == 0)
          << "torn: " << text;
      EXPECT_TRUE(seen.insert(text).second) << "twice: " << text;
    }
    const std::size_t written = kThreads * kLines;
    if (AppendsNeverOverwrite()) {
      EXPECT_EQ(written, seen.size()) << file;
    } else if (seen.size() != written) {
      std::printf("note: %u of %u lines kept in %s under Wine\n",
                  static_cast<unsigned>(seen.size()), static_cast<unsigned>(written),
                  file.string().c_str());
    }
  }
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
