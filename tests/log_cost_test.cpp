// With both log files absent a log call must cost one reading of the clock
// and one existence test per file, and allocate nothing. The calls the log
// code makes are counted through the linker's --wrap.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <sys/stat.h>

#include "bridge/log.h"
#include "log_files.h"

namespace {
int clockReads = 0;
int statCalls = 0;
int opens = 0;
int allocations = 0;
} // namespace

extern "C" {
int __real_clock_gettime(clockid_t, timespec *);
int __real_stat(const char *, struct stat *);
std::FILE *__real_fopen(const char *, const char *);
void *__real_malloc(std::size_t);
void *__real_calloc(std::size_t, std::size_t);
void *__real_realloc(void *, std::size_t);

int __wrap_clock_gettime(clockid_t clock, timespec *now) {
  ++clockReads;
  return __real_clock_gettime(clock, now);
}
int __wrap_stat(const char *path, struct stat *status) {
  ++statCalls;
  return __real_stat(path, status);
}
std::FILE *__wrap_fopen(const char *path, const char *mode) {
  ++opens;
  return __real_fopen(path, mode);
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

TEST(LogCostTest, PresentFileIsOpenedOncePerLine) {
  qeltest::LogFiles logs;
  logs.EnableBoth();
  ResetCounts();
  qel::LogBoth("both");
  EXPECT_EQ(1, clockReads);
  EXPECT_EQ(2, statCalls);
  EXPECT_EQ(2, opens);
}

} // namespace
