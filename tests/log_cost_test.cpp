// With both log files absent a log call must cost one reading of the clock
// and one existence test per file, and allocate nothing; a present file is
// opened for appending only, never created. The calls the log code makes
// are counted, and a race staged, through the linker's --wrap.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bridge/log.h"
#include "log_files.h"

namespace {
int clockReads = 0;
int statCalls = 0;
int opens = 0;
int allocations = 0;
int lastOpenFlags = 0;
int localTimeConversions = 0;
int formats = 0;
// A path deleted right after its existence test, as another process might.
std::string deleteAfterStat;
} // namespace

extern "C" {
int __real_clock_gettime(clockid_t, timespec *);
int __real_stat(const char *, struct stat *);
int __real_open(const char *, int, ...);
void *__real_malloc(std::size_t);
void *__real_calloc(std::size_t, std::size_t);
void *__real_realloc(void *, std::size_t);
std::tm *__real_localtime_r(const std::time_t *, std::tm *);
int __real_vsnprintf(char *, std::size_t, const char *, std::va_list);

int __wrap_clock_gettime(clockid_t clock, timespec *now) {
  ++clockReads;
  return __real_clock_gettime(clock, now);
}
int __wrap_stat(const char *path, struct stat *status) {
  ++statCalls;
  const int result = __real_stat(path, status);
  if (path == deleteAfterStat) {
    unlink(path);
  }
  return result;
}
int __wrap_open(const char *path, int flags, ...) {
  ++opens;
  lastOpenFlags = flags;
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0) {
    std::va_list rest;
    va_start(rest, flags);
    mode = static_cast<mode_t>(va_arg(rest, int));
    va_end(rest);
  }
  return __real_open(path, flags, mode);
}
void *__wrap_malloc(std::size_t size) {
  ++allocations;
  return __real_malloc(size);
}
void *__wrap_calloc(std::size_t count, std::size_t size) {
  ++allocations;
  return __real_calloc(count, size);
}
void *__wrap_realloc(void *block, std::size_t size) {
  ++allocations;
  return __real_realloc(block, size);
}
std::tm *__wrap_localtime_r(const std::time_t *time, std::tm *local) {
  ++localTimeConversions;
  return __real_localtime_r(time, local);
}
int __wrap_vsnprintf(char *out, std::size_t size, const char *format,
                     std::va_list values) {
  ++formats;
  return __real_vsnprintf(out, size, format, values);
}
}

namespace {

void ResetCounts() {
  clockReads = statCalls = opens = allocations = 0;
  localTimeConversions = formats = 0;
}

TEST(LogCostTest, AbsentFilesCostOneClockReadAndOneTestPerFile) {
  qeltest::LogFiles logs;  // both absent
  qel::LogInfo("warm up"); // the first local-time conversion loads the zone

  ResetCounts();
  qel::LogInfo("info");
  EXPECT_EQ(1, clockReads);
  EXPECT_EQ(1, statCalls);

  ResetCounts();
  qel::LogError("error");
  EXPECT_EQ(1, clockReads);
  EXPECT_EQ(1, statCalls);

  ResetCounts();
  qel::LogBoth("both");
  EXPECT_EQ(1, clockReads);
  EXPECT_EQ(2, statCalls);
  EXPECT_EQ(0, opens);
  EXPECT_EQ(0, allocations);
}

TEST(LogCostTest, PresentFileIsOpenedOncePerLineForAppendingOnly) {
  qeltest::LogFiles logs;
  logs.EnableBoth();
  ResetCounts();
  qel::LogBoth("both");
  EXPECT_EQ(1, clockReads);
  EXPECT_EQ(2, statCalls);
  EXPECT_EQ(2, opens);
  EXPECT_EQ(O_WRONLY | O_APPEND,
            lastOpenFlags & (O_ACCMODE | O_APPEND | O_CREAT | O_TRUNC));
}

// The stamp's local time and a traced value's text are made only for a file
// that takes them; the clock is still read first and every file tested.
TEST(LogCostTest, StampAndTextAreMadeOnlyForAFilePresent) {
  struct Case {
    const char *what;
    bool info;
    bool error;
    void (*log)();
    int tests;
    int conversions;
    int textFormats;
    int writes;
  };
  const auto formatted = [] {
    qel::LogInfoFormatted("iDocStatus[%d]= %d", 3, 45);
  };
  const auto both = [] { qel::LogBoth("both"); };
  const Case cases[] = {
      {"formatted, both absent", false, false, formatted, 1, 0, 0, 0},
      {"formatted, only the error log", false, true, formatted, 1, 0, 0, 0},
      {"formatted, information log present", true, false, formatted, 1, 1, 1,
       1},
      {"LogBoth, both absent", false, false, both, 2, 0, 0, 0},
      {"LogBoth, only the error log", false, true, both, 2, 1, 0, 1},
      // One conversion stamps both lines.
      {"LogBoth, both present", true, true, both, 2, 1, 0, 2},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    qeltest::LogFiles logs;
    logs.Enable(c.info, c.error);
    ResetCounts();
    c.log();
    EXPECT_EQ(1, clockReads);
    EXPECT_EQ(c.tests, statCalls);
    EXPECT_EQ(c.conversions, localTimeConversions);
    EXPECT_EQ(c.textFormats, formats);
    EXPECT_EQ(c.writes, opens);
  }
}

TEST(LogCostTest, AFileDeletedAfterItsTestStaysDeleted) {
  qeltest::LogFiles logs;
  logs.Enable(true, false);
  deleteAfterStat = qeltest::LogFiles::Info().string();
  qel::LogInfo("lost");
  deleteAfterStat.clear();
  EXPECT_FALSE(std::filesystem::exists(qeltest::LogFiles::Info()));
}

} // namespace
