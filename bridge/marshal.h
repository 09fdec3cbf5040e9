// Building blocks for turning Java arguments into the buffers the scanner
// library takes, and its results back into Java values.
//
// Every check logs its own message and returns false; the export then
// returns -1 at once. Guards give back what they hold when they go out of
// scope, so an early return releases every array already pinned, with
// mode 0 and unchanged. On the success path exports that hold several
// arrays give them back themselves (Deliver(), Release()), in the order
// their write-back prescribes.
#ifndef QELSCANNER_BRIDGE_MARSHAL_H
#define QELSCANNER_BRIDGE_MARSHAL_H

#include <jni.h>

#include <cstddef>

#include "bridge/log.h"

namespace qel {

// The call line every export writes first.
#define QEL_CALL_LINE(method) "Calling Java_QelScan_QelScanApi_" #method "()"

// LogInfo, LogError or LogBoth: where a method's message goes.
using LogLine = void (*)(const char *) noexcept;

// What the library does with a string: a file name is handed over in the
// form the library opens files with (on Windows the ANSI code page,
// elsewhere standard UTF-8), any other text as its modified UTF-8 bytes.
enum class StringUse { kText, kFileName };

// String input: copies `value` into `copy` and gives the characters back
// before returning. A null reference, a failed fetch or a file name the
// code page cannot spell logs `fetchMessage` through `logFetch`; a string
// over 255 bytes is refused rather than cut, since a cut file name or
// routing number would reach the wrong file or print the wrong text.
bool CopyStringArgument(JNIEnv *env, jstring value, Text &copy,
                        const char *name, const char *fetchMessage,
                        LogLine logFetch = LogError,
                        StringUse use = StringUse::kText) noexcept;

// CopyStringArgument, its fetch message to the error log, then the copy
// traced to the information log through `traceFormat` ("capPath = %s").
bool CopyTracedString(JNIEnv *env, jstring value, Text &copy, const char *name,
                      const char *fetchMessage, const char *traceFormat,
                      StringUse use = StringUse::kText) noexcept;

// A mandatory string tested for null first, with a message of its own:
// `nullMessage` goes out through `logNull`, a failed fetch through
// `logFetch`, each to the log file(s) its method names.
bool CopyRequiredString(JNIEnv *env, jstring value, Text &copy,
                        const char *name, const char *nullMessage,
                        LogLine logNull, const char *fetchMessage,
                        LogLine logFetch,
                        StringUse use = StringUse::kText) noexcept;

enum class Presence { kAbsent, kCopied, kFailed };

// Optional string input: `copy` starts as the empty text; a null reference
// writes `absentNotice` to the information log and is not an error.
Presence CopyOptionalString(JNIEnv *env, jstring value, Text &copy,
                            const char *name, const char *fetchMessage,
                            const char *absentNotice,
                            StringUse use = StringUse::kText) noexcept;

// True when `array` is not null and holds at least `minimum` elements;
// otherwise logs `message` to the error log.
bool CheckLength(JNIEnv *env, jarray array, jsize minimum,
                 const char *message) noexcept;

// Array output slot, before the call: element 0 of `array` must hold a
// string. With a `lengthMessage` an array without elements is refused with
// it before element 0 is read; without one, reading element 0 of an empty
// array leaves the virtual machine's ArrayIndexOutOfBoundsException for the
// caller and `fetchMessage` is logged.
bool CheckOutputSlot(JNIEnv *env, jobjectArray array, const char *lengthMessage,
                     const char *fetchMessage) noexcept;

// Every Java string made from a text of the library's: its modified UTF-8
// form (bridge/library_text.h), `cut` set when that did not fit the
// conversion's buffer. Null, with the virtual machine's exception pending,
// when the string cannot be made.
jstring NewLibraryString(JNIEnv *env, const char *text, bool &cut) noexcept;

// Array output slot, after the call: a new string from the library's
// `text` of at most 255 bytes becomes element 0 of `array`.
bool PutString(JNIEnv *env, jobjectArray array, const char *text,
               const char *failMessage) noexcept;

// A local reference deleted when it goes out of scope.
class LocalRef {
public:
  LocalRef(JNIEnv *env, jobject object) noexcept : env_(env), object_(object) {}
  ~LocalRef() {
    if (object_ != nullptr) {
      env_->DeleteLocalRef(object_);
    }
  }
  LocalRef(const LocalRef &) = delete;
  LocalRef &operator=(const LocalRef &) = delete;
  jobject get() const noexcept { return object_; }

private:
  JNIEnv *env_;
  jobject object_;
};

struct IntElements {
  using Array = jintArray;
  using Element = jint;
  static Element *Get(JNIEnv *env, Array array) {
    return env->GetIntArrayElements(array, nullptr);
  }
  static void Release(JNIEnv *env, Array array, Element *elements) {
    env->ReleaseIntArrayElements(array, elements, 0);
  }
};

struct ByteElements {
  using Array = jbyteArray;
  using Element = jbyte;
  static Element *Get(JNIEnv *env, Array array) {
    return env->GetByteArrayElements(array, nullptr);
  }
  static void Release(JNIEnv *env, Array array, Element *elements) {
    env->ReleaseByteArrayElements(array, elements, 0);
  }
};

// A pinned int[] or byte[], released with mode 0 exactly once.
template <typename Kind> class PinnedArray {
public:
  using Array = typename Kind::Array;
  using Element = typename Kind::Element;

  explicit PinnedArray(JNIEnv *env) noexcept : env_(env) {}
  ~PinnedArray() { Release(); }
  PinnedArray(const PinnedArray &) = delete;
  PinnedArray &operator=(const PinnedArray &) = delete;

  // Pins `array`; a null reference or a failed fetch logs `fetchMessage`.
  bool Pin(Array array, const char *fetchMessage) noexcept {
    if (array == nullptr) {
      LogError(fetchMessage);
      return false;
    }
    Element *elements = Kind::Get(env_, array);
    if (elements == nullptr) {
      LogError(fetchMessage);
      return false;
    }
    array_ = array;
    elements_ = elements;
    return true;
  }

  // Pins an array that receives a value in element 0: one without elements
  // is refused with `fetchMessage` too, as there is nowhere to store it.
  bool PinOutput(Array array, const char *fetchMessage) noexcept {
    return CheckLength(env_, array, 1, fetchMessage) &&
           Pin(array, fetchMessage);
  }

  Element *get() const noexcept { return elements_; }

  // Stores `value` into element 0 and hands the array back.
  void Deliver(Element value) noexcept {
    if (elements_ != nullptr) {
      elements_[0] = value;
    }
    Release();
  }

  void Release() noexcept {
    if (elements_ != nullptr) {
      Kind::Release(env_, array_, elements_);
      elements_ = nullptr;
      array_ = nullptr;
    }
  }

private:
  JNIEnv *env_;
  Array array_ = nullptr;
  Element *elements_ = nullptr;
};

using PinnedInts = PinnedArray<IntElements>;
using PinnedBytes = PinnedArray<ByteElements>;

// Every byte[] that receives or holds an image has at least this many
// elements: the library is never told a buffer's size.
constexpr jsize kMinimumImageBytes = 1048576;

// The messages of one image buffer and the int[] that receives its length.
struct ImageBufferTexts {
  const char *pinMessage;
  const char *sizeFormat; // formatted with kMinimumImageBytes
  bool sizeToBothLogs;    // error log first, then information log
  const char *lengthMessage;
  const char *lengthPinMessage;
};

// An optional image buffer pinned for the whole scan, with its length
// array. PinIfGiven() takes a null buffer as "no such image" (its notice to
// the information log); otherwise it pins the image, checks its size,
// checks and pins the length array, in this order, and a failure logs its
// message and gives back what it pinned. For an image not wanted the
// later steps do nothing and bytes() is null, as the library takes it.
class PinnedImage {
public:
  explicit PinnedImage(JNIEnv *env) noexcept : image_(env), length_(env) {}
  bool PinIfGiven(JNIEnv *env, jbyteArray imageArray, jintArray lengthArray,
                  const ImageBufferTexts &texts,
                  const char *absentNotice) noexcept;
  bool wanted() const noexcept { return wanted_; }
  unsigned char *bytes() const noexcept {
    return reinterpret_cast<unsigned char *>(image_.get());
  }
  // Hands the image back to Java.
  void ReleaseImage() noexcept { image_.Release(); }
  // Stores the length into element 0 and hands the array back.
  void DeliverLength(jint value) noexcept { length_.Deliver(value); }

private:
  PinnedBytes image_;
  PinnedInts length_;
  bool wanted_ = false;
};

} // namespace qel

#endif
