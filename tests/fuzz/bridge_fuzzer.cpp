// libFuzzer target over every export of the bridge, called through FakeJni
// with the recording scanner behind it.
//
// An input is a short sequence of calls. For each one the input picks the
// export, its arguments (null or not, array lengths around each minimum,
// strings of up to 600 bytes, valid or not as modified UTF-8), JNI calls
// that fail, and what the scanner library returns and writes. After each
// call the harness aborts, so that libFuzzer keeps the input, when the
// bridge kept a pin, a string or a local reference, misused JNI (a new
// string of bytes that are not modified UTF-8 among it), broke the
// library's contract, changed a Java array although it refused the call
// before reaching the library, or returned something the library did not.
#include <fuzzer/FuzzedDataProvider.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "QelScan_QelScanApi.h"
#include "bridge/log.h"
#include "scannerlib/entries.h"
#include "support/fake_jni.h"
#include "support/recording_scanner_api.h"

namespace qeltest {
// Only the harness can make such a mistake here; it must not pass unseen.
void ReportTestMistake(const std::string &text) {
  std::fprintf(stderr, "harness mistake: %s\n", text.c_str());
  std::abort();
}
} // namespace qeltest

namespace {

using qeltest::FakeJni;
using qeltest::Fn;

namespace ord {
#define QELFUZZ_ORDINAL(ordinal, result, name, parameters, bytes)              \
  name = (ordinal),
enum : int { QEL_SCANNER_ENTRIES(QELFUZZ_ORDINAL) };
#undef QELFUZZ_ORDINAL
} // namespace ord

// --- the table of exports ---

// Argument kinds, one letter each:
//   i int, l long, s String,
//   o String[] that receives a text in element 0,
//   n int[] that receives a value in element 0 (at least 1 element),
//   d int[] of document status values (at least 32),
//   b byte[] image buffer (at least 1048576 bytes),
//   t byte[] text to print (1 to 255 bytes).
template <typename T> constexpr bool FitsKind(char kind) {
  if constexpr (std::is_same_v<T, jint>) {
    return kind == 'i';
  } else if constexpr (std::is_same_v<T, jlong>) {
    return kind == 'l';
  } else if constexpr (std::is_same_v<T, jstring>) {
    return kind == 's';
  } else if constexpr (std::is_same_v<T, jobjectArray>) {
    return kind == 'o';
  } else if constexpr (std::is_same_v<T, jintArray>) {
    return kind == 'n' || kind == 'd';
  } else if constexpr (std::is_same_v<T, jbyteArray>) {
    return kind == 'b' || kind == 't';
  } else {
    return false;
  }
}

struct Arg {
  jlong number = 0;
  jobject object = nullptr;
};

struct Outcome {
  jint code = 0;
  jstring text = nullptr; // MirbGetParamString's result
};

template <typename T> T As(const Arg &arg) {
  if constexpr (std::is_same_v<T, jint>) {
    return static_cast<jint>(arg.number);
  } else if constexpr (std::is_same_v<T, jlong>) {
    return arg.number;
  } else {
    return static_cast<T>(arg.object);
  }
}

// Calls export `f` with arguments converted to its parameter types, and
// says at compile time whether a kind string matches those types.
template <auto f, typename Signature = decltype(f)> struct Thunk;
template <auto f, typename R, typename... A>
struct Thunk<f, R(JNICALL *)(JNIEnv *, jclass, A...)> {
  static constexpr bool Fits(const char *kinds) {
    std::size_t length = 0;
    while (kinds[length] != '\0') {
      ++length;
    }
    return length == sizeof...(A) &&
           FitsAll(kinds, std::index_sequence_for<A...>{});
  }
  static Outcome Call(JNIEnv *env, jclass cls, const Arg *args) {
    return Invoke(env, cls, args, std::index_sequence_for<A...>{});
  }

private:
  template <std::size_t... I>
  static constexpr bool FitsAll(const char *kinds, std::index_sequence<I...>) {
    return (true && ... && FitsKind<A>(kinds[I]));
  }
  template <std::size_t... I>
  static Outcome Invoke(JNIEnv *env, jclass cls, const Arg *args,
                        std::index_sequence<I...>) {
    (void)args; // exports without arguments
    const R result = f(env, cls, As<A>(args[I])...);
    if constexpr (std::is_same_v<R, jstring>) {
      return {0, result};
    } else {
      return {result, nullptr};
    }
  }
};

struct Export {
  const char *name;
  const char *kinds;
  int entry;  // the library entry whose result the export returns
  int helper; // another entry it may call, or 0
  Outcome (*call)(JNIEnv *, jclass, const Arg *);
  bool (*fits)(const char *);
};

#define QELFUZZ_EXPORT(method, kinds, entry, helper)                           \
  {                                                                            \
#method, kinds, entry, helper,                                             \
        &Thunk < &Java_QelScan_QelScanApi_##method> ::Call,                    \
        &Thunk < &Java_QelScan_QelScanApi_##method> ::Fits                     \
  }

constexpr Export kExports[] = {
    // Session.
    QELFUZZ_EXPORT(MirbDebug, "i", ord::MIRBDebug, 0),
    QELFUZZ_EXPORT(MirbExit, "", ord::MIRBExit, 0),
    QELFUZZ_EXPORT(MirbInit, "", ord::MIRBInit, ord::QELApiVersion),
    QELFUZZ_EXPORT(MirbInitPath, "sss", ord::MIRBInitPath, 0),
    // Parameters and configuration.
    QELFUZZ_EXPORT(MirbGetParam, "i", ord::MIRBGetParam, 0),
    QELFUZZ_EXPORT(MirbGetParamString, "i", ord::MIRBGetParamString, 0),
    QELFUZZ_EXPORT(MirbReadConfig, "s", ord::MIRBReadConfig, 0),
    QELFUZZ_EXPORT(MirbSetParam, "ii", ord::MIRBSetParam, 0),
    QELFUZZ_EXPORT(MirbSetParamString, "is", ord::MIRBSetParamString, 0),
    QELFUZZ_EXPORT(MirbWriteConfig, "s", ord::MIRBWriteConfig, 0),
    // Device status, transport and identity.
    QELFUZZ_EXPORT(GetScannerType, "", ord::QELGetScannerType, 0),
    QELFUZZ_EXPORT(IsQelUsbScannerAvailable, "nn",
                   ord::QELIsUsbScannerAvailable, 0),
    QELFUZZ_EXPORT(MirbClearDocument, "", ord::MIRBClearDocument, 0),
    QELFUZZ_EXPORT(MirbEjectDocument, "", ord::MIRBEjectDocument, 0),
    QELFUZZ_EXPORT(MirbGetScannerInfo, "nnoooi", ord::MIRBGetScannerInfo, 0),
    QELFUZZ_EXPORT(MirbGetScannerSerialNumber, "onn",
                   ord::MIRBGetScannerSerialNumber, 0),
    QELFUZZ_EXPORT(MirbStatus, "", ord::MIRBStatus, 0),
    QELFUZZ_EXPORT(MirbStatusDelay, "ii", ord::MIRBStatusDelay, 0),
    QELFUZZ_EXPORT(QelApiSupportedScanners, "", ord::QELApiSupportedScanners,
                   0),
    QELFUZZ_EXPORT(QelApiVersion, "", ord::QELApiVersion, 0),
    // Scanning.
    QELFUZZ_EXPORT(MirbScan, "isosooo", ord::MIRBScan, 0),
    QELFUZZ_EXPORT(MirbScanGray, "isosoooi", ord::MIRBScanGray, 0),
    QELFUZZ_EXPORT(MirbScanMemory, "ibnbnoi", ord::MIRBScanMemory, 0),
    QELFUZZ_EXPORT(MirbScanMemoryGray, "ibnbnoii", ord::MIRBScanMemoryGray, 0),
    QELFUZZ_EXPORT(QelScanLong, "sbni", ord::QELScanLong, 0),
    QELFUZZ_EXPORT(QelScanUV, "sbni", ord::QELScanUV, 0),
    QELFUZZ_EXPORT(QelScanToFile, "ssssonnd", ord::QELScan, 0),
    QELFUZZ_EXPORT(QelScanToMemory, "bnbnbnbnonnd", ord::QELScan,
                   ord::QELGetMemoryImageLength),
    QELFUZZ_EXPORT(QelScanSetSpecialDocument, "iissiiii",
                   ord::QELSetSpecialDocument, 0),
    QELFUZZ_EXPORT(QelScanSetSpecialDocumentEx, "iissiiiiiiiiii",
                   ord::QELSetSpecialDocumentEx, 0),
    QELFUZZ_EXPORT(QelScanGetOcrMicr, "oo", ord::QELGetOcrMicr, 0),
    // Image conversion and file operations.
    QELFUZZ_EXPORT(MirbCompressImage, "sb", ord::MIRBCompressImage, 0),
    QELFUZZ_EXPORT(MirbCompressImageGray, "sbi", ord::MIRBCompressImageGray, 0),
    QELFUZZ_EXPORT(QelUVGain, "ssiii", ord::QELUVGain, 0),
    QELFUZZ_EXPORT(QelUVTiff, "ssi", ord::QELUVTiff, 0),
    QELFUZZ_EXPORT(MirbCombineTIFFS, "ss", ord::MIRBCombineTIFFS, 0),
    QELFUZZ_EXPORT(MirbCopyFile, "ss", ord::MIRBCopyFile, 0),
    QELFUZZ_EXPORT(MirbCropFile, "ssi", ord::MIRBCropFile, 0),
    // Endorsement printing.
    QELFUZZ_EXPORT(QelBatchPrintBMP, "tlliiiiiiis", ord::QELBatchPrintBMP, 0),
    QELFUZZ_EXPORT(QelBatchPrintString, "tllii", ord::QELBatchPrintString, 0),
    QELFUZZ_EXPORT(QelScanVirtualEndorsement, "tlliiiiiiiiiiiis",
                   ord::QELScanVirtualEndorsement, 0),
};
#undef QELFUZZ_EXPORT

constexpr bool TableFits() {
  for (const Export &e : kExports) {
    if (!e.fits(e.kinds)) {
      return false;
    }
  }
  return true;
}
static_assert(std::size(kExports) == 41, "every export, once");
static_assert(TableFits(), "an argument kind does not match its export");

constexpr std::size_t kMaxArgs = 16;
constexpr int kMaxCallsPerInput = 3;
// 1 MiB arrays cost a copy on every pin, release and snapshot.
constexpr int kLargeArraysPerInput = 4;
constexpr std::size_t kImage = QELREC_IMAGE_MAX;

// Every JNI call FakeJni can fail.
const Fn kFailable[] = {Fn::GetStringUTFChars, Fn::NewStringUTF,
                        Fn::GetObjectArrayElement, Fn::GetIntArrayElements,
                        Fn::GetByteArrayElements};

// --- what Java holds before a call ---

// An image buffer is kept as its length and fill byte: 1 MiB copies are
// what slows the fuzzer most.
struct Snapshot {
  jobject array;
  char kind; // 'i' int[], 'b' byte[], 'f' byte[] of one fill byte, 'o' String[]
  std::vector<jint> ints;
  std::vector<jbyte> bytes;
  std::vector<std::optional<std::string>> elements;
  std::size_t length = 0;
  jbyte fill = 0;
};

// What a text of the library's may become in Java: itself, whatever its
// length, when it is modified UTF-8. Otherwise at most 765 bytes that keep
// the text's ASCII characters in order, all of them unless it was cut.
bool IsTheLibrarysText(std::string java, std::string library) {
  if (qeltest::IsModifiedUtf8(library)) {
    return java == library;
  }
  const std::size_t length = java.size();
  for (std::string *text : {&java, &library}) {
    text->erase(std::remove_if(text->begin(), text->end(),
                               [](char c) { return (c & 0x80) != 0; }),
                text->end());
  }
  return length <= 765 && library.compare(0, java.size(), java) == 0 &&
         (java.size() == library.size() || length > 765 - 6);
}

std::vector<std::optional<std::string>>
Elements(const FakeJni &jni, jobjectArray array, jsize length) {
  std::vector<std::optional<std::string>> elements;
  elements.reserve(length > 0 ? static_cast<std::size_t>(length) : 0);
  for (jsize i = 0; i < length; ++i) {
    elements.push_back(jni.element(array, i));
  }
  return elements;
}

// --- one call, drawn from the input ---

class Call {
public:
  Call(FuzzedDataProvider &data, FakeJni &jni, int &largeArrays)
      : data_(data), jni_(jni), largeArrays_(largeArrays) {}

  void Run() {
    const Export &e = kExports[data_.ConsumeIntegralInRange<std::size_t>(
        0, std::size(kExports) - 1)];
    export_ = &e;

    Arg args[kMaxArgs];
    for (std::size_t i = 0; e.kinds[i] != '\0'; ++i) {
      args[i] = MakeArg(e.kinds[i]);
    }
    qelrec_reset();
    Script(e.entry);
    if (e.helper != 0) {
      Script(e.helper);
    }
    InjectFailures();

    const Outcome outcome = e.call(jni_.env(), jni_.cls(), args);
    Check(outcome);
    jni_.ClearException();
  }

private:
  // --- choices ---

  template <typename T, std::size_t N> T Pick(const T (&choices)[N]) {
    return choices[data_.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
  }
  // One in eight; an exhausted input gives objects, not nulls.
  bool Null() { return data_.ConsumeIntegralInRange<int>(0, 7) == 7; }

  // Bytes of the input, padded once it runs dry.
  std::string Bytes(std::size_t length) {
    std::string bytes = data_.ConsumeBytesAsString(length);
    bytes.resize(length, 'x');
    return bytes;
  }

  // Up to `maxLength` bytes: printable, valid modified UTF-8 (two- and
  // three-byte forms, NUL as C0 80), or raw (invalid sequences, NULs).
  std::string Text(std::size_t maxLength) {
    std::size_t length = 0;
    switch (data_.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
      length = data_.ConsumeIntegralInRange<std::size_t>(0, 16);
      break;
    case 1:
      length = 255;
      break;
    case 2:
      length = 256;
      break;
    case 3:
      length = 254;
      break;
    case 4:
      length = maxLength;
      break;
    default:
      length = data_.ConsumeIntegralInRange<std::size_t>(0, maxLength);
      break;
    }
    if (length > maxLength) {
      length = maxLength;
    }
    std::string raw = Bytes(length);
    switch (data_.ConsumeIntegralInRange<int>(0, 2)) {
    case 0: {
      std::string text;
      for (unsigned char c : raw) {
        text += static_cast<char>(0x20 + c % 95);
      }
      return text;
    }
    case 1: {
      std::string text;
      for (unsigned char c : raw) {
        std::string unit;
        if (c == 0) {
          unit = "\xC0\x80";
        } else if (c < 0x80) {
          unit = std::string(1, static_cast<char>(c));
        } else if (c < 0xE0) {
          const unsigned u = 0x80u + (c - 0x80u) * 13u; // up to U+07FF
          unit = {static_cast<char>(0xC0 | (u >> 6)),
                  static_cast<char>(0x80 | (u & 0x3F))};
        } else {
          const unsigned u = 0x800u + (c - 0xE0u) * 2011u; // up to U+FFFF
          unit = {static_cast<char>(0xE0 | (u >> 12)),
                  static_cast<char>(0x80 | ((u >> 6) & 0x3F)),
                  static_cast<char>(0x80 | (u & 0x3F))};
        }
        if (text.size() + unit.size() > length) {
          break;
        }
        text += unit;
      }
      return text;
    }
    default:
      return raw;
    }
  }

  // --- arguments ---

  Arg MakeArg(char kind) {
    Arg arg;
    switch (kind) {
    case 'i':
      arg.number = data_.ConsumeIntegral<jint>();
      break;
    case 'l':
      arg.number = data_.ConsumeIntegral<jlong>();
      break;
    case 's':
      arg.object = Null() ? nullptr : jni_.String(Text(600));
      break;
    case 'o':
      arg.object = Null() ? nullptr : TextOutput();
      break;
    case 'n': {
      static constexpr std::size_t kLengths[] = {1, 0, 2};
      arg.object = Null() ? nullptr : IntArray(Pick(kLengths));
      break;
    }
    case 'd': {
      static constexpr std::size_t kLengths[] = {32, 0, 1, 31, 33};
      arg.object = Null() ? nullptr : IntArray(Pick(kLengths));
      break;
    }
    case 'b':
      arg.object = Null() ? nullptr : ImageBuffer();
      break;
    case 't':
      arg.object = Null() ? nullptr : PrintText();
      break;
    default:
      qeltest::ReportTestMistake(std::string("argument kind ") + kind);
    }
    return arg;
  }

  jobjectArray TextOutput() {
    static constexpr std::size_t kLengths[] = {1, 0, 2};
    const std::size_t length = Pick(kLengths);
    std::vector<std::optional<std::string>> elements;
    for (std::size_t i = 0; i < length; ++i) {
      if (i == 0) {
        const bool empty = data_.ConsumeIntegralInRange<int>(0, 3) == 3;
        elements.push_back(empty ? std::nullopt
                                 : std::optional<std::string>(Text(600)));
      } else {
        elements.push_back("keep");
      }
    }
    jobjectArray array = jni_.StringArray(std::move(elements));
    Snapshot s{array, 'o', {}, {}, {}};
    s.elements = Elements(jni_, array, static_cast<jsize>(length));
    snapshots_.push_back(std::move(s));
    return array;
  }

  jintArray IntArray(std::size_t length) {
    std::vector<jint> values(length);
    for (std::size_t i = 0; i < length; ++i) {
      values[i] = static_cast<jint>(0x5A5A0000 + i); // no output looks so
    }
    jintArray array = jni_.IntArray(values);
    snapshots_.push_back({array, 'i', std::move(values), {}, {}});
    return array;
  }

  jbyteArray ImageBuffer() {
    static constexpr std::size_t kLengths[] = {kImage, 0, 1, kImage - 1,
                                               kImage + 1};
    std::size_t length = Pick(kLengths);
    if (length >= kImage - 1) {
      if (largeArrays_ == 0) {
        length = 64; // too short all the same
      } else {
        --largeArrays_;
      }
    }
    const jbyte fill = data_.ConsumeIntegral<jbyte>();
    jbyteArray array = jni_.ByteArray(length, fill);
    Snapshot s{array, 'f', {}, {}, {}};
    s.length = length;
    s.fill = fill;
    snapshots_.push_back(std::move(s));
    return array;
  }

  jbyteArray PrintText() {
    std::size_t length = 0;
    switch (data_.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
      length = data_.ConsumeIntegralInRange<std::size_t>(1, 16);
      break;
    case 1:
      length = 0;
      break;
    case 2:
      length = 255;
      break;
    case 3:
      length = 256;
      break;
    case 4:
      length = 254;
      break;
    default:
      length = data_.ConsumeIntegralInRange<std::size_t>(0, 600);
      break;
    }
    const std::string text = Bytes(length);
    std::vector<jbyte> values(text.begin(), text.end());
    jbyteArray array = jni_.ByteArray(values);
    snapshots_.push_back({array, 'b', {}, std::move(values), {}});
    return array;
  }

  // --- the scanner library's side ---

  jint Result() {
    static constexpr jint kResults[] = {0,    -1,   1,       1511,
                                        1512, 1513, INT_MIN, INT_MAX};
    return data_.ConsumeBool() ? Pick(kResults) : data_.ConsumeIntegral<jint>();
  }

  std::int64_t Value() {
    static constexpr std::int64_t kValues[] = {
        0, -1, 1, 255, 256, INT_MIN, INT_MAX, 4294967295LL};
    return data_.ConsumeBool() ? Pick(kValues) : data_.ConsumeIntegral<jint>();
  }

  // Results and outputs of `ordinal`, each within its slot's capacity as
  // the library's contract gives it.
  void Script(int ordinal) {
    if (data_.ConsumeBool()) {
      const jint result = Result();
      qelrec_set_result(ordinal, result);
      results_.push_back({ordinal, result});
    }
    for (int slot = 0;; ++slot) {
      const int capacity = qelrec_slot_capacity(ordinal, 0, slot);
      if (capacity == 0) {
        break;
      }
      if (data_.ConsumeBool()) {
        // A NUL inside only ends the text sooner.
        qelrec_set_text(ordinal, slot,
                        Text(static_cast<std::size_t>(capacity) - 1).c_str());
      }
    }
    for (int slot = 0;; ++slot) {
      const int capacity = qelrec_slot_capacity(ordinal, 1, slot);
      if (capacity == 0) {
        break;
      }
      if (data_.ConsumeBool()) {
        std::vector<std::int64_t> values(
            data_.ConsumeIntegralInRange<std::size_t>(1, capacity));
        for (std::int64_t &v : values) {
          v = Value();
        }
        if (qelrec_set_ints(ordinal, slot, values.data(),
                            static_cast<std::int32_t>(values.size())) != 0) {
          // Out of the slot's type (a byte, an unsigned): the low byte
          // fits every type. The refusal is not the bridge's doing.
          qelrec_clear_violations();
          for (std::int64_t &v : values) {
            v &= 0xFF;
          }
          qelrec_set_ints(ordinal, slot, values.data(),
                          static_cast<std::int32_t>(values.size()));
        }
      }
    }
    for (int slot = 0;; ++slot) {
      const int capacity = qelrec_slot_capacity(ordinal, 2, slot);
      if (capacity == 0) {
        break;
      }
      if (data_.ConsumeBool()) {
        const std::size_t count =
            data_.ConsumeIntegralInRange<int>(0, 7) == 7
                ? static_cast<std::size_t>(capacity)
                : data_.ConsumeIntegralInRange<std::size_t>(0, 64);
        // One buffer for every input: an image's 1 MiB taken fresh each
        // time costs page faults.
        static std::string bytes;
        bytes.assign(data_.ConsumeBytesAsString(count));
        bytes.resize(count, 'x');
        qelrec_set_bytes(ordinal, slot,
                         reinterpret_cast<const unsigned char *>(bytes.data()),
                         static_cast<std::uint32_t>(bytes.size()));
      }
    }
    if (ordinal == ord::MIRBGetParamString) {
      paramStringNull_ = Null();
      // The library hands over a C string: a raw NUL ends it.
      paramString_ = paramStringNull_ ? "" : Text(600).c_str();
      qelrec_set_param_string(paramString_.c_str(), paramStringNull_);
    }
  }

  // QelScanToMemory pins up to seven int[], so any of the first eight
  // calls of a function may fail.
  void InjectFailures() {
    const int failures = data_.ConsumeIntegralInRange<int>(0, 4) - 2;
    for (int i = 0; i < failures; ++i) {
      const Fn fn = Pick(kFailable);
      jni_.FailCall(fn, data_.ConsumeIntegralInRange<int>(1, 8));
    }
  }

  // --- the checks ---

  [[noreturn]] void Fail(const std::string &what) const {
    std::fprintf(stderr, "\n%s: %s\nJNI events:\n", export_->name,
                 what.c_str());
    for (const std::string &event : jni_.events()) {
      std::fprintf(stderr, "  %s\n", event.c_str());
    }
    for (const std::string &v : jni_.violations()) {
      std::fprintf(stderr, "JNI misuse: %s\n", v.c_str());
    }
    char text[512];
    for (int i = 0; qelrec_get_violation(i, text, sizeof text) == 1; ++i) {
      std::fprintf(stderr, "scanner contract: %s\n", text);
    }
    std::fprintf(stderr, "pending exception: %s\n",
                 jni_.pendingException().c_str());
    std::abort();
  }

  bool Called(int ordinal) const {
    auto call = std::make_unique<QelRecCall>();
    for (int i = 0; qelrec_get_call(i, call.get()) == 1; ++i) {
      if (call->ordinal == ordinal) {
        return true;
      }
    }
    return false;
  }

  jint ScriptedResult(int ordinal) const {
    for (const auto &r : results_) {
      if (r.first == ordinal) {
        return r.second;
      }
    }
    return 0;
  }

  bool Unchanged(const Snapshot &s) const {
    switch (s.kind) {
    case 'i':
      return jni_.ints(static_cast<jintArray>(s.array)) == s.ints;
    case 'b':
      return jni_.bytes(static_cast<jbyteArray>(s.array)) == s.bytes;
    case 'f':
      return jni_.filledWith(static_cast<jbyteArray>(s.array), s.length,
                             s.fill);
    default:
      return Elements(jni_, static_cast<jobjectArray>(s.array),
                      static_cast<jsize>(s.elements.size())) == s.elements;
    }
  }

  void Check(const Outcome &outcome) {
    const bool isText = export_->entry == ord::MIRBGetParamString;
    if (isText) {
      // The library's own text, cut only when converted; null only for a
      // null text or a string that could not be made.
      if (outcome.text != nullptr) {
        if (paramStringNull_ ||
            !IsTheLibrarysText(jni_.text(outcome.text).value_or(""),
                               paramString_)) {
          Fail("the String returned is not the library's text");
        }
        // Java takes over the local reference the export returns.
        jni_.env()->DeleteLocalRef(outcome.text);
      } else if (!paramStringNull_ && jni_.pendingException().empty()) {
        Fail("null returned for a text the library gave");
      }
    }

    if (jni_.outstandingIntPins() != 0 || jni_.outstandingBytePins() != 0 ||
        jni_.outstandingStrings() != 0) {
      Fail("still held:" + jni_.held());
    }
    if (jni_.outstandingLocalRefs() != 0) {
      Fail(std::to_string(jni_.outstandingLocalRefs()) +
           " local reference(s) kept");
    }
    if (!jni_.violations().empty()) {
      Fail("JNI misuse");
    }
    if (qelrec_violation_count() != 0) {
      Fail("scanner library contract broken");
    }
    if (isText) {
      return;
    }

    const bool entryCalled = Called(export_->entry);
    if (outcome.code == -1 && qelrec_call_count() == 0) {
      for (const Snapshot &s : snapshots_) {
        if (!Unchanged(s)) {
          Fail("refused with -1 before the library, yet " + jni_.ref(s.array) +
               " changed");
        }
      }
    }
    const jint scripted = ScriptedResult(export_->entry);
    if (outcome.code != -1 && (!entryCalled || outcome.code != scripted)) {
      Fail("returned " + std::to_string(outcome.code) + ", the library " +
           (entryCalled ? std::to_string(scripted) : std::string("uncalled")));
    }
    // After the library, only a write-back the virtual machine refused
    // turns its result into -1.
    if (outcome.code == -1 && entryCalled && scripted != -1 &&
        jni_.pendingException().empty()) {
      Fail("returned -1 for the library's " + std::to_string(scripted) +
           " with no write-back refused");
    }
  }

  FuzzedDataProvider &data_;
  FakeJni &jni_;
  int &largeArrays_;
  const Export *export_ = nullptr;
  std::vector<Snapshot> snapshots_;
  std::vector<std::pair<int, jint>> results_;
  bool paramStringNull_ = false;
  std::string paramString_;
};

// Tracing on for a file only now and then: most calls run with none, as in
// the branches. A folder of the file's name counts as present, yet takes
// no line. A file is made, emptied or removed only when its state changes
// or it has grown past 1 MiB: creating files cost the fuzzer more time
// than the bridge did.
enum class LogState { kAbsent, kFile, kFolder };

void SetLogFile(const char *path, LogState state, LogState &now) {
  struct stat status {};
  if (state == now &&
      (state != LogState::kFile ||
       (stat(path, &status) == 0 && status.st_size < (1 << 20)))) {
    return;
  }
  unlink(path);
  rmdir(path);
  if (state == LogState::kFile) {
    const int file = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file >= 0) {
      close(file);
    }
  } else if (state == LogState::kFolder) {
    mkdir(path, 0755);
  }
  now = state;
}

// What the log paths hold now; the first input clears whatever an earlier
// run left.
LogState infoLog = LogState::kFolder;
LogState errorLog = LogState::kFolder;

// Exports called in this process, printed at exit: the fuzzer's speed in
// calls rather than inputs.
long long exportsCalled = 0;
double startSeconds = 0;

double Seconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) +
         static_cast<double>(now.tv_nsec) / 1e9;
}

void PrintExportsCalled() {
  const double seconds = Seconds() - startSeconds;
  std::fprintf(stderr, "exports called: %lld in %.1f s, %.0f a second\n",
               exportsCalled, seconds,
               seconds > 0 ? static_cast<double>(exportsCalled) / seconds
                           : 0.0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  startSeconds = Seconds();
  std::atexit(PrintExportsCalled);
  // QelScanToFile prints the file names it is given; thousands of calls a
  // second would bury libFuzzer's own report, which goes to stderr.
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null >= 0) {
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  std::string folder = qel::InfoLogPath();
  folder.resize(folder.rfind('/'));
  mkdir(folder.c_str(), 0755);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes,
                                      std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  FakeJni jni;
  // Image buffers pinned in place, as a virtual machine that pins does:
  // copies of 1 MiB cost more than the calls. One input in eight gets a
  // machine that copies, as HotSpot does.
  if (size % 8 != 0) {
    jni.PinLargeArraysInPlace();
  }
  int largeArrays = kLargeArraysPerInput;
  for (int n = 0; n < kMaxCallsPerInput; ++n) {
    Call call(data, jni, largeArrays);
    if (n == 0) {
      // Information, error, both, or both as folders for 5 to 8; off for
      // the rest, seven inputs in eight, since switching the files on and
      // off costs more than the calls.
      const int logs = data.ConsumeIntegralInRange<int>(0, 31);
      const LogState on = logs == 8 ? LogState::kFolder : LogState::kFile;
      SetLogFile(qel::InfoLogPath(),
                 logs == 5 || logs == 7 || logs == 8 ? on : LogState::kAbsent,
                 infoLog);
      SetLogFile(qel::ErrorLogPath(),
                 logs == 6 || logs == 7 || logs == 8 ? on : LogState::kAbsent,
                 errorLog);
    }
    call.Run();
    ++exportsCalled;
    if (!data.ConsumeBool()) {
      break;
    }
  }
  return 0;
}
