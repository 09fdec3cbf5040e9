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
}

namespace {

void ResetCounts() { clockReads = statCalls = opens = allocations = 0; }

TEST(LogCostTest, AbsentFilesCostOneClockReadAndOneTestPerFile) {
  qeltest::LogFiles logs; // both absent
  qel::LogInfo("warm up");  // the first local-time conversion loads the zone

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
  EXPECT_EQ(O_WRONLY | O_APPEND, lastOpenFlags & (O_ACCMODE | O_APPEND | O_CREAT | O_TRUNC));
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
