// Identity, status and the transport; and that every entry is exported.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

#if !defined(QELSCAN_VS_TESTS_BUILT_IN)
#include <dlfcn.h>
#endif

#include "scannerlib/entries.h"
#include "vs_test.h"

using namespace vstest;

namespace {

// Texts of a 32-byte buffer, checked inside a larger one whose tail must
// stay untouched.
struct Guarded {
  char bytes[64];
  Guarded() { std::memset(bytes, '#', sizeof bytes); }
  bool TerminatedWithin(std::size_t size) const {
    return std::memchr(bytes, '\0', size) != nullptr &&
           std::all_of(bytes + size, bytes + sizeof bytes,
                       [](char c) { return c == '#'; });
  }
};

} // namespace

using Identity = VirtualScanner;

TEST_F(Identity, ScannerInfoFillsIdsAndTextsWithin32Bytes) {
  unsigned char adapter = 1, target = 1;
  Guarded vendor, product, release;
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED,
            MIRBGetScannerInfo(&adapter, &target, vendor.bytes, product.bytes,
                               release.bytes, 0));
  EXPECT_EQ(0, adapter);
  EXPECT_EQ(0, target);
  EXPECT_STREQ("", vendor.bytes);
  EXPECT_TRUE(release.TerminatedWithin(32));

  ASSERT_EQ(MIRB_VS_OK, MIRBInit());
  EXPECT_EQ(MIRB_VS_OK, MIRBGetScannerInfo(&adapter, &target, vendor.bytes,
                                           product.bytes, release.bytes, 0));
  EXPECT_EQ(200, adapter);
  EXPECT_EQ(MIRB_VS_TARGET_ID, target);
  EXPECT_STREQ(MIRB_VS_VENDOR, vendor.bytes);
  EXPECT_STREQ(MIRB_VS_PRODUCT, product.bytes);
  EXPECT_STREQ(MIRB_VS_RELEASE, release.bytes);
  for (const Guarded *g : {&vendor, &product, &release}) {
    EXPECT_TRUE(g->TerminatedWithin(32));
  }
  // Posing as another library: any text, cut to 31 bytes; empty too.
  setenv("MIRB_VIRTUAL_VENDOR", std::string(40, 'v').c_str(), 1);
  setenv("MIRB_VIRTUAL_PRODUCT", "", 1);
  EXPECT_EQ(MIRB_VS_OK, MIRBGetScannerInfo(&adapter, &target, vendor.bytes,
                                           product.bytes, release.bytes, 0));
  EXPECT_EQ(std::string(31, 'v'), vendor.bytes);
  EXPECT_STREQ("", product.bytes);
}

TEST_F(Identity, SerialNumberCounterAndTime) {
  char serial[300];
  std::memset(serial, '#', sizeof serial);
  unsigned int number = 1, time = 1;
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED,
            MIRBGetScannerSerialNumber(serial, &number, &time));
  EXPECT_STREQ("", serial);
  EXPECT_EQ(0u, number);
  EXPECT_EQ(0u, time);

  setenv("MIRB_VIRTUAL_DOCUMENT_NUMBER", "4294967295", 1);
  Feed({"A1", "A2"});
  std::memset(serial, '#', sizeof serial);
  ASSERT_EQ(MIRB_VS_OK, MIRBGetScannerSerialNumber(serial, &number, &time));
  EXPECT_STREQ(MIRB_VS_SERIAL, serial);
  EXPECT_EQ('#', serial[256]);
  const auto now = static_cast<unsigned int>(std::time(nullptr));
  EXPECT_LE(time, now);
  EXPECT_GE(time + 5, now);
  char micr[256], len[32];
  ASSERT_EQ(MIRB_VS_OK, MIRBScan(0, "", len, "", len, micr, len));
  unsigned int after = 0;
  MIRBGetScannerSerialNumber(serial, &after, &time);
  EXPECT_EQ(number + 1, after); // one more document, modulo 2^32
}

TEST_F(Identity, UsbPresenceTypeAndSupportedScanners) {
  int vid = -1, pid = -1;
  EXPECT_EQ(1, QELIsUsbScannerAvailable(&vid, &pid));
  EXPECT_EQ(MIRB_VS_USB_VID, vid);
  EXPECT_EQ(MIRB_VS_USB_PID, pid);
  setenv("MIRB_VIRTUAL_USB", "0", 1);
  EXPECT_EQ(0, QELIsUsbScannerAvailable(&vid, &pid));
  EXPECT_EQ(0, vid);
  EXPECT_EQ(0, pid);
  ASSERT_EQ(MIRB_VS_OK, MIRBInit());
  EXPECT_EQ(MIRB_VS_SCANNER_TYPE, QELGetScannerType());
  EXPECT_NE(0, QELApiSupportedScanners() & (1 << QELGetScannerType()));
}

using Transport = VirtualScanner;

TEST_F(Transport, ScanEjectAndClearMoveTheDocument) {
  Feed({"D1", "D2"});
  const int ready = MIRB_VS_STATUS_READY;
  EXPECT_EQ(ready | MIRB_VS_STATUS_HOPPER_LOADED, MIRBStatus());
  EXPECT_EQ(MIRB_VS_ERR_NO_DOCUMENT, MIRBEjectDocument());

  char micr[256], len[32];
  ASSERT_EQ(MIRB_VS_OK, MIRBScan(0, nullptr, len, nullptr, len, micr, len));
  EXPECT_EQ(ready | MIRB_VS_STATUS_HOPPER_LOADED |
                MIRB_VS_STATUS_DOCUMENT_IN_TRACK,
            MIRBStatus());
  EXPECT_EQ(MIRB_VS_OK, MIRBEjectDocument());
  EXPECT_EQ(ready | MIRB_VS_STATUS_HOPPER_LOADED, MIRBStatus());
  EXPECT_EQ(MIRB_VS_ERR_NO_DOCUMENT, MIRBEjectDocument());

  ASSERT_EQ(MIRB_VS_OK, MIRBScan(0, nullptr, len, nullptr, len, micr, len));
  EXPECT_STREQ("D2", micr);
  EXPECT_EQ(ready | MIRB_VS_STATUS_DOCUMENT_IN_TRACK, MIRBStatusDelay(5, 0));
  EXPECT_EQ(MIRB_VS_OK, MIRBClearDocument());
  EXPECT_EQ(ready, MIRBStatus());
  EXPECT_EQ(MIRB_VS_OK, MIRBClearDocument()); // an empty track clears too
  char conf[256];
  EXPECT_EQ(MIRB_VS_ERR_NO_DOCUMENT, QELGetOcrMicr(micr, conf)); // forgotten
}

// A scan asleep in a slow document when its session ends, and another one
// opens, answers at once, as a scan without a session does, and takes
// nothing from the new session.
TEST_F(Transport, AScanAsleepWhenItsSessionEndsTakesNothingFromTheNext) {
  Feed({"D1\tslow=10000", "D2"});
  int rc = 0;
  std::thread sleeper([&rc] {
    char text[256];
    rc = MIRBScan(0, "", text, "", text, text, text);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  MIRBExit();
  setenv("MIRB_VIRTUAL_HOPPER", "", 1); // the default stack
  ASSERT_EQ(MIRB_VS_OK, MIRBInit());
  sleeper.join();
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, rc);
  char micr[256], len[32];
  ASSERT_EQ(MIRB_VS_OK, MIRBScan(0, "", len, "", len, micr, len));
  EXPECT_STREQ("U001001U T249239726T 4820173659U $0000012500$", micr);
}

#if !defined(QELSCAN_VS_TESTS_BUILT_IN)
TEST(Exports, EveryEntryIsExportedByName) {
  void *self = dlopen("libMIRBAP32.so", RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(nullptr, self);
#define VS_CHECK_EXPORT(ordinal, result, name, parameters, bytes)              \
  EXPECT_EQ(reinterpret_cast<void *>(&(name)), dlsym(self, #name)) << (ordinal);
  QEL_SCANNER_ENTRIES(VS_CHECK_EXPORT)
#undef VS_CHECK_EXPORT
  EXPECT_EQ(nullptr, dlsym(self, "_ZN2vs5stateEv")); // internals stay hidden
  dlclose(self);
}
#endif
