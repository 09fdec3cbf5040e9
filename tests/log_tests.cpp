#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bridge/log.h"
#include "log_files.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <future>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
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
  EXPECT_EQ(4u,
            qel::ToCrLf("\nabcdef", small, sizeof small)); // never past the end
  EXPECT_STREQ("\r\nab", small);
}

// Windows keeps appends through FILE_APPEND_DATA from overwriting each
// other and removes a deleted file once its last handle is closed; Wine's
// emulation does neither, so under Wine concurrent appends can lose or mix
// lines and a file deleted under busy writers may never go. There these
// tests only show that nothing crashes and report what they saw.
bool UnderWine() {
#if defined(_WIN32)
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") !=
         nullptr;
#else
  return false;
#endif
}

TEST_F(LogTest, ConcurrentWritersLeaveEveryLineWholeAndNoneLost) {
  logs.EnableBoth();
  constexpr int kThreads = 8;
  constexpr int kLines = 250;
  const std::string padding(180, '.');
  std::vector<std::thread> writers;
  writers.reserve(kThreads);
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
    int torn = 0;
    for (const std::string &text : LogFiles::Texts(file)) {
      const bool whole = text.size() > padding.size() &&
                         text.compare(text.size() - padding.size(),
                                      padding.size(), padding) == 0;
      torn += whole ? 0 : 1;
      EXPECT_TRUE(UnderWine() || whole) << "torn: " << text;
      EXPECT_TRUE(seen.insert(text).second) << "twice: " << text;
    }
    const std::size_t written = std::size_t{kThreads} * kLines;
    if (!UnderWine()) {
      EXPECT_EQ(written, seen.size()) << file;
    } else if (seen.size() != written || torn != 0) {
      std::printf(
          "note: under Wine %u of %u lines kept whole in %s, %d mixed\n",
          static_cast<unsigned>(seen.size() - torn),
          static_cast<unsigned>(written), file.string().c_str(), torn);
    }
  }
}

TEST_F(LogTest, FilesDeletedUnderRunningWritersStayDeletedAndResumeWhole) {
  if (UnderWine()) {
    GTEST_SKIP() << "Wine may never remove a file deleted under busy writers";
  }
  logs.EnableBoth();
  std::atomic<bool> stop{false};
  std::vector<std::thread> writers;
  struct Join { // the writers end before the test does, whatever fails
    std::atomic<bool> &stop;
    std::vector<std::thread> &writers;
    ~Join() {
      stop = true;
      for (std::thread &writer : writers) {
        if (writer.joinable()) {
          writer.join();
        }
      }
    }
  } join{stop, writers};
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([t, &stop] {
      char text[64];
      std::snprintf(text, sizeof text, "writer %d of four", t);
      while (!stop) {
        qel::LogBoth(text);
      }
    });
  }
  // On Windows a file open elsewhere is only gone once its last handle is
  // closed, and cannot be created anew before: wait for both.
  const auto within = [](const std::function<bool()> &done) {
    for (int ms = 0; ms < 2000 && !done(); ++ms) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  };
  const auto present = [] {
    return fs::exists(LogFiles::Info()) && fs::exists(LogFiles::Error());
  };
  const auto absent = [] {
    return !fs::exists(LogFiles::Info()) && !fs::exists(LogFiles::Error());
  };
  bool recreated = false;
  for (int flip = 0; flip < 10; ++flip) {
    ASSERT_TRUE(within([] {
      LogFiles::Remove();
      return !fs::exists(LogFiles::Info()) && !fs::exists(LogFiles::Error());
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    recreated = recreated || !absent();
    ASSERT_TRUE(within([&] {
      for (const fs::path &file : {LogFiles::Info(), LogFiles::Error()}) {
        if (!fs::exists(file)) {
          std::ofstream(file).flush();
        }
      }
      return present();
    }));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  stop = true;
  for (std::thread &writer : writers) {
    writer.join();
  }
  EXPECT_FALSE(recreated) << "a deleted log file came back";
  for (const fs::path &file : {LogFiles::Info(), LogFiles::Error()}) {
    const std::vector<std::string> texts = LogFiles::Texts(file);
    EXPECT_FALSE(texts.empty()) << file;
    for (const std::string &text : texts) {
      ASSERT_EQ(0u, text.rfind("writer ", 0)) << text;
      ASSERT_EQ(text.size() - 8, text.find(" of four")) << text;
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
  EXPECT_THAT(LogFiles::ErrorTexts(),
              ElementsAre("100% done %s %d\nnext line"));
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

#if !defined(_WIN32)
// Anyone may create files in /tmp: what another user put at a log file's
// name gets no line, and never makes a call wait. A hard link may name a
// file of root's that she can read.
TEST_F(LogTest, ForeignFifoLinkOrFileAtALogNameGetsNothingAndNoCallWaits) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root, to give a file to the user nobody";
  }
  const std::string path = LogFiles::Info().string();
  const fs::path target = LogFiles::Info().string() + ".target";
  const passwd *nobody = getpwnam("nobody");
  struct Case {
    const char *what;
    std::function<void()> plant;
  } cases[] = {
      {"FIFO", [&] { ASSERT_EQ(0, mkfifo(path.c_str(), 0666)); }},
      {"symbolic link",
       [&] {
         std::ofstream(target) << "untouched";
         fs::create_symlink(target, path);
       }},
      {"another user's file",
       [&] {
         std::ofstream(path).flush();
         ASSERT_NE(nullptr, nobody);
         ASSERT_EQ(0, chown(path.c_str(), nobody->pw_uid, nobody->pw_gid));
         ASSERT_EQ(0, chmod(path.c_str(), 0666));
       }},
      {"hard link",
       [&] {
         std::ofstream(target) << "untouched";
         fs::create_hard_link(target, path);
       }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    LogFiles::Remove();
    fs::remove(target);
    c.plant();
    // A call that waits (an open of a FIFO without a reader) is released
    // by opening the reader, so the test fails rather than hangs.
    std::future<void> call =
        std::async(std::launch::async, [] { qel::LogInfo("foreign"); });
    const bool returned =
        call.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    const int reader =
        fs::is_fifo(path) ? open(path.c_str(), O_RDONLY | O_NONBLOCK) : -1;
    call.wait();
    EXPECT_TRUE(returned) << "the call waited";
    if (reader >= 0) {
      char byte;
      EXPECT_GE(0, read(reader, &byte, 1)) << "a line went into the FIFO";
      close(reader);
    } else if (fs::is_symlink(path) || fs::hard_link_count(path) > 1) {
      EXPECT_EQ("untouched", LogFiles::Read(target));
    } else {
      EXPECT_EQ(0u, fs::file_size(path));
    }
  }
  fs::remove(target);
}
#endif

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
