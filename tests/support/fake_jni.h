// A JNI environment of our own for calling the bridge's exports directly.
//
// It serves exactly the eleven functions the bridge may use
// over plain C++ objects, behaves like a virtual machine that copies on
// every pin (see PinLargeArraysInPlace), and checks what -Xcheck:jni would:
// null references, calls with an exception pending, releases of pointers it
// never handed out, any release mode but 0, and bytes for a new string
// that are not modified UTF-8. Every such misuse is kept as a
// violation, which ExpectNothingHeld() turns into a test failure.
#ifndef QELSCANNER_TESTS_SUPPORT_FAKE_JNI_H
#define QELSCANNER_TESTS_SUPPORT_FAKE_JNI_H

#include <jni.h>

#include <array>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qeltest {

// The JNI functions the bridge may call.
enum class Fn {
  GetStringUTFChars,
  ReleaseStringUTFChars,
  NewStringUTF,
  GetArrayLength,
  GetObjectArrayElement,
  SetObjectArrayElement,
  DeleteLocalRef,
  GetIntArrayElements,
  ReleaseIntArrayElements,
  GetByteArrayElements,
  ReleaseByteArrayElements,
};
constexpr std::size_t kFnCount = 11;
const char *FnName(Fn fn);

// Whether NewStringUTF may be given `bytes`: modified UTF-8, each UTF-16
// unit in its shortest form of one to three bytes, U+0000 as C0 80.
bool IsModifiedUtf8(const std::string &bytes);

class FakeJni {
public:
  FakeJni();
  ~FakeJni();
  FakeJni(const FakeJni &) = delete;
  FakeJni &operator=(const FakeJni &) = delete;

  JNIEnv *env() { return &env_; }
  jclass cls() const { return cls_; }

  // Java objects. Handles stay valid for the life of this environment.
  jstring String(std::string modifiedUtf8);
  jintArray IntArray(std::vector<jint> values);
  jbyteArray ByteArray(std::vector<jbyte> values);
  jbyteArray ByteArray(std::size_t n, jbyte fill);
  jobjectArray StringArray(std::vector<std::optional<std::string>> elements);

  // What Java sees now: only releases with mode 0 (or JNI_COMMIT) have
  // brought pinned changes back.
  std::vector<jint> ints(jintArray array) const;
  std::vector<jbyte> bytes(jbyteArray array) const;
  // Whether a byte[] is `length` bytes of `fill`, without a copy.
  bool filledWith(jbyteArray array, std::size_t length, jbyte fill) const;
  std::optional<std::string> element(jobjectArray array, jsize index) const;
  std::optional<std::string> text(jstring string) const;

  // "#<id>" of a handle as events() shows it; "#0" for null.
  std::string ref(jobject object) const;

  // Failure injection. FailCall: the nth call of `fn` from now on fails.
  // FailFor: every call of `fn` whose (first) object is `object` fails.
  // Failing fetches and NewStringUTF return NULL with OutOfMemoryError
  // pending. Other functions cannot fail: SetObjectArrayElement in
  // particular only raises for an index out of range or a value that is
  // not a String (a misuse, recorded as such), as a virtual machine storing
  // a String into a String[] does.
  void FailCall(Fn fn, int nth = 1);

  // Pins byte[] of 64 KiB or more in place, as a virtual machine that pins
  // does (isCopy false), rather than copying 1 MiB twice a call; between
  // pins the array is poisoned, so that a pointer used after its release
  // fails under AddressSanitizer as a freed copy would. Its length is
  // exact either way, so a write past its end fails too.
  void PinLargeArraysInPlace() { pinInPlace_ = true; }
  void FailFor(Fn fn, jobject object);

  // Counting.
  int calls(Fn fn) const { return calls_[static_cast<std::size_t>(fn)]; }
  int outstandingIntPins() const;
  int outstandingBytePins() const;
  int outstandingStrings() const;
  int localRefsCreated() const { return localRefsCreated_; }
  int localRefsDeleted() const { return localRefsDeleted_; }
  int outstandingLocalRefs() const;
  // Every release mode seen, in order (ints and bytes together).
  const std::vector<jint> &releaseModes() const { return releaseModes_; }

  // Misuse, pending exception, and the ordered trace of events such as
  // "GetIntArrayElements(#3)", "ReleaseIntArrayElements(#3,mode=0)",
  // "SetObjectArrayElement(#4,0,#7)", "NewStringUTF(#7)".
  const std::vector<std::string> &violations() const { return violations_; }
  const std::vector<std::string> &events() const { return events_; }
  std::string pendingException() const { return pending_; }
  void ClearException() { pending_.clear(); }

  // Every pin and string fetch not given back, e.g.
  // " GetIntArrayElements(#3) GetStringUTFChars(#5)"; empty when none.
  std::string held() const;

  // gtest EXPECTs: no pinned array, no fetched string, no violation.
  // Local references are left to the test (outstandingLocalRefs()).
  // Defined in fake_jni_gtest.cpp, so that drivers without gtest can use
  // the rest.
  void ExpectNothingHeld() const;

  // Used by the function table; not for tests.
  struct Object;
  struct Pin;
  struct Access;
  struct ReturnBlock;

private:
  jobject Add(std::unique_ptr<Object> object);
  Object *Find(jobject handle) const;

  JNINativeInterface_ table_{};
  JNIEnv env_{};
  jclass cls_ = nullptr;
  int nextId_ = 1;
  std::vector<std::unique_ptr<Object>> objects_;
  std::map<const void *, Object *> byHandle_;

  std::vector<std::unique_ptr<Pin>> pins_; // every pin and string fetch
  std::multiset<const void *> localRefs_;
  int localRefsCreated_ = 0;
  int localRefsDeleted_ = 0;

  std::array<int, kFnCount> calls_{};
  std::set<std::pair<Fn, int>> failAt_; // (function, absolute call number)
  std::set<std::pair<Fn, const void *>> failFor_;
  std::vector<jint> releaseModes_;
  std::vector<std::string> violations_;
  std::vector<std::string> events_;
  std::string pending_;
  bool pinInPlace_ = false;
};

// A mistake of the test itself rather than of the bridge: an accessor
// given a handle of the wrong kind, a failure injected where no call can
// fail. fake_jni_gtest.cpp reports it as a gtest failure; a driver without
// gtest defines its own.
void ReportTestMistake(const std::string &text);

} // namespace qeltest

#endif
