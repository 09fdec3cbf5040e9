// Memory running out inside a scan, at each of its allocations in turn:
// this program replaces operator new with a countdown, and has the library
// built in so that its allocations count.
#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>
#include <vector>

#include "vs_test.h"

namespace {
// The allocation that fails: 0 the next one, negative none.
std::atomic<long> allocationsLeft{-1};
} // namespace

// The library's operator delete frees with std::free, as this allocates.
void *operator new(std::size_t size) {
  if (allocationsLeft.load() >= 0 && allocationsLeft.fetch_sub(1) == 0) {
    throw std::bad_alloc();
  }
  if (void *block = std::malloc(size == 0 ? 1 : size)) {
    return block;
  }
  throw std::bad_alloc();
}

using namespace vstest;

namespace {

using AllocationFailure = VirtualScanner;

// A scan into memory and one to files fail at their first allocation, then
// at their second, and so on, until one gets through: every failure
// answers INTERNAL with empty outputs and leaves the document and its print
// job for the next attempt, which then scans the very document the first
// attempt would have.
TEST_F(AllocationFailure, AScanThatRunsOutOfMemoryLeavesItsDocumentForTheNext) {
  Feed({"T1T", "T2T", "T3T"});
  std::vector<unsigned char> front(1048576), back(1048576);
  int frontLen = 0, backLen = 0, micrLen = 0, quality = 0, contrast = 0,
      status[32] = {};
  char micr[256];
  const std::string file = Path("front.tif");
  const struct {
    const char *what;
    std::function<int()> scan;
    std::function<bool()> outputsEmpty;
  } scans[] = {
      {"MIRBScanMemory",
       [&] {
         return MIRBScanMemory(0, front.data(), &frontLen, back.data(),
                               &backLen, micr, &micrLen);
       },
       [&] { return frontLen == 0 && backLen == 0 && micr[0] == '\0'; }},
      {"QELScan",
       [&] {
         return QELScan(file.c_str(), "", "", "", micr, &quality, &contrast,
                        status);
       },
       [&] { return micr[0] == '\0' && quality == 0 && status[0] == 0; }},
  };
  const char *const expected[] = {"T1T", "T2T"};
  std::size_t next = 0;
  for (const auto &s : scans) {
    SCOPED_TRACE(s.what);
    ASSERT_EQ(MIRB_VS_OK, QELBatchPrintString(s.what, 0, 0, 0, 0));
    const int statusBefore = MIRBStatus();
    unsigned int counterBefore = 0, counter = 0;
    MIRBGetScannerSerialNumber(nullptr, &counterBefore, nullptr);
    int rc = MIRB_VS_OK;
    long failures = 0;
    for (;; ++failures) {
      allocationsLeft = failures;
      rc = s.scan();
      allocationsLeft = -1;
      if (rc != MIRB_VS_ERR_INTERNAL) {
        break;
      }
      ASSERT_TRUE(s.outputsEmpty()) << "failing allocation " << failures;
      ASSERT_EQ(statusBefore, MIRBStatus());
      ASSERT_STREQ(s.what, MIRBGetParamString(MIRB_VS_SEL_PENDING_PRINT));
    }
    EXPECT_GT(failures, 2) << "the scan allocates: some attempts failed";
    ASSERT_EQ(MIRB_VS_OK, rc) << "failing allocation " << failures;
    MIRBGetScannerSerialNumber(nullptr, &counter, nullptr);
    EXPECT_EQ(counterBefore + 1, counter);
    char read[256], confidence[256];
    ASSERT_EQ(MIRB_VS_OK, QELGetOcrMicr(read, confidence));
    EXPECT_STREQ(expected[next++], read);
    EXPECT_STREQ(s.what, MIRBGetParamString(MIRB_VS_SEL_LAST_PRINT));
  }
}

// Opening a session runs out of memory at each of its allocations in
// turn (the hopper file, its picture): INTERNAL, the session stays closed.
TEST_F(AllocationFailure, AnOpeningThatRunsOutOfMemoryLeavesTheSessionClosed) {
  Spit(Path("hopper.txt"),
       "U1U\tfront=" QELSCAN_VS_EXAMPLE "/pattern-front.tif\n");
  setenv("MIRB_VIRTUAL_HOPPER", Path("hopper.txt").c_str(), 1);
  long failures = 0;
  for (int rc = MIRB_VS_ERR_INTERNAL; rc == MIRB_VS_ERR_INTERNAL; ++failures) {
    ASSERT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBStatus());
    allocationsLeft = failures;
    rc = MIRBInit();
    allocationsLeft = -1;
    ASSERT_TRUE(rc == MIRB_VS_ERR_INTERNAL || rc == MIRB_VS_OK) << rc;
  }
  EXPECT_GT(failures, 3) << "the opening allocates: some attempts failed";
}

} // namespace
