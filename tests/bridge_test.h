// The fixture every export test starts from: a test JNI environment, the
// recording scanner and both log files switched on. Each test ends by
// checking that the export gave back everything it took.
#ifndef QELSCANNER_TESTS_BRIDGE_TEST_H
#define QELSCANNER_TESTS_BRIDGE_TEST_H

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exports.h"
#include "log_files.h"
#include "support/fake_jni.h"
#include "support/recording_scanner.h"

namespace qeltest {

class BridgeTest : public ::testing::Test {
public:
  void SetUp() override { logs.EnableBoth(); }
  void TearDown() override {
    jni.ExpectNothingHeld();
    EXPECT_EQ(0, jni.outstandingLocalRefs()) << "local references kept";
  }

  // The events of one kind, e.g. every "ReleaseIntArrayElements(".
  std::vector<std::string> Events(const std::string &prefix) const {
    std::vector<std::string> found;
    for (const std::string &event : jni.events()) {
      if (event.rfind(prefix, 0) == 0) {
        found.push_back(event);
      }
    }
    return found;
  }

  // Write-backs in the order the export made them: array releases and
  // element stores, each as "<kind> <ref>".
  std::vector<std::string> WriteBacks() const {
    std::vector<std::string> order;
    for (const std::string &event : jni.events()) {
      for (const char *kind :
           {"ReleaseIntArrayElements(", "ReleaseByteArrayElements(",
            "SetObjectArrayElement("}) {
        if (event.rfind(kind, 0) == 0) {
          const std::size_t start = event.find('(') + 1;
          const std::size_t end = event.find_first_of(",)", start);
          order.push_back(event.substr(0, start - 1) + " " +
                          event.substr(start, end - start));
        }
      }
    }
    return order;
  }

  FakeJni jni;
  Scanner scanner;
  LogFiles logs;
};

} // namespace qeltest

#endif
