// The gtest side of FakeJni: its checks as EXPECTs, and mistakes of a test
// as failures of that test.
#include "support/fake_jni.h"

#include <gtest/gtest.h>

#include <sstream>

namespace qeltest {

void ReportTestMistake(const std::string &text) { ADD_FAILURE() << text; }

void FakeJni::ExpectNothingHeld() const {
  const std::string list = held();
  EXPECT_EQ(0, outstandingIntPins()) << "still held:" << list;
  EXPECT_EQ(0, outstandingBytePins()) << "still held:" << list;
  EXPECT_EQ(0, outstandingStrings()) << "still held:" << list;
  std::ostringstream misuse;
  for (const std::string &v : violations()) {
    misuse << "\n  " << v;
  }
  EXPECT_TRUE(violations().empty())
      << "JNI misuse:" << misuse.str()
      << "\n(outstanding local references: " << outstandingLocalRefs() << ")";
}

} // namespace qeltest
