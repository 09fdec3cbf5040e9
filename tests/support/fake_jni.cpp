#include "support/fake_jni.h"

// Buffers kept for reuse are poisoned while unused, where AddressSanitizer
// runs; the cross compiler has no sanitizer headers, and there the marks
// are nothing.
#if defined(__has_include)
#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#endif
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

#include <cstddef>
#include <cstring>
#include <sstream>
#include <type_traits>
#include <utility>

namespace qeltest {

namespace {

constexpr const char *kOutOfMemory = "java/lang/OutOfMemoryError";
constexpr const char *kIndexOutOfBounds =
    "java/lang/ArrayIndexOutOfBoundsException";
constexpr const char *kArrayStore = "java/lang/ArrayStoreException";

const char *const kFnNames[kFnCount] = {
    "GetStringUTFChars",
    "ReleaseStringUTFChars",
    "NewStringUTF",
    "GetArrayLength",
    "GetObjectArrayElement",
    "SetObjectArrayElement",
    "DeleteLocalRef",
    "GetIntArrayElements",
    "ReleaseIntArrayElements",
    "GetByteArrayElements",
    "ReleaseByteArrayElements",
};

bool CanFail(Fn fn) {
  switch (fn) {
  case Fn::GetStringUTFChars:
  case Fn::NewStringUTF:
  case Fn::GetObjectArrayElement:
  case Fn::GetIntArrayElements:
  case Fn::GetByteArrayElements:
    return true;
  default:
    return false;
  }
}

// Image-sized byte arrays keep their storage across environments for
// reuse: a fresh 1 MiB block costs a page fault for every page touched and
// an unmap when freed. A block is only handed out again at its exact size,
// so that a write past an array's end still fails under AddressSanitizer.
constexpr std::size_t kLargeBytes = 65536; // this large or larger
constexpr std::size_t kMaxPooled = 16;

std::multimap<std::size_t, std::vector<jbyte>> &ArrayBlocks() {
  static std::multimap<std::size_t, std::vector<jbyte>> blocks;
  return blocks;
}

// The same for the copies of a machine that copies. A copy waiting here is
// poisoned, so that a pointer used after its release fails as a freed one
// would. Never destroyed: the blocks stay reachable for LeakSanitizer.
std::multimap<std::size_t, jbyte *> &CopyBlocks() {
  static auto *blocks = new std::multimap<std::size_t, jbyte *>;
  return *blocks;
}

jbyte *TakeCopyBlock(std::size_t size) {
  auto it = CopyBlocks().find(size);
  if (it == CopyBlocks().end()) {
    return new jbyte[size];
  }
  jbyte *block = it->second;
  CopyBlocks().erase(it);
  ASAN_UNPOISON_MEMORY_REGION(block, size);
  return block;
}

} // namespace

// Gives a copy of a large byte[] back to the pool, or frees it.
struct FakeJni::ReturnBlock {
  std::size_t size = 0;
  void operator()(jbyte *block) const {
    if (size < kLargeBytes || CopyBlocks().size() >= kMaxPooled) {
      delete[] block;
      return;
    }
    ASAN_POISON_MEMORY_REGION(block, size);
    CopyBlocks().emplace(size, block);
  }
};

const char *FnName(Fn fn) { return kFnNames[static_cast<std::size_t>(fn)]; }

bool IsModifiedUtf8(const std::string &bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t extra = lead >> 5 == 6 ? 1 : lead >> 4 == 14 ? 2 : 0;
    if (lead == 0 || (extra == 0 && lead >= 0x80) ||
        bytes.size() - i <= extra) {
      return false;
    }
    unsigned unit = extra == 0 ? lead : lead & (0x3Fu >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if (next >> 6 != 2) {
        return false;
      }
      unit = unit << 6 | (next & 0x3Fu);
    }
    if (extra == 1 ? unit < 0x80 && unit != 0 : extra == 2 && unit < 0x800) {
      return false; // longer than need be, but U+0000 in two bytes
    }
    i += extra + 1;
  }
  return true;
}

struct FakeJni::Object {
  enum class Kind { Class, String, IntArray, ByteArray, ObjectArray };
  Kind kind;
  int id = 0;
  std::string utf;
  std::vector<jint> ints;
  std::vector<jbyte> bytes;
  std::vector<jobject> elements;

  int pinsInPlace = 0; // large byte[]: poisoned while none
  // A large byte[] of one fill taken from the pool holds the bytes of its
  // last use until something reads them: most are never pinned, and
  // filling 1 MiB for nothing took a fifth of the fuzzer's time.
  std::optional<jbyte> pendingFill;

  explicit Object(Kind k) : kind(k) {}
  ~Object() {
    const std::size_t size = bytes.capacity();
    if (size >= kLargeBytes && ArrayBlocks().size() < kMaxPooled) {
      ASAN_UNPOISON_MEMORY_REGION(bytes.data(), size);
      ArrayBlocks().emplace(size, std::move(bytes));
    }
  }
  Object(const Object &) = delete;
  Object &operator=(const Object &) = delete;
  // Lets the test's accessors read a large byte[] between pins.
  void Readable() {
    if (pinsInPlace == 0) {
      ASAN_UNPOISON_MEMORY_REGION(bytes.data(), bytes.size());
    }
    Fill();
  }
  void Fill() {
    if (pendingFill) {
      std::memset(bytes.data(), *pendingFill, bytes.size());
      pendingFill.reset();
    }
  }
  bool isArray() const { return kind != Kind::Class && kind != Kind::String; }
};

// One fetch of string characters or array elements: always a fresh copy of
// exactly the object's size, so that ASan sees a write past its end and
// only a release brings changes back.
struct FakeJni::Pin {
  Fn fetch;
  Object *object;
  std::unique_ptr<char[]> chars;
  std::unique_ptr<jint[]> ints;
  std::unique_ptr<jbyte[], ReturnBlock> bytes;
  const void *address = nullptr;
  bool inPlace = false; // the array's own storage, not a copy
  bool released = false;
};

// The function table's entries; a nested class so that they reach the
// environment's state.
struct FakeJni::Access {
  static FakeJni &Self(JNIEnv *env) {
    return *static_cast<FakeJni *>(env->functions->reserved0);
  }

  static void Violation(FakeJni &jni, std::string text) {
    jni.violations_.push_back(std::move(text));
  }

  // Counts the call, checks for a pending exception, and says whether an
  // injected failure applies to this call.
  static bool Enter(FakeJni &jni, Fn fn, const void *object,
                    bool mayRunWithPending = false) {
    const int n = ++jni.calls_[static_cast<std::size_t>(fn)];
    if (!mayRunWithPending && !jni.pending_.empty()) {
      Violation(jni, std::string(FnName(fn)) + " called while " + jni.pending_ +
                         " is pending");
    }
    return jni.failAt_.count({fn, n}) != 0 ||
           (object != nullptr && jni.failFor_.count({fn, object}) != 0);
  }

  static void Event(FakeJni &jni, std::string text) {
    jni.events_.push_back(std::move(text));
  }

  static void Raise(FakeJni &jni, const char *exception) {
    if (jni.pending_.empty()) {
      jni.pending_ = exception;
    }
  }

  // Resolves a reference the bridge passed in, which JNI requires to be
  // non-null and of the given kind.
  static Object *Expect(FakeJni &jni, Fn fn, jobject handle, Object::Kind kind,
                        const char *what) {
    if (handle == nullptr) {
      Violation(jni, std::string(FnName(fn)) + " with a null " + what);
      return nullptr;
    }
    Object *object = jni.Find(handle);
    if (object == nullptr) {
      Violation(jni, std::string(FnName(fn)) + " with an unknown reference");
      return nullptr;
    }
    if (object->kind != kind) {
      Violation(jni, std::string(FnName(fn)) + " with " + jni.ref(handle) +
                         ", which is not a " + what);
      return nullptr;
    }
    return object;
  }

  // The outstanding fetch at `address`, or a violation saying why not.
  static Pin *FindPin(FakeJni &jni, Fn release, Fn fetch, Object *object,
                      const void *address) {
    const std::string name = FnName(release);
    if (address == nullptr) {
      Violation(jni, name + " of a null pointer");
      return nullptr;
    }
    bool releasedBefore = false;
    for (auto &pin : jni.pins_) {
      if (pin->address != address || pin->fetch != fetch) {
        continue;
      }
      if (pin->released) {
        releasedBefore = true;
        continue;
      }
      if (pin->object != object) {
        Violation(jni, name + " of a pointer fetched from #" +
                           std::to_string(pin->object->id) + ", given #" +
                           std::to_string(object->id));
        return nullptr;
      }
      return pin.get();
    }
    Violation(jni, name + (releasedBefore ? " of a pointer released already"
                                          : " of a pointer never handed out"));
    return nullptr;
  }

  // --- strings ---

  static const char *JNICALL GetStringUTFChars(JNIEnv *env, jstring string,
                                               jboolean *isCopy) {
    FakeJni &jni = Self(env);
    const bool fail = Enter(jni, Fn::GetStringUTFChars, string);
    Object *object = Expect(jni, Fn::GetStringUTFChars, string,
                            Object::Kind::String, "String");
    if (object == nullptr) {
      Event(jni, "GetStringUTFChars(" + jni.ref(string) + ") misused");
      return nullptr;
    }
    if (fail) {
      Event(jni, "GetStringUTFChars(" + jni.ref(string) + ") failed");
      Raise(jni, kOutOfMemory);
      return nullptr;
    }
    auto pin = std::make_unique<Pin>();
    pin->fetch = Fn::GetStringUTFChars;
    pin->object = object;
    pin->chars.reset(new char[object->utf.size() + 1]);
    std::memcpy(pin->chars.get(), object->utf.data(), object->utf.size());
    pin->chars[object->utf.size()] = '\0';
    pin->address = pin->chars.get();
    if (isCopy != nullptr) {
      *isCopy = JNI_TRUE;
    }
    const char *result = pin->chars.get();
    jni.pins_.push_back(std::move(pin));
    Event(jni, "GetStringUTFChars(" + jni.ref(string) + ")");
    return result;
  }

  static void JNICALL ReleaseStringUTFChars(JNIEnv *env, jstring string,
                                            const char *chars) {
    FakeJni &jni = Self(env);
    Enter(jni, Fn::ReleaseStringUTFChars, string, true);
    Event(jni, "ReleaseStringUTFChars(" + jni.ref(string) + ")");
    Object *object = Expect(jni, Fn::ReleaseStringUTFChars, string,
                            Object::Kind::String, "String");
    if (object == nullptr) {
      return;
    }
    Pin *pin = FindPin(jni, Fn::ReleaseStringUTFChars, Fn::GetStringUTFChars,
                       object, chars);
    if (pin != nullptr) {
      pin->chars.reset();
      pin->released = true;
    }
  }

  static jstring JNICALL NewStringUTF(JNIEnv *env, const char *bytes) {
    FakeJni &jni = Self(env);
    const bool fail = Enter(jni, Fn::NewStringUTF, nullptr);
    if (bytes == nullptr) {
      Violation(jni, "NewStringUTF(NULL)");
      Event(jni, "NewStringUTF(NULL)");
      return nullptr;
    }
    if (!IsModifiedUtf8(bytes)) {
      Violation(jni, "NewStringUTF of bytes that are not modified UTF-8");
    }
    if (fail) {
      Event(jni, "NewStringUTF failed");
      Raise(jni, kOutOfMemory);
      return nullptr;
    }
    jstring string = jni.String(bytes);
    jni.localRefs_.insert(string);
    ++jni.localRefsCreated_;
    Event(jni, "NewStringUTF(" + jni.ref(string) + ")");
    return string;
  }

  // --- arrays ---

  static jsize JNICALL GetArrayLength(JNIEnv *env, jarray array) {
    FakeJni &jni = Self(env);
    Enter(jni, Fn::GetArrayLength, array);
    Event(jni, "GetArrayLength(" + jni.ref(array) + ")");
    if (array == nullptr) {
      Violation(jni, "GetArrayLength with a null array");
      return 0;
    }
    Object *object = jni.Find(array);
    if (object == nullptr || !object->isArray()) {
      Violation(jni, "GetArrayLength with " + jni.ref(array) +
                         ", which is not an array");
      return 0;
    }
    switch (object->kind) {
    case Object::Kind::IntArray:
      return static_cast<jsize>(object->ints.size());
    case Object::Kind::ByteArray:
      return static_cast<jsize>(object->bytes.size());
    default:
      return static_cast<jsize>(object->elements.size());
    }
  }

  static jobject JNICALL GetObjectArrayElement(JNIEnv *env, jobjectArray array,
                                               jsize index) {
    FakeJni &jni = Self(env);
    const bool fail = Enter(jni, Fn::GetObjectArrayElement, array);
    const std::string call = "GetObjectArrayElement(" + jni.ref(array) + "," +
                             std::to_string(index) + ")";
    Object *object = Expect(jni, Fn::GetObjectArrayElement, array,
                            Object::Kind::ObjectArray, "object array");
    if (object == nullptr) {
      Event(jni, call + " misused");
      return nullptr;
    }
    if (index < 0 ||
        static_cast<std::size_t>(index) >= object->elements.size()) {
      Event(jni, call + " out of bounds");
      Raise(jni, kIndexOutOfBounds);
      return nullptr;
    }
    if (fail) {
      Event(jni, call + " failed");
      Raise(jni, kOutOfMemory);
      return nullptr;
    }
    jobject element = object->elements[static_cast<std::size_t>(index)];
    if (element != nullptr) {
      jni.localRefs_.insert(element);
      ++jni.localRefsCreated_;
    }
    Event(jni, call);
    return element;
  }

  static void JNICALL SetObjectArrayElement(JNIEnv *env, jobjectArray array,
                                            jsize index, jobject value) {
    FakeJni &jni = Self(env);
    Enter(jni, Fn::SetObjectArrayElement, array);
    Event(jni, "SetObjectArrayElement(" + jni.ref(array) + "," +
                   std::to_string(index) + "," + jni.ref(value) + ")");
    Object *object = Expect(jni, Fn::SetObjectArrayElement, array,
                            Object::Kind::ObjectArray, "object array");
    if (object == nullptr) {
      return;
    }
    if (value != nullptr) {
      Object *stored = jni.Find(value);
      if (stored == nullptr || stored->kind != Object::Kind::String) {
        Violation(jni, "SetObjectArrayElement of " + jni.ref(value) +
                           ", which is not a String");
        Raise(jni, kArrayStore);
        return;
      }
    }
    if (index < 0 ||
        static_cast<std::size_t>(index) >= object->elements.size()) {
      Violation(jni, "SetObjectArrayElement out of range: index " +
                         std::to_string(index) + " of " + jni.ref(array));
      Raise(jni, kIndexOutOfBounds);
      return;
    }
    object->elements[static_cast<std::size_t>(index)] = value;
  }

  static void JNICALL DeleteLocalRef(JNIEnv *env, jobject ref) {
    FakeJni &jni = Self(env);
    Enter(jni, Fn::DeleteLocalRef, ref, true);
    Event(jni, "DeleteLocalRef(" + jni.ref(ref) + ")");
    if (ref == nullptr) {
      return; // allowed by JNI
    }
    auto it = jni.localRefs_.find(ref);
    if (it == jni.localRefs_.end()) {
      Violation(jni, "DeleteLocalRef(" + jni.ref(ref) +
                         ") of a reference not created in this call "
                         "or deleted already");
      return;
    }
    jni.localRefs_.erase(it);
    ++jni.localRefsDeleted_;
  }

  // --- pinned primitive arrays, one body for int and byte ---

  struct IntTraits {
    using T = jint;
    static constexpr Fn kGet = Fn::GetIntArrayElements;
    static constexpr Fn kRelease = Fn::ReleaseIntArrayElements;
    static constexpr Object::Kind kKind = Object::Kind::IntArray;
    static constexpr const char *kWhat = "int[]";
    static std::vector<jint> &Values(Object &o) { return o.ints; }
    static std::unique_ptr<jint[]> &Storage(Pin &p) { return p.ints; }
    static void Allocate(Pin &p, std::size_t n) { p.ints.reset(new jint[n]); }
  };
  struct ByteTraits {
    using T = jbyte;
    static constexpr Fn kGet = Fn::GetByteArrayElements;
    static constexpr Fn kRelease = Fn::ReleaseByteArrayElements;
    static constexpr Object::Kind kKind = Object::Kind::ByteArray;
    static constexpr const char *kWhat = "byte[]";
    static std::vector<jbyte> &Values(Object &o) { return o.bytes; }
    static std::unique_ptr<jbyte[], ReturnBlock> &Storage(Pin &p) {
      return p.bytes;
    }
    static void Allocate(Pin &p, std::size_t n) {
      p.bytes = std::unique_ptr<jbyte[], ReturnBlock>(TakeCopyBlock(n),
                                                      ReturnBlock{n});
    }
  };

  template <typename Tr>
  static typename Tr::T *GetElements(JNIEnv *env, jarray array,
                                     jboolean *isCopy) {
    using T = typename Tr::T;
    FakeJni &jni = Self(env);
    const bool fail = Enter(jni, Tr::kGet, array);
    const std::string call =
        std::string(FnName(Tr::kGet)) + "(" + jni.ref(array) + ")";
    Object *object = Expect(jni, Tr::kGet, array, Tr::kKind, Tr::kWhat);
    if (object == nullptr) {
      Event(jni, call + " misused");
      return nullptr;
    }
    if (fail) {
      Event(jni, call + " failed");
      Raise(jni, kOutOfMemory);
      return nullptr;
    }
    object->Fill();
    std::vector<T> &values = Tr::Values(*object);
    auto pin = std::make_unique<Pin>();
    pin->fetch = Tr::kGet;
    pin->object = object;
    T *result = nullptr;
    pin->inPlace = jni.pinInPlace_ && std::is_same_v<T, jbyte> &&
                   values.size() >= kLargeBytes;
    if (pin->inPlace) {
      if (object->pinsInPlace++ == 0) {
        ASAN_UNPOISON_MEMORY_REGION(values.data(), values.size());
      }
      result = values.data();
    } else {
      Tr::Allocate(*pin, values.size());
      auto &copy = Tr::Storage(*pin);
      if (!values.empty()) {
        std::memcpy(copy.get(), values.data(), values.size() * sizeof(T));
      }
      result = copy.get();
    }
    pin->address = result;
    if (isCopy != nullptr) {
      *isCopy = pin->inPlace ? JNI_FALSE : JNI_TRUE;
    }
    jni.pins_.push_back(std::move(pin));
    Event(jni, call);
    return result;
  }

  template <typename Tr>
  static void ReleaseElements(JNIEnv *env, jarray array, typename Tr::T *elems,
                              jint mode) {
    using T = typename Tr::T;
    FakeJni &jni = Self(env);
    Enter(jni, Tr::kRelease, array, true);
    const std::string name = FnName(Tr::kRelease);
    Event(jni,
          name + "(" + jni.ref(array) + ",mode=" + std::to_string(mode) + ")");
    jni.releaseModes_.push_back(mode);
    if (mode != 0) {
      Violation(jni, name + "(" + jni.ref(array) + ") with mode " +
                         std::to_string(mode) + ", not 0");
    }
    Object *object = Expect(jni, Tr::kRelease, array, Tr::kKind, Tr::kWhat);
    if (object == nullptr) {
      return;
    }
    Pin *pin = FindPin(jni, Tr::kRelease, Tr::kGet, object, elems);
    if (pin == nullptr) {
      return;
    }
    std::vector<T> &values = Tr::Values(*object);
    if ((mode == 0 || mode == JNI_COMMIT) && !pin->inPlace && !values.empty()) {
      std::memcpy(values.data(), elems, values.size() * sizeof(T));
    }
    if (mode != JNI_COMMIT) {
      Tr::Storage(*pin).reset();
      pin->released = true;
      // Until the next pin, a pointer into the array fails as a freed
      // copy would.
      if (pin->inPlace && --object->pinsInPlace == 0) {
        ASAN_POISON_MEMORY_REGION(values.data(), values.size());
      }
    }
  }

  static jint *JNICALL GetIntArrayElements(JNIEnv *env, jintArray array,
                                           jboolean *isCopy) {
    return GetElements<IntTraits>(env, array, isCopy);
  }
  static void JNICALL ReleaseIntArrayElements(JNIEnv *env, jintArray array,
                                              jint *elems, jint mode) {
    ReleaseElements<IntTraits>(env, array, elems, mode);
  }
  static jbyte *JNICALL GetByteArrayElements(JNIEnv *env, jbyteArray array,
                                             jboolean *isCopy) {
    return GetElements<ByteTraits>(env, array, isCopy);
  }
  static void JNICALL ReleaseByteArrayElements(JNIEnv *env, jbyteArray array,
                                               jbyte *elems, jint mode) {
    ReleaseElements<ByteTraits>(env, array, elems, mode);
  }

  // --- traps for the functions a bridge might reach for by mistake ---

  template <std::size_t Slot, typename F> struct Trap;
  template <std::size_t Slot, typename R, typename... A>
  struct Trap<Slot, R(JNICALL *)(JNIEnv *, A...)> {
    static R JNICALL Call(JNIEnv *env, A...) {
      FakeJni &jni = Self(env);
      Violation(jni, std::string("unexpected JNI function ") + TrapName(Slot));
      if constexpr (!std::is_void_v<R>) {
        return R{};
      }
    }
  };

  static std::map<std::size_t, const char *> &TrapNames() {
    static std::map<std::size_t, const char *> names;
    return names;
  }
  static const char *TrapName(std::size_t slot) {
    auto it = TrapNames().find(slot);
    return it == TrapNames().end() ? "?" : it->second;
  }

  static void Install(JNINativeInterface_ &t, FakeJni *self) {
    t.reserved0 = self;
    t.GetStringUTFChars = &GetStringUTFChars;
    t.ReleaseStringUTFChars = &ReleaseStringUTFChars;
    t.NewStringUTF = &NewStringUTF;
    t.GetArrayLength = &GetArrayLength;
    t.GetObjectArrayElement = &GetObjectArrayElement;
    t.SetObjectArrayElement = &SetObjectArrayElement;
    t.DeleteLocalRef = &DeleteLocalRef;
    t.GetIntArrayElements = &GetIntArrayElements;
    t.ReleaseIntArrayElements = &ReleaseIntArrayElements;
    t.GetByteArrayElements = &GetByteArrayElements;
    t.ReleaseByteArrayElements = &ReleaseByteArrayElements;

#define QELTEST_TRAP(name)                                                     \
  TrapNames()[offsetof(JNINativeInterface_, name)] = #name;                    \
  t.name = &Trap<offsetof(JNINativeInterface_, name), decltype(t.name)>::Call;
    QELTEST_TRAP(GetVersion)
    QELTEST_TRAP(FindClass)
    QELTEST_TRAP(Throw)
    QELTEST_TRAP(ThrowNew)
    QELTEST_TRAP(ExceptionOccurred)
    QELTEST_TRAP(ExceptionDescribe)
    QELTEST_TRAP(ExceptionClear)
    QELTEST_TRAP(ExceptionCheck)
    QELTEST_TRAP(FatalError)
    QELTEST_TRAP(PushLocalFrame)
    QELTEST_TRAP(PopLocalFrame)
    QELTEST_TRAP(NewGlobalRef)
    QELTEST_TRAP(DeleteGlobalRef)
    QELTEST_TRAP(NewLocalRef)
    QELTEST_TRAP(EnsureLocalCapacity)
    QELTEST_TRAP(IsSameObject)
    QELTEST_TRAP(GetObjectClass)
    QELTEST_TRAP(NewString)
    QELTEST_TRAP(GetStringLength)
    QELTEST_TRAP(GetStringChars)
    QELTEST_TRAP(ReleaseStringChars)
    QELTEST_TRAP(GetStringUTFLength)
    QELTEST_TRAP(GetStringRegion)
    QELTEST_TRAP(GetStringUTFRegion)
    QELTEST_TRAP(GetStringCritical)
    QELTEST_TRAP(ReleaseStringCritical)
    QELTEST_TRAP(NewObjectArray)
    QELTEST_TRAP(NewIntArray)
    QELTEST_TRAP(NewByteArray)
    QELTEST_TRAP(GetIntArrayRegion)
    QELTEST_TRAP(SetIntArrayRegion)
    QELTEST_TRAP(GetByteArrayRegion)
    QELTEST_TRAP(SetByteArrayRegion)
    QELTEST_TRAP(GetPrimitiveArrayCritical)
    QELTEST_TRAP(ReleasePrimitiveArrayCritical)
    QELTEST_TRAP(GetCharArrayElements)
    QELTEST_TRAP(ReleaseCharArrayElements)
    QELTEST_TRAP(GetLongArrayElements)
    QELTEST_TRAP(ReleaseLongArrayElements)
    QELTEST_TRAP(GetBooleanArrayElements)
    QELTEST_TRAP(ReleaseBooleanArrayElements)
    QELTEST_TRAP(GetJavaVM)
#undef QELTEST_TRAP
  }
};

// --- FakeJni ---

FakeJni::FakeJni() {
  Access::Install(table_, this);
  env_.functions = &table_;
  auto object = std::make_unique<Object>(Object::Kind::Class);
  object->utf = "QelScan/QelScanApi";
  cls_ = static_cast<jclass>(Add(std::move(object)));
}

FakeJni::~FakeJni() = default;

jobject FakeJni::Add(std::unique_ptr<Object> object) {
  object->id = nextId_++;
  // The handle is the object's address; JNI only ever compares handles.
  jobject handle = reinterpret_cast<jobject>(object.get());
  byHandle_[handle] = object.get();
  objects_.push_back(std::move(object));
  return handle;
}

FakeJni::Object *FakeJni::Find(jobject handle) const {
  auto it = byHandle_.find(handle);
  return it == byHandle_.end() ? nullptr : it->second;
}

jstring FakeJni::String(std::string modifiedUtf8) {
  auto object = std::make_unique<Object>(Object::Kind::String);
  object->utf = std::move(modifiedUtf8);
  return static_cast<jstring>(Add(std::move(object)));
}

jintArray FakeJni::IntArray(std::vector<jint> values) {
  auto object = std::make_unique<Object>(Object::Kind::IntArray);
  object->ints = std::move(values);
  return static_cast<jintArray>(Add(std::move(object)));
}

jbyteArray FakeJni::ByteArray(std::vector<jbyte> values) {
  auto object = std::make_unique<Object>(Object::Kind::ByteArray);
  object->bytes = std::move(values);
  return static_cast<jbyteArray>(Add(std::move(object)));
}

jbyteArray FakeJni::ByteArray(std::size_t n, jbyte fill) {
  auto it = ArrayBlocks().find(n);
  if (it == ArrayBlocks().end() || it->second.size() != n) {
    std::vector<jbyte> values;
    values.reserve(n); // exactly n
    values.assign(n, fill);
    return ByteArray(std::move(values));
  }
  auto object = std::make_unique<Object>(Object::Kind::ByteArray);
  object->bytes = std::move(it->second);
  object->pendingFill = fill;
  ArrayBlocks().erase(it);
  return static_cast<jbyteArray>(Add(std::move(object)));
}

jobjectArray
FakeJni::StringArray(std::vector<std::optional<std::string>> elements) {
  auto object = std::make_unique<Object>(Object::Kind::ObjectArray);
  for (auto &e : elements) {
    object->elements.push_back(e ? String(std::move(*e)) : nullptr);
  }
  return static_cast<jobjectArray>(Add(std::move(object)));
}

std::vector<jint> FakeJni::ints(jintArray array) const {
  const Object *object = Find(array);
  if (object == nullptr || object->kind != Object::Kind::IntArray) {
    ReportTestMistake("ints() of " + ref(array) + ", which is not an int[]");
    return {};
  }
  return object->ints;
}

std::vector<jbyte> FakeJni::bytes(jbyteArray array) const {
  Object *object = Find(array);
  if (object == nullptr || object->kind != Object::Kind::ByteArray) {
    ReportTestMistake("bytes() of " + ref(array) + ", which is not a byte[]");
    return {};
  }
  object->Readable();
  return object->bytes;
}

bool FakeJni::filledWith(jbyteArray array, std::size_t length,
                         jbyte fill) const {
  Object *object = Find(array);
  if (object == nullptr || object->kind != Object::Kind::ByteArray) {
    ReportTestMistake("filledWith() of " + ref(array) +
                      ", which is not a byte[]");
    return false;
  }
  const std::vector<jbyte> &bytes = object->bytes;
  if (bytes.size() != length) {
    return false;
  }
  if (object->pendingFill) {
    return *object->pendingFill == fill;
  }
  object->Readable();
  // The first byte is the fill, and each equals the next.
  return length == 0 ||
         (bytes[0] == fill &&
          std::memcmp(bytes.data(), bytes.data() + 1, length - 1) == 0);
}

std::optional<std::string> FakeJni::element(jobjectArray array,
                                            jsize index) const {
  const Object *object = Find(array);
  if (object == nullptr || object->kind != Object::Kind::ObjectArray ||
      index < 0 || static_cast<std::size_t>(index) >= object->elements.size()) {
    ReportTestMistake("element(" + ref(array) + ", " + std::to_string(index) +
                      ") does not exist");
    return std::nullopt;
  }
  return text(
      static_cast<jstring>(object->elements[static_cast<std::size_t>(index)]));
}

std::optional<std::string> FakeJni::text(jstring string) const {
  if (string == nullptr) {
    return std::nullopt;
  }
  const Object *object = Find(string);
  if (object == nullptr || object->kind != Object::Kind::String) {
    ReportTestMistake(ref(string) + " is not a String");
    return std::nullopt;
  }
  return object->utf;
}

std::string FakeJni::ref(jobject object) const {
  if (object == nullptr) {
    return "#0";
  }
  const Object *found = Find(object);
  return found == nullptr ? "#?" : "#" + std::to_string(found->id);
}

void FakeJni::FailCall(Fn fn, int nth) {
  if (!CanFail(fn) || nth < 1) {
    ReportTestMistake(std::string("FailCall(") + FnName(fn) + ", " +
                      std::to_string(nth) + "): that call cannot fail");
    return;
  }
  failAt_.insert({fn, calls(fn) + nth});
}

void FakeJni::FailFor(Fn fn, jobject object) {
  if (!CanFail(fn) || fn == Fn::NewStringUTF || object == nullptr) {
    ReportTestMistake(std::string("FailFor(") + FnName(fn) + ", " +
                      ref(object) + "): that call cannot fail for an object");
    return;
  }
  failFor_.insert({fn, object});
}

namespace {
template <typename Pins> int Outstanding(const Pins &pins, Fn fetch) {
  int n = 0;
  for (const auto &pin : pins) {
    n += (pin->fetch == fetch && !pin->released) ? 1 : 0;
  }
  return n;
}
} // namespace

int FakeJni::outstandingIntPins() const {
  return Outstanding(pins_, Fn::GetIntArrayElements);
}
int FakeJni::outstandingBytePins() const {
  return Outstanding(pins_, Fn::GetByteArrayElements);
}
int FakeJni::outstandingStrings() const {
  return Outstanding(pins_, Fn::GetStringUTFChars);
}
int FakeJni::outstandingLocalRefs() const {
  return static_cast<int>(localRefs_.size());
}

std::string FakeJni::held() const {
  std::ostringstream list;
  for (const auto &pin : pins_) {
    if (!pin->released) {
      list << " " << FnName(pin->fetch) << "(#" << pin->object->id << ")";
    }
  }
  return list.str();
}

} // namespace qeltest
