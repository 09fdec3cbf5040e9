// The recording scanner double: every entry of the scanner library, each
// recording its call and writing back what the test scripted, within the
// sizes its contract gives (the scanner library interface).
#include "scannerlib/mirbap32.h"
#include "support/recording_scanner_api.h"

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace ord {
#define QELREC_ORDINAL(ordinal, result, name, parameters, bytes)               \
  name = (ordinal),
enum : int { QEL_SCANNER_ENTRIES(QELREC_ORDINAL) };
#undef QELREC_ORDINAL
} // namespace ord

const char *EntryName(int ordinal) {
  switch (ordinal) {
#define QELREC_NAME(ordinal, result, name, parameters, bytes)                  \
  case ordinal:                                                                \
    return #name;
    QEL_SCANNER_ENTRIES(QELREC_NAME)
#undef QELREC_NAME
  default:
    return nullptr;
  }
}

// --- the output contracts ---

enum class Kind { Text = 0, Int = 1, Image = 2 };
enum class Value { Int, UInt, Byte, None };

struct Slot {
  int ordinal;
  Kind kind;
  int slot;
  std::uint32_t capacity; // bytes with NUL (text), values (int), bytes (image)
  bool mayBeNull;
  Value value;
  const char *name;
};

constexpr std::uint32_t kImage = QELREC_IMAGE_MAX;

const Slot kSlots[] = {
    // Scan to files: every result buffer is passed on every call.
    {ord::MIRBScan, Kind::Text, 0, 32, false, Value::None, "frontLen"},
    {ord::MIRBScan, Kind::Text, 1, 32, false, Value::None, "backLen"},
    {ord::MIRBScan, Kind::Text, 2, 256, false, Value::None, "micr"},
    {ord::MIRBScan, Kind::Text, 3, 32, false, Value::None, "micrLen"},
    {ord::MIRBScanGray, Kind::Text, 0, 32, false, Value::None, "frontLen"},
    {ord::MIRBScanGray, Kind::Text, 1, 32, false, Value::None, "backLen"},
    {ord::MIRBScanGray, Kind::Text, 2, 256, false, Value::None, "micr"},
    {ord::MIRBScanGray, Kind::Text, 3, 32, false, Value::None, "micrLen"},
    // Scan to memory: a side that is off passes a null image.
    {ord::MIRBScanMemory, Kind::Image, 0, kImage, true, Value::None, "front"},
    {ord::MIRBScanMemory, Kind::Image, 1, kImage, true, Value::None, "back"},
    {ord::MIRBScanMemory, Kind::Int, 0, 1, false, Value::Int, "frontLen"},
    {ord::MIRBScanMemory, Kind::Int, 1, 1, false, Value::Int, "backLen"},
    {ord::MIRBScanMemory, Kind::Text, 0, 256, false, Value::None, "micr"},
    {ord::MIRBScanMemory, Kind::Int, 2, 1, false, Value::Int, "micrLen"},
    {ord::MIRBScanMemoryGray, Kind::Image, 0, kImage, true, Value::None,
     "front"},
    {ord::MIRBScanMemoryGray, Kind::Image, 1, kImage, true, Value::None,
     "back"},
    {ord::MIRBScanMemoryGray, Kind::Int, 0, 1, false, Value::Int, "frontLen"},
    {ord::MIRBScanMemoryGray, Kind::Int, 1, 1, false, Value::Int, "backLen"},
    {ord::MIRBScanMemoryGray, Kind::Text, 0, 256, false, Value::None, "micr"},
    {ord::MIRBScanMemoryGray, Kind::Int, 2, 1, false, Value::Int, "micrLen"},
    // Image conversion: the bridge refuses a null image.
    {ord::MIRBCompressImage, Kind::Image, 0, kImage, false, Value::None,
     "image"},
    {ord::MIRBCompressImageGray, Kind::Image, 0, kImage, false, Value::None,
     "image"},
    // Identity.
    {ord::MIRBGetScannerInfo, Kind::Int, 0, 1, false, Value::Byte, "adapter"},
    {ord::MIRBGetScannerInfo, Kind::Int, 1, 1, false, Value::Byte, "target"},
    {ord::MIRBGetScannerInfo, Kind::Text, 0, 32, false, Value::None, "vendor"},
    {ord::MIRBGetScannerInfo, Kind::Text, 1, 32, false, Value::None, "product"},
    {ord::MIRBGetScannerInfo, Kind::Text, 2, 32, false, Value::None, "release"},
    {ord::MIRBGetScannerSerialNumber, Kind::Text, 0, 256, false, Value::None,
     "serial"},
    {ord::MIRBGetScannerSerialNumber, Kind::Int, 0, 1, false, Value::UInt,
     "documentNumber"},
    {ord::MIRBGetScannerSerialNumber, Kind::Int, 1, 1, false, Value::UInt,
     "time"},
    // Full scan: images go to "MD:" descriptors.
    {ord::QELScan, Kind::Image, 0, kImage, true, Value::None, "frontTiff"},
    {ord::QELScan, Kind::Image, 1, kImage, true, Value::None, "backTiff"},
    {ord::QELScan, Kind::Image, 2, kImage, true, Value::None, "frontJpeg"},
    {ord::QELScan, Kind::Image, 3, kImage, true, Value::None, "backJpeg"},
    {ord::QELScan, Kind::Text, 0, 256, false, Value::None, "micr"},
    {ord::QELScan, Kind::Int, 0, 1, false, Value::Int, "imageQuality"},
    {ord::QELScan, Kind::Int, 1, 1, false, Value::Int, "contrast"},
    {ord::QELScan, Kind::Int, 2, 32, true, Value::Int, "docStatus"},
    // Code-line reread.
    {ord::QELGetOcrMicr, Kind::Text, 0, 256, false, Value::None, "micr"},
    {ord::QELGetOcrMicr, Kind::Text, 1, 256, false, Value::None, "confidence"},
    // UV and long scans: a null image when memory is off.
    {ord::QELScanLong, Kind::Image, 0, kImage, true, Value::None, "image"},
    {ord::QELScanLong, Kind::Int, 0, 1, false, Value::Int, "size"},
    {ord::QELScanUV, Kind::Image, 0, kImage, true, Value::None, "image"},
    {ord::QELScanUV, Kind::Int, 0, 1, false, Value::Int, "size"},
    // USB presence.
    {ord::QELIsUsbScannerAvailable, Kind::Int, 0, 1, false, Value::Int, "vid"},
    {ord::QELIsUsbScannerAvailable, Kind::Int, 1, 1, false, Value::Int, "pid"},
};

const Slot *FindSlot(int ordinal, Kind kind, int slot) {
  for (const Slot &s : kSlots) {
    if (s.ordinal == ordinal && s.kind == kind && s.slot == slot) {
      return &s;
    }
  }
  return nullptr;
}

// --- the double's state ---

struct Script {
  std::vector<std::int32_t> results;
  std::map<int, std::string> texts;
  std::map<int, std::vector<std::int64_t>> ints;
  std::map<int, std::vector<unsigned char>> images;
};

struct State {
  std::vector<QelRecCall> calls;
  std::map<int, int> callsPerOrdinal;
  std::map<int, Script> scripts;
  std::vector<std::string> violations;
  bool paramStringNull = false;
  std::string paramString;
  std::map<const void *, std::int32_t> lastScanImages; // address → bytes
  std::vector<std::vector<unsigned char>> spareImages; // kept by reset
};

State &S() {
  static State state;
  return state;
}

void Violation(std::string text) { S().violations.push_back(std::move(text)); }

std::string Where(int ordinal, const char *what) {
  const char *name = EntryName(ordinal);
  return std::string(name != nullptr ? name
                                     : "ordinal " + std::to_string(ordinal)) +
         " " + what;
}

// --- one call of an entry ---

class Invocation {
public:
  template <typename... Args>
  explicit Invocation(int ordinal, Args... args) : ordinal_(ordinal) {
    call_.ordinal = ordinal;
    (Argument(args), ...);
    State &s = S();
    nth_ = s.callsPerOrdinal[ordinal]++;
    if (s.calls.size() < QELREC_MAX_CALLS) {
      s.calls.push_back(call_);
    } else if (s.calls.size() == QELREC_MAX_CALLS) {
      Violation("more than " + std::to_string(QELREC_MAX_CALLS) +
                " calls; later ones are not recorded");
    }
  }

  Invocation &Text(int slot, char *buffer) {
    const Slot &contract = Contract(Kind::Text, slot);
    if (!CheckPointer(contract, buffer)) {
      return *this;
    }
    const auto &texts = Find().texts;
    auto it = texts.find(slot);
    if (it != texts.end()) {
      // strncpy semantics: the text, then NULs up to the contract's size.
      std::memset(buffer, 0, contract.capacity);
      std::copy(it->second.begin(), it->second.end(), buffer);
    }
    return *this;
  }

  template <typename T> Invocation &Int(int slot, T *out) {
    const Slot &contract = Contract(Kind::Int, slot);
    if (!CheckPointer(contract, out)) {
      return *this;
    }
    const auto &ints = Find().ints;
    auto it = ints.find(slot);
    if (it != ints.end()) {
      for (std::uint32_t i = 0; i < contract.capacity; ++i) {
        out[i] = static_cast<T>(i < it->second.size() ? it->second[i] : 0);
      }
    }
    return *this;
  }

  Invocation &Image(int slot, unsigned char *image) {
    const Slot &contract = Contract(Kind::Image, slot);
    if (!CheckPointer(contract, image)) {
      return *this;
    }
    const auto &images = Find().images;
    auto it = images.find(slot);
    if (it != images.end() && !it->second.empty()) {
      std::memcpy(image, it->second.data(), it->second.size());
      if (ordinal_ == ord::QELScan) {
        S().lastScanImages[image] =
            static_cast<std::int32_t>(it->second.size());
      }
    }
    return *this;
  }

  // An image named by a memory descriptor "MD:<decimal address>"; null,
  // empty or a file name asks for no image in memory.
  Invocation &Descriptor(int slot, const char *name) {
    if (name == nullptr || std::strncmp(name, "MD:", 3) != 0) {
      return *this;
    }
    char *end = nullptr;
    const unsigned long long address = std::strtoull(name + 3, &end, 10);
    char canonical[32];
    std::snprintf(canonical, sizeof canonical, "MD:%llu", address);
    if (address == 0 || std::strcmp(canonical, name) != 0 ||
        address > std::numeric_limits<std::uintptr_t>::max()) {
      Violation(Where(ordinal_, "descriptor \"") + name +
                "\" is not \"MD:\" and a decimal address");
      return *this;
    }
    return Image(slot, reinterpret_cast<unsigned char *>(
                           static_cast<std::uintptr_t>(address)));
  }

  int Result() const {
    const Script &script = Find();
    if (!script.results.empty()) {
      const std::size_t n = static_cast<std::size_t>(nth_);
      return script
          .results[n < script.results.size() ? n : script.results.size() - 1];
    }
    return 0;
  }

private:
  void Argument(int value) {
    if (call_.intCount < QELREC_MAX_INTS) {
      call_.ints[call_.intCount++] = value;
    }
  }
  void Argument(const char *text) {
    if (call_.textCount < QELREC_MAX_TEXTS) {
      const int i = call_.textCount++;
      call_.textIsNull[i] = text == nullptr;
      if (text != nullptr) {
        const std::size_t length = std::strlen(text);
        call_.textLength[i] = static_cast<std::uint32_t>(length);
        const std::size_t kept =
            length < QELREC_TEXT_SIZE - 1 ? length : QELREC_TEXT_SIZE - 1;
        std::memcpy(call_.texts[i], text, kept);
        call_.texts[i][kept] = '\0';
      }
    }
    Pointer(text);
  }
  // An output buffer: only its address, its contents are not the caller's.
  void Argument(char *buffer) { Pointer(buffer); }
  void Argument(const void *pointer) { Pointer(pointer); }
  void Pointer(const void *pointer) {
    if (call_.pointerCount < QELREC_MAX_POINTERS) {
      call_.pointers[call_.pointerCount++] = pointer;
    }
  }

  const Script &Find() const {
    static const Script kNone;
    auto it = S().scripts.find(ordinal_);
    return it == S().scripts.end() ? kNone : it->second;
  }

  const Slot &Contract(Kind kind, int slot) const {
    const Slot *contract = FindSlot(ordinal_, kind, slot);
    if (contract == nullptr) {
      // A mistake in this file, not in the caller.
      std::fprintf(stderr, "recording scanner: %s has no slot %d\n",
                   EntryName(ordinal_), slot);
      std::abort();
    }
    return *contract;
  }

  bool CheckPointer(const Slot &contract, const void *pointer) const {
    if (pointer != nullptr) {
      return true;
    }
    if (!contract.mayBeNull) {
      Violation(Where(ordinal_, "called with a null ") + contract.name);
    }
    return false;
  }

  int ordinal_;
  int nth_ = 0;
  QelRecCall call_{};
};

} // namespace

// --- the entries ---

extern "C" {

int MIRB_CALL MIRBStatus(void) { return Invocation(ord::MIRBStatus).Result(); }
int MIRB_CALL MIRBInit(void) { return Invocation(ord::MIRBInit).Result(); }
int MIRB_CALL MIRBExit(void) { return Invocation(ord::MIRBExit).Result(); }
int MIRB_CALL MIRBDebug(int level) {
  return Invocation(ord::MIRBDebug, level).Result();
}
int MIRB_CALL MIRBSetParam(int selector, int value) {
  return Invocation(ord::MIRBSetParam, selector, value).Result();
}
int MIRB_CALL MIRBGetParam(int selector) {
  return Invocation(ord::MIRBGetParam, selector).Result();
}
int MIRB_CALL MIRBReadConfig(const char *file) {
  return Invocation(ord::MIRBReadConfig, file).Result();
}
int MIRB_CALL MIRBWriteConfig(const char *file) {
  return Invocation(ord::MIRBWriteConfig, file).Result();
}

int MIRB_CALL MIRBScan(int option, const char *front, char *frontLen,
                       const char *back, char *backLen, char *micr,
                       char *micrLen) {
  return Invocation(ord::MIRBScan, option, front, frontLen, back, backLen, micr,
                    micrLen)
      .Text(0, frontLen)
      .Text(1, backLen)
      .Text(2, micr)
      .Text(3, micrLen)
      .Result();
}

int MIRB_CALL MIRBScanMemory(int option, unsigned char *front, int *frontLen,
                             unsigned char *back, int *backLen, char *micr,
                             int *micrLen) {
  return Invocation(ord::MIRBScanMemory, option, front, frontLen, back, backLen,
                    micr, micrLen)
      .Image(0, front)
      .Image(1, back)
      .Int(0, frontLen)
      .Int(1, backLen)
      .Text(0, micr)
      .Int(2, micrLen)
      .Result();
}

int MIRB_CALL MIRBScanGray(int option, const char *front, char *frontLen,
                           const char *back, char *backLen, char *micr,
                           char *micrLen, int grayOption) {
  return Invocation(ord::MIRBScanGray, option, front, frontLen, back, backLen,
                    micr, micrLen, grayOption)
      .Text(0, frontLen)
      .Text(1, backLen)
      .Text(2, micr)
      .Text(3, micrLen)
      .Result();
}

int MIRB_CALL MIRBScanMemoryGray(int option, unsigned char *front,
                                 int *frontLen, unsigned char *back,
                                 int *backLen, char *micr, int *micrLen,
                                 int grayOption) {
  return Invocation(ord::MIRBScanMemoryGray, option, front, frontLen, back,
                    backLen, micr, micrLen, grayOption)
      .Image(0, front)
      .Image(1, back)
      .Int(0, frontLen)
      .Int(1, backLen)
      .Text(0, micr)
      .Int(2, micrLen)
      .Result();
}

int MIRB_CALL MIRBCompressImage(const char *file, unsigned char *image) {
  return Invocation(ord::MIRBCompressImage, file, image)
      .Image(0, image)
      .Result();
}
int MIRB_CALL MIRBCompressImageGray(const char *file, unsigned char *image,
                                    int option) {
  return Invocation(ord::MIRBCompressImageGray, file, image, option)
      .Image(0, image)
      .Result();
}
int MIRB_CALL MIRBCombineTIFFS(const char *input, const char *append) {
  return Invocation(ord::MIRBCombineTIFFS, input, append).Result();
}
int MIRB_CALL MIRBCopyFile(const char *input, const char *output) {
  return Invocation(ord::MIRBCopyFile, input, output).Result();
}
int MIRB_CALL MIRBCropFile(const char *input, const char *output, int option) {
  return Invocation(ord::MIRBCropFile, input, output, option).Result();
}

int MIRB_CALL MIRBGetScannerInfo(unsigned char *adapter, unsigned char *target,
                                 char *vendor, char *product, char *release,
                                 int option) {
  return Invocation(ord::MIRBGetScannerInfo, adapter, target, vendor, product,
                    release, option)
      .Int(0, adapter)
      .Int(1, target)
      .Text(0, vendor)
      .Text(1, product)
      .Text(2, release)
      .Result();
}

int MIRB_CALL MIRBEjectDocument(void) {
  return Invocation(ord::MIRBEjectDocument).Result();
}
int MIRB_CALL QELGetScannerType(void) {
  return Invocation(ord::QELGetScannerType).Result();
}
int MIRB_CALL MIRBInitPath(const char *dllPath, const char *iniFile,
                           const char *cfgFile) {
  return Invocation(ord::MIRBInitPath, dllPath, iniFile, cfgFile).Result();
}
int MIRB_CALL QELApiVersion(void) {
  return Invocation(ord::QELApiVersion).Result();
}
int MIRB_CALL QELApiSupportedScanners(void) {
  return Invocation(ord::QELApiSupportedScanners).Result();
}

int MIRB_CALL MIRBGetScannerSerialNumber(char *serial,
                                         unsigned int *documentNumber,
                                         unsigned int *time) {
  return Invocation(ord::MIRBGetScannerSerialNumber, serial, documentNumber,
                    time)
      .Text(0, serial)
      .Int(0, documentNumber)
      .Int(1, time)
      .Result();
}

int MIRB_CALL MIRBSetParamString(int selector, const char *value) {
  return Invocation(ord::MIRBSetParamString, selector, value).Result();
}

int MIRB_CALL QELScan(const char *frontTiff, const char *backTiff,
                      const char *frontJpeg, const char *backJpeg, char *micr,
                      int *imageQuality, int *contrast, int *docStatus) {
  S().lastScanImages.clear();
  return Invocation(ord::QELScan, frontTiff, backTiff, frontJpeg, backJpeg,
                    micr, imageQuality, contrast, docStatus)
      .Descriptor(0, frontTiff)
      .Descriptor(1, backTiff)
      .Descriptor(2, frontJpeg)
      .Descriptor(3, backJpeg)
      .Text(0, micr)
      .Int(0, imageQuality)
      .Int(1, contrast)
      .Int(2, docStatus)
      .Result();
}

const char *MIRB_CALL MIRBGetParamString(int selector) {
  const Invocation call(ord::MIRBGetParamString, selector);
  (void)call;
  return S().paramStringNull ? nullptr : S().paramString.c_str();
}

int MIRB_CALL QELBatchPrintString(const char *text, int a, int b, int c,
                                  int d) {
  return Invocation(ord::QELBatchPrintString, text, a, b, c, d).Result();
}
int MIRB_CALL QELBatchPrintBMP(const char *text, int a, int b, int c, int d,
                               int e, int f, int g, int h, int i,
                               const char *font) {
  return Invocation(ord::QELBatchPrintBMP, text, a, b, c, d, e, f, g, h, i,
                    font)
      .Result();
}
int MIRB_CALL MIRBClearDocument(void) {
  return Invocation(ord::MIRBClearDocument).Result();
}

int MIRB_CALL QELGetMemoryImageLength(const unsigned char *address) {
  const Invocation call(ord::QELGetMemoryImageLength,
                        static_cast<const void *>(address));
  auto script = S().scripts.find(ord::QELGetMemoryImageLength);
  if (script != S().scripts.end() && !script->second.results.empty()) {
    return call.Result();
  }
  auto it = S().lastScanImages.find(address);
  return it == S().lastScanImages.end() ? 0 : it->second;
}

int MIRB_CALL QELScanVirtualEndorsement(const char *text, int a, int b, int c,
                                        int d, int e, int f, int g, int h,
                                        int i, int j, int k, int l, int m,
                                        int n, const char *font) {
  return Invocation(ord::QELScanVirtualEndorsement, text, a, b, c, d, e, f, g,
                    h, i, j, k, l, m, n, font)
      .Result();
}

int MIRB_CALL QELGetOcrMicr(char *micr, char *confidence) {
  return Invocation(ord::QELGetOcrMicr, micr, confidence)
      .Text(0, micr)
      .Text(1, confidence)
      .Result();
}

int MIRB_CALL QELSetSpecialDocument(int a, int b, const char *routing,
                                    const char *account, int c, int d, int e,
                                    int f) {
  return Invocation(ord::QELSetSpecialDocument, a, b, routing, account, c, d, e,
                    f)
      .Result();
}
int MIRB_CALL MIRBStatusDelay(int a, int b) {
  return Invocation(ord::MIRBStatusDelay, a, b).Result();
}

int MIRB_CALL QELScanLong(const char *file, unsigned char *image, int *size,
                          int formatComp) {
  return Invocation(ord::QELScanLong, file, image, size, formatComp)
      .Image(0, image)
      .Int(0, size)
      .Result();
}

int MIRB_CALL QELSetSpecialDocumentEx(int a, int b, const char *routing,
                                      const char *account, int c, int d, int e,
                                      int f, int g, int h, int i, int j, int k,
                                      int l) {
  return Invocation(ord::QELSetSpecialDocumentEx, a, b, routing, account, c, d,
                    e, f, g, h, i, j, k, l)
      .Result();
}

int MIRB_CALL QELScanUV(const char *file, unsigned char *image, int *size,
                        int formatComp) {
  return Invocation(ord::QELScanUV, file, image, size, formatComp)
      .Image(0, image)
      .Int(0, size)
      .Result();
}

int MIRB_CALL QELIsUsbScannerAvailable(int *vid, int *pid) {
  return Invocation(ord::QELIsUsbScannerAvailable, vid, pid)
      .Int(0, vid)
      .Int(1, pid)
      .Result();
}

int MIRB_CALL QELUVGain(const char *input, const char *output, int a, int b,
                        int c) {
  return Invocation(ord::QELUVGain, input, output, a, b, c).Result();
}
int MIRB_CALL QELUVTiff(const char *input, const char *output, int option) {
  return Invocation(ord::QELUVTiff, input, output, option).Result();
}

// --- the control API ---

void QELREC_CALL qelrec_reset(void) {
  // Scripted images keep their storage for the next ones: the fuzzer
  // scripts 1 MiB images by the thousand a second, and fresh blocks cost
  // it page faults.
  std::vector<std::vector<unsigned char>> spare = std::move(S().spareImages);
  for (auto &script : S().scripts) {
    for (auto &image : script.second.images) {
      if (spare.size() < 8 && image.second.capacity() >= 65536) {
        spare.push_back(std::move(image.second));
      }
    }
  }
  S() = State();
  S().spareImages = std::move(spare);
}

int32_t QELREC_CALL qelrec_call_count(void) {
  return static_cast<int32_t>(S().calls.size());
}

int32_t QELREC_CALL qelrec_get_call(int32_t index, QelRecCall *out) {
  if (out == nullptr || index < 0 ||
      static_cast<std::size_t>(index) >= S().calls.size()) {
    return 0;
  }
  *out = S().calls[static_cast<std::size_t>(index)];
  return 1;
}

int32_t QELREC_CALL qelrec_set_results(int32_t ordinal, const int32_t *results,
                                       int32_t count) {
  if (EntryName(ordinal) == nullptr || results == nullptr || count < 1) {
    Violation("set_results for ordinal " + std::to_string(ordinal) +
              ": no such entry or no results");
    return -1;
  }
  S().scripts[ordinal].results.assign(results, results + count);
  return 0;
}

int32_t QELREC_CALL qelrec_set_result(int32_t ordinal, int32_t result) {
  return qelrec_set_results(ordinal, &result, 1);
}

namespace {
const Slot *ScriptSlot(int32_t ordinal, Kind kind, int32_t slot,
                       const char *what) {
  const Slot *contract = FindSlot(ordinal, kind, slot);
  if (contract == nullptr) {
    Violation(std::string(what) + " for ordinal " + std::to_string(ordinal) +
              " slot " + std::to_string(slot) + ": no such output");
  }
  return contract;
}
} // namespace

int32_t QELREC_CALL qelrec_set_text(int32_t ordinal, int32_t slot,
                                    const char *text) {
  const Slot *contract = ScriptSlot(ordinal, Kind::Text, slot, "set_text");
  if (contract == nullptr) {
    return -1;
  }
  if (text == nullptr) {
    S().scripts[ordinal].texts.erase(slot);
    return 0;
  }
  const std::size_t length = std::strlen(text);
  if (length + 1 > contract->capacity) {
    Violation(Where(ordinal, "output ") + contract->name + ": a text of " +
              std::to_string(length) + " bytes does not fit its " +
              std::to_string(contract->capacity) + "-byte buffer");
    return -1;
  }
  S().scripts[ordinal].texts[slot] = text;
  return 0;
}

int32_t QELREC_CALL qelrec_set_ints(int32_t ordinal, int32_t slot,
                                    const int64_t *values, int32_t count) {
  const Slot *contract = ScriptSlot(ordinal, Kind::Int, slot, "set_ints");
  if (contract == nullptr) {
    return -1;
  }
  if (values == nullptr || count < 1 ||
      static_cast<std::uint32_t>(count) > contract->capacity) {
    Violation(Where(ordinal, "output ") + contract->name + " holds " +
              std::to_string(contract->capacity) + " value(s), not " +
              std::to_string(count));
    return -1;
  }
  std::int64_t low = std::numeric_limits<std::int32_t>::min();
  std::int64_t high = std::numeric_limits<std::int32_t>::max();
  if (contract->value == Value::UInt) {
    low = 0;
    high = std::numeric_limits<std::uint32_t>::max();
  } else if (contract->value == Value::Byte) {
    low = 0;
    high = 255;
  }
  for (int32_t i = 0; i < count; ++i) {
    if (values[i] < low || values[i] > high) {
      Violation(Where(ordinal, "output ") + contract->name + ": " +
                std::to_string(values[i]) + " is out of its type's range");
      return -1;
    }
  }
  S().scripts[ordinal].ints[slot].assign(values, values + count);
  return 0;
}

int32_t QELREC_CALL qelrec_set_bytes(int32_t ordinal, int32_t slot,
                                     const unsigned char *bytes,
                                     uint32_t count) {
  const Slot *contract = ScriptSlot(ordinal, Kind::Image, slot, "set_bytes");
  if (contract == nullptr) {
    return -1;
  }
  if ((bytes == nullptr && count != 0) || count > contract->capacity) {
    Violation(Where(ordinal, "output ") + contract->name + ": " +
              std::to_string(count) + " bytes exceed the " +
              std::to_string(contract->capacity) + " the bridge guarantees");
    return -1;
  }
  std::vector<unsigned char> &image = S().scripts[ordinal].images[slot];
  if (image.capacity() < count && !S().spareImages.empty()) {
    image = std::move(S().spareImages.back());
    S().spareImages.pop_back();
  }
  image.assign(bytes, bytes + count);
  return 0;
}

void QELREC_CALL qelrec_set_param_string(const char *text, int32_t isNull) {
  S().paramStringNull = isNull != 0 || text == nullptr;
  S().paramString = text != nullptr ? text : "";
}

int32_t QELREC_CALL qelrec_slot_capacity(int32_t ordinal, int32_t kind,
                                         int32_t slot) {
  if (kind < 0 || kind > 2) {
    return 0;
  }
  const Slot *contract = FindSlot(ordinal, static_cast<Kind>(kind), slot);
  return contract == nullptr ? 0 : static_cast<int32_t>(contract->capacity);
}

void QELREC_CALL qelrec_clear_violations(void) { S().violations.clear(); }

int32_t QELREC_CALL qelrec_violation_count(void) {
  return static_cast<int32_t>(S().violations.size());
}

int32_t QELREC_CALL qelrec_get_violation(int32_t index, char *buffer,
                                         uint32_t size) {
  if (index < 0 || static_cast<std::size_t>(index) >= S().violations.size()) {
    return 0;
  }
  if (buffer != nullptr && size > 0) {
    std::snprintf(buffer, size, "%s",
                  S().violations[static_cast<std::size_t>(index)].c_str());
  }
  return 1;
}

} // extern "C"
