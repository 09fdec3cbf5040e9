// Tests of the test supports, only where a fault in them would let a
// bridge fault through.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "scannerlib/mirbap32.h"
#include "support/fake_jni.h"
#include "support/recording_scanner.h"

namespace {

using qeltest::Entry;
using qeltest::FakeJni;
using qeltest::Fn;

bool Contains(const std::vector<std::string> &texts, const std::string &part) {
  for (const std::string &t : texts) {
    if (t.find(part) != std::string::npos) {
      return true;
    }
  }
  return false;
}

TEST(FakeJniTest, PinnedIntsReturnToJavaOnlyWithMode0) {
  FakeJni jni;
  JNIEnv *env = jni.env();
  jintArray array = jni.IntArray({1, 2, 3});

  jint *elems = env->GetIntArrayElements(array, nullptr);
  ASSERT_NE(nullptr, elems);
  elems[0] = 10;
  EXPECT_EQ((std::vector<jint>{1, 2, 3}), jni.ints(array)) << "not a copy";
  env->ReleaseIntArrayElements(array, elems, JNI_ABORT);
  EXPECT_EQ((std::vector<jint>{1, 2, 3}), jni.ints(array));
  EXPECT_TRUE(Contains(jni.violations(), "with mode 2, not 0"));

  elems = env->GetIntArrayElements(array, nullptr);
  elems[2] = 30;
  env->ReleaseIntArrayElements(array, elems, 0);
  EXPECT_EQ((std::vector<jint>{1, 2, 30}), jni.ints(array));
  EXPECT_EQ((std::vector<jint>{JNI_ABORT, 0}), jni.releaseModes());
  EXPECT_EQ(0, jni.outstandingIntPins());
}

TEST(FakeJniTest, PinnedBytesOfAnEmptyArrayAreNotNull) {
  FakeJni jni;
  jbyteArray array = jni.ByteArray({});
  jbyte *elems = jni.env()->GetByteArrayElements(array, nullptr);
  EXPECT_NE(nullptr, elems) << "a bridge would take this for a failure";
  jni.env()->ReleaseByteArrayElements(array, elems, 0);
  jni.ExpectNothingHeld();
}

TEST(FakeJniTest, FetchedStringIsANulTerminatedCopy) {
  FakeJni jni;
  const std::string text("caf\xc3\xa9\xc0\x80", 7);
  jstring string = jni.String(text);
  const char *chars = jni.env()->GetStringUTFChars(string, nullptr);
  ASSERT_NE(nullptr, chars);
  EXPECT_EQ(text.size(), std::strlen(chars));
  EXPECT_EQ(text, chars);
  EXPECT_EQ(1, jni.outstandingStrings());
  EXPECT_NONFATAL_FAILURE(jni.ExpectNothingHeld(), "GetStringUTFChars(#2)");
  jni.env()->ReleaseStringUTFChars(string, chars);
  jni.ExpectNothingHeld();
}

TEST(FakeJniTest, InjectedFailureReturnsNullAndLeavesOutOfMemoryPending) {
  FakeJni jni;
  jintArray first = jni.IntArray({1});
  jintArray second = jni.IntArray({2});
  jni.FailCall(Fn::GetIntArrayElements, 2);

  jint *pinned = jni.env()->GetIntArrayElements(first, nullptr);
  EXPECT_NE(nullptr, pinned);
  EXPECT_EQ(nullptr, jni.env()->GetIntArrayElements(second, nullptr));
  EXPECT_EQ("java/lang/OutOfMemoryError", jni.pendingException());
  // Releasing is allowed with an exception pending; fetching is not.
  jni.env()->ReleaseIntArrayElements(first, pinned, 0);
  EXPECT_TRUE(jni.violations().empty());
  jni.env()->GetArrayLength(second);
  EXPECT_TRUE(Contains(jni.violations(),
                       "GetArrayLength called while "
                       "java/lang/OutOfMemoryError is pending"));
  EXPECT_EQ(2, jni.calls(Fn::GetIntArrayElements));
}

TEST(FakeJniTest, FailForOneObjectAndForNewStringUTF) {
  FakeJni jni;
  jstring a = jni.String("a");
  jstring b = jni.String("b");
  jni.FailFor(Fn::GetStringUTFChars, b);
  const char *chars = jni.env()->GetStringUTFChars(a, nullptr);
  EXPECT_NE(nullptr, chars);
  jni.env()->ReleaseStringUTFChars(a, chars);
  EXPECT_EQ(nullptr, jni.env()->GetStringUTFChars(b, nullptr));
  EXPECT_EQ("java/lang/OutOfMemoryError", jni.pendingException());
  jni.ClearException();

  jni.FailCall(Fn::NewStringUTF);
  EXPECT_EQ(nullptr, jni.env()->NewStringUTF("x"));
  EXPECT_EQ("java/lang/OutOfMemoryError", jni.pendingException());
  jni.ClearException();
  jni.ExpectNothingHeld();
}

TEST(FakeJniTest, ElementZeroOfAnEmptyArrayRaisesIndexOutOfBounds) {
  FakeJni jni;
  jobjectArray empty = jni.StringArray({});
  EXPECT_EQ(nullptr, jni.env()->GetObjectArrayElement(empty, 0));
  EXPECT_EQ("java/lang/ArrayIndexOutOfBoundsException", jni.pendingException());
  EXPECT_TRUE(jni.violations().empty()) << "natural JNI behaviour";
  EXPECT_EQ(0, jni.localRefsCreated());
}

TEST(FakeJniTest, ElementsAndNewStringsAreLocalReferences) {
  FakeJni jni;
  JNIEnv *env = jni.env();
  jobjectArray array = jni.StringArray({std::string("old"), std::nullopt});
  EXPECT_EQ(nullptr, env->GetObjectArrayElement(array, 1));
  jobject element = env->GetObjectArrayElement(array, 0);
  ASSERT_NE(nullptr, element);
  env->DeleteLocalRef(element);
  jstring fresh = env->NewStringUTF("new");
  env->SetObjectArrayElement(array, 0, fresh);
  EXPECT_EQ(1, jni.outstandingLocalRefs());
  env->DeleteLocalRef(fresh);
  EXPECT_EQ(0, jni.outstandingLocalRefs());
  EXPECT_EQ(2, jni.localRefsCreated());
  EXPECT_EQ(std::optional<std::string>("new"), jni.element(array, 0));
  EXPECT_EQ(std::nullopt, jni.element(array, 1));
  const std::string a = jni.ref(array), s = jni.ref(fresh);
  EXPECT_EQ(
      (std::vector<std::string>{"GetObjectArrayElement(" + a + ",1)",
                                "GetObjectArrayElement(" + a + ",0)",
                                "DeleteLocalRef(" + jni.ref(element) + ")",
                                "NewStringUTF(" + s + ")",
                                "SetObjectArrayElement(" + a + ",0," + s + ")",
                                "DeleteLocalRef(" + s + ")"}),
      jni.events());
  jni.ExpectNothingHeld();
}

TEST(FakeJniTest, MisuseIsRecordedNotCrashed) {
  FakeJni jni;
  JNIEnv *env = jni.env();
  jintArray ints = jni.IntArray({1});
  jobjectArray strings = jni.StringArray({std::string("s")});

  EXPECT_EQ(nullptr, env->GetStringUTFChars(nullptr, nullptr));
  EXPECT_EQ(0, env->GetArrayLength(nullptr));
  EXPECT_EQ(nullptr, env->NewStringUTF(nullptr));
  jint *elems = env->GetIntArrayElements(ints, nullptr);
  env->ReleaseIntArrayElements(ints, elems, 0);
  env->ReleaseIntArrayElements(ints, elems, 0);
  jint foreign[1] = {0};
  env->ReleaseIntArrayElements(ints, foreign, 0);
  env->DeleteLocalRef(ints); // an argument, not ours to delete
  env->SetObjectArrayElement(strings, 1, nullptr);
  EXPECT_EQ("java/lang/ArrayIndexOutOfBoundsException", jni.pendingException());
  jni.ClearException();
  EXPECT_FALSE(env->ExceptionCheck());

  const std::vector<std::string> expected = {
      "GetStringUTFChars with a null String",
      "GetArrayLength with a null array",
      "NewStringUTF(NULL)",
      "ReleaseIntArrayElements of a pointer released already",
      "ReleaseIntArrayElements of a pointer never handed out",
      "DeleteLocalRef(" + jni.ref(ints) + ") of a reference not created",
      "SetObjectArrayElement out of range: index 1 of " + jni.ref(strings),
      "unexpected JNI function ExceptionCheck",
  };
  ASSERT_EQ(expected.size(), jni.violations().size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NE(std::string::npos, jni.violations()[i].find(expected[i]))
        << jni.violations()[i];
  }
  EXPECT_NONFATAL_FAILURE(jni.ExpectNothingHeld(), "NewStringUTF(NULL)");
}

// --- the recording scanner ---

TEST(RecordingScannerTest, RecordsIntsTextsAndNullVersusEmpty) {
  qeltest::Scanner scanner;
  scanner.setResults(Entry::QELUVGain, {7, 8});
  EXPECT_EQ(7, QELUVGain("in.tif", "", -1, 0, 2));
  EXPECT_EQ(8, QELUVGain(nullptr, "out", 3, 4, 5));
  EXPECT_EQ(8, QELUVGain("a", "b", 0, 0, 0));
  const qeltest::Call call = scanner.calls().at(1);
  EXPECT_EQ(Entry::QELUVGain, call.entry);
  EXPECT_EQ((std::vector<int>{3, 4, 5}), call.ints);
  EXPECT_EQ((std::vector<std::string>{"", "out"}), call.texts);
  EXPECT_TRUE(call.isNull(0));
  EXPECT_FALSE(scanner.calls().at(0).isNull(1)) << "empty, not null";
  EXPECT_EQ(3, scanner.count(Entry::QELUVGain));
}

TEST(RecordingScannerTest, WritesAScriptedTextAtItsContractSizeOnly) {
  qeltest::Scanner scanner;
  scanner.setText(Entry::MIRBGetScannerInfo, 1, std::string(31, 'p'));
  scanner.setInt(Entry::MIRBGetScannerInfo, 0, 255);
  char vendor[40], product[40], release[40];
  std::memset(product, 'x', sizeof product);
  std::memset(vendor, 'v', sizeof vendor);
  unsigned char adapter = 0, target = 9;
  MIRBGetScannerInfo(&adapter, &target, vendor, product, release, 0);
  EXPECT_EQ(std::string(31, 'p'), product);
  EXPECT_EQ('\0', product[31]);
  EXPECT_EQ('x', product[32]) << "wrote past the 32-byte buffer";
  EXPECT_EQ('v', vendor[0]) << "an unscripted output is left alone";
  EXPECT_EQ(255, adapter);
  EXPECT_EQ(9, target);
}

TEST(RecordingScannerTest, RefusesScriptsThatDoNotFitTheContract) {
  qeltest::Scanner scanner;
  EXPECT_NONFATAL_FAILURE(
      scanner.setText(Entry::MIRBScan, 0, std::string(32, '1')),
      "does not fit its 32-byte buffer");
  EXPECT_NONFATAL_FAILURE(scanner.setInt(Entry::MIRBGetScannerInfo, 1, 256),
                          "out of its type's range");
  EXPECT_NONFATAL_FAILURE(scanner.setText(Entry::MIRBStatus, 0, "x"),
                          "no such output");
  EXPECT_TRUE(scanner.violations().empty()) << "reported once";
}

TEST(RecordingScannerTest, NullBufferWhereTheContractWantsOneIsAViolation) {
  qeltest::Scanner scanner;
  char micr[256];
  char len[32];
  MIRBScan(0, "f", len, "b", len, micr, nullptr);
  const std::vector<std::string> violations = scanner.violations();
  ASSERT_EQ(1u, violations.size());
  EXPECT_EQ("MIRBScan called with a null micrLen", violations[0]);
  scanner.clearViolations();

  int quality = 0, contrast = 0;
  QELScan(nullptr, "", "", "", micr, &quality, &contrast, nullptr);
  EXPECT_TRUE(scanner.violations().empty()) << "docStatus may be NULL";
}

TEST(RecordingScannerTest,
     FullScanStoresImagesAtDescriptorsAndReportsTheirLength) {
  qeltest::Scanner scanner;
  scanner.setBytes(Entry::QELScan, 1, std::vector<unsigned char>{1, 2, 3});
  scanner.setInts(Entry::QELScan, 2, {5, 6});
  std::vector<unsigned char> back(8, 0);
  std::vector<int> status(32, -1);
  const std::string descriptor =
      "MD:" + std::to_string(reinterpret_cast<std::uintptr_t>(back.data()));
  char micr[256];
  int quality = 0, contrast = 0;
  QELScan(nullptr, descriptor.c_str(), "", "", micr, &quality, &contrast,
          status.data());
  EXPECT_EQ((std::vector<unsigned char>{1, 2, 3, 0, 0, 0, 0, 0}), back);
  EXPECT_EQ(5, status[0]);
  EXPECT_EQ(6, status[1]);
  EXPECT_EQ(0, status[31]) << "all 32 status words are written";
  EXPECT_EQ(3, QELGetMemoryImageLength(back.data()));
  EXPECT_EQ(static_cast<const void *>(back.data()),
            scanner.lastCall(Entry::QELGetMemoryImageLength).pointers.at(0));
  EXPECT_EQ(0, QELGetMemoryImageLength(
                   reinterpret_cast<const unsigned char *>(micr)));
}

TEST(RecordingScannerTest, ParamStringCanBeNull) {
  qeltest::Scanner scanner;
  EXPECT_STREQ("", MIRBGetParamString(1));
  scanner.setParamString(nullptr);
  EXPECT_EQ(nullptr, MIRBGetParamString(2));
  scanner.setParamString("abc");
  EXPECT_STREQ("abc", MIRBGetParamString(3));
  EXPECT_EQ((std::vector<int>{3}),
            scanner.lastCall(Entry::MIRBGetParamString).ints);
}

} // namespace
