// Scans (to files, to memory, full, UV, long), code-line reread, image
// lengths and special documents.
#include <cstring>

#include "scannerlib/mirbap32.h"
#include "virtualscanner/image.h"
#include "virtualscanner/internal.h"

using namespace vs;

namespace {

constexpr std::size_t kMaxSpecials = 32;

// Writes a one-page TIFF: its size in bytes, or MIRB_VS_ERR_FILE.
int writeTiff(const std::string &name, const Image &image) {
  const std::vector<std::uint8_t> bytes = encodeTiff({image});
  return writeFile(name, bytes) ? static_cast<int>(bytes.size())
                                : MIRB_VS_ERR_FILE;
}

// Copies bytes into a caller's buffer of kImageBuffer bytes: their count,
// or MIRB_VS_ERR_TOO_LARGE (nothing written).
int placeBytes(State &st, unsigned char *buffer,
               const std::vector<std::uint8_t> &bytes) {
  if (bytes.size() > kImageBuffer)
    return MIRB_VS_ERR_TOO_LARGE;
  std::memcpy(buffer, bytes.data(), bytes.size());
  const int length = static_cast<int>(bytes.size());
  placeImage(st, buffer, length);
  return length;
}

void clearMemoryHeader(unsigned char *buffer) {
  if (buffer != nullptr)
    std::memset(buffer, 0, MIRB_VS_MEMORY_HEADER_BYTES);
}

// Keeps the first failure of a scan that went on with its other outputs.
void keepFirst(int &result, int rc) {
  if (rc < 0 && result == MIRB_VS_OK)
    result = rc;
}

int scanToFiles(Kind kind, const char *front, char *frontLen, const char *back,
                char *backLen, char *micr, char *micrLen) {
  putText(frontLen, kShortText, "");
  putText(backLen, kShortText, "");
  putText(micr, kTextBuffer, "");
  putText(micrLen, kShortText, "");
  State &st = state();
  Guard guard(st.mutex);
  if (!st.open)
    return MIRB_VS_ERR_NOT_INITIALISED;
  std::string frontName, backName;
  if (!readText(front, frontName) || !readText(back, backName))
    return MIRB_VS_ERR_BAD_ARGUMENT;
  const Document *doc = feedDocument(st);
  if (doc == nullptr)
    return MIRB_VS_ERR_NO_DOCUMENT;

  putText(micr, kTextBuffer, doc->codeLine);
  putText(micrLen, kShortText, decimal(static_cast<long long>(doc->codeLine.size())));
  int result = MIRB_VS_OK;
  const struct {
    const std::string &name;
    char *length;
    Side side;
  } sides[] = {{frontName, frontLen, Side::Front}, {backName, backLen, Side::Back}};
  for (const auto &s : sides) {
    int size = 0;
    if (!s.name.empty()) {
      const int rc = writeTiff(s.name, renderDocument(*doc, s.side, kind));
      keepFirst(result, rc);
      size = rc < 0 ? 0 : rc;
    }
    putText(s.length, kShortText, decimal(size));
  }
  return result;
}

int scanToMemory(Kind kind, unsigned char *front, int *frontLen,
                 unsigned char *back, int *backLen, char *micr, int *micrLen) {
  clearMemoryHeader(front);
  clearMemoryHeader(back);
  putInt(frontLen, 0);
  putInt(backLen, 0);
  putText(micr, kTextBuffer, "");
  putInt(micrLen, 0);
  State &st = state();
  Guard guard(st.mutex);
  if (!st.open)
    return MIRB_VS_ERR_NOT_INITIALISED;
  const Document *doc = feedDocument(st);
  if (doc == nullptr)
    return MIRB_VS_ERR_NO_DOCUMENT;

  putText(micr, kTextBuffer, doc->codeLine);
  putInt(micrLen, static_cast<int>(doc->codeLine.size()));
  int result = MIRB_VS_OK;
  const struct {
    unsigned char *buffer;
    int *length;
    Side side;
  } sides[] = {{front, frontLen, Side::Front}, {back, backLen, Side::Back}};
  for (const auto &s : sides) {
    if (s.buffer == nullptr)
      continue;
    const int rc = placeBytes(
        st, s.buffer, encodeMemoryImage(renderDocument(*doc, s.side, kind)));
    keepFirst(result, rc);
    putInt(s.length, rc < 0 ? 0 : rc);
  }
  return result;
}

// A target of QELScan: nothing, a file name, or "MD:<decimal address>".
struct Target {
  enum class Kind { None, File, Memory } kind = Kind::None;
  std::string name;
  unsigned char *address = nullptr;
};

bool parseTarget(const char *text, Target &target) {
  std::string value;
  if (!readText(text, value))
    return false;
  target = Target{};
  if (value.empty())
    return true;
  if (value.compare(0, 3, "MD:") != 0) {
    target.kind = Target::Kind::File;
    target.name = value;
    return true;
  }
  std::uintptr_t address = 0;
  if (value.size() == 3)
    return false;
  for (std::size_t i = 3; i < value.size(); ++i) {
    const char c = value[i];
    const std::uintptr_t digit = static_cast<std::uintptr_t>(c - '0');
    if (c < '0' || c > '9' ||
        address > (UINTPTR_MAX - digit) / 10)
      return false;
    address = address * 10 + digit;
  }
  if (address == 0)
    return false;
  target.kind = Target::Kind::Memory;
  target.address = reinterpret_cast<unsigned char *>(address);
  return true;
}

int scanSingle(Kind kind, const char *file, unsigned char *image, int *size,
               int formatComp) {
  clearMemoryHeader(image);
  putInt(size, 0);
  State &st = state();
  Guard guard(st.mutex);
  if (!st.open)
    return MIRB_VS_ERR_NOT_INITIALISED;
  std::string name;
  if (!readText(file, name) || (formatComp != 0 && formatComp != 1))
    return MIRB_VS_ERR_BAD_ARGUMENT;
  const Document *doc = feedDocument(st);
  if (doc == nullptr)
    return MIRB_VS_ERR_NO_DOCUMENT;

  Image picture = renderDocument(*doc, Side::Front, kind);
  int result = MIRB_VS_OK;
  if (!name.empty()) {
    picture.packBits = formatComp == 1;
    const int rc = writeTiff(name, picture);
    keepFirst(result, rc);
    if (image == nullptr)
      putInt(size, rc < 0 ? 0 : rc);
  }
  if (image != nullptr) {
    const int rc = placeBytes(st, image, encodeMemoryImage(picture));
    keepFirst(result, rc);
    putInt(size, rc < 0 ? 0 : rc);
  }
  return result;
}

int registerSpecial(const char *routing, const char *account,
                    std::vector<int> settings) {
  State &st = state();
  Guard guard(st.mutex);
  if (!st.open)
    return MIRB_VS_ERR_NOT_INITIALISED;
  SpecialDocument special;
  if (routing == nullptr || account == nullptr ||
      !readText(routing, special.routing) || !readText(account, special.account))
    return MIRB_VS_ERR_BAD_ARGUMENT;
  special.settings = std::move(settings);
  for (SpecialDocument &known : st.specials)
    if (known.routing == special.routing && known.account == special.account) {
      known = std::move(special);
      return MIRB_VS_OK;
    }
  if (st.specials.size() >= kMaxSpecials)
    return MIRB_VS_ERR_BAD_ARGUMENT;
  st.specials.push_back(std::move(special));
  return MIRB_VS_OK;
}

} // namespace

int MIRB_CALL MIRBScan(int, const char *front, char *frontLen, const char *back,
                       char *backLen, char *micr, char *micrLen) {
  return scanToFiles(Kind::Bilevel, front, frontLen, back, backLen, micr,
                     micrLen);
}

int MIRB_CALL MIRBScanGray(int, const char *front, char *frontLen,
                           const char *back, char *backLen, char *micr,
                           char *micrLen, int) {
  return scanToFiles(Kind::Gray, front, frontLen, back, backLen, micr, micrLen);
}

int MIRB_CALL MIRBScanMemory(int, unsigned char *front, int *frontLen,
                             unsigned char *back, int *backLen, char *micr,
                             int *micrLen) {
  return scanToMemory(Kind::Bilevel, front, frontLen, back, backLen, micr,
                      micrLen);
}

int MIRB_CALL MIRBScanMemoryGray(int, unsigned char *front, int *frontLen,
                                 unsigned char *back, int *backLen, char *micr,
                                 int *micrLen, int) {
  return scanToMemory(Kind::Gray, front, frontLen, back, backLen, micr,
                      micrLen);
}

int MIRB_CALL QELScanLong(const char *file, unsigned char *image, int *size,
                          int formatComp) {
  return scanSingle(Kind::Long, file, image, size, formatComp);
}

int MIRB_CALL QELScanUV(const char *file, unsigned char *image, int *size,
                        int formatComp) {
  return scanSingle(Kind::UV, file, image, size, formatComp);
}

int MIRB_CALL QELScan(const char *frontTiff, const char *backTiff,
                      const char *frontJpeg, const char *backJpeg, char *micr,
                      int *imageQuality, int *contrast, int *docStatus) {
  putText(micr, kTextBuffer, "");
  putInt(imageQuality, 0);
  putInt(contrast, 0);
  if (docStatus != nullptr)
    std::memset(docStatus, 0, MIRB_VS_DOCSTATUS_COUNT * sizeof(int));
  State &st = state();
  Guard guard(st.mutex);
  Target targets[4];
  const char *texts[4] = {frontTiff, backTiff, frontJpeg, backJpeg};
  for (int i = 0; i < 4; ++i)
    if (!parseTarget(texts[i], targets[i]))
      return MIRB_VS_ERR_BAD_ARGUMENT;
  // Every named buffer has a defined length (0) whatever happens next.
  for (const Target &t : targets)
    if (t.kind == Target::Kind::Memory)
      placeImage(st, t.address, 0);
  if (!st.open)
    return MIRB_VS_ERR_NOT_INITIALISED;
  const Document *doc = feedDocument(st);
  if (doc == nullptr)
    return MIRB_VS_ERR_NO_DOCUMENT;

  putText(micr, kTextBuffer, doc->codeLine);
  putInt(imageQuality, doc->quality);
  putInt(contrast, doc->contrast);
  int result = MIRB_VS_OK;
  int images = 0;
  for (int i = 0; i < 4; ++i) {
    const Target &t = targets[i];
    if (t.kind == Target::Kind::None)
      continue;
    // The "JPEG" images are 8-bit gray TIFFs: there is no JPEG coder here.
    const Image picture = renderDocument(*doc, i % 2 == 0 ? Side::Front : Side::Back,
                                         i < 2 ? Kind::Bilevel : Kind::Gray);
    const int rc = t.kind == Target::Kind::File
                       ? writeTiff(t.name, picture)
                       : placeBytes(st, t.address, encodeTiff({picture}));
    keepFirst(result, rc);
    if (rc >= 0)
      ++images;
  }
  if (docStatus != nullptr) {
    docStatus[MIRB_VS_DOCSTATUS_PRESENT] = 1;
    docStatus[MIRB_VS_DOCSTATUS_SPECIAL] = matchSpecial(st, doc->codeLine);
    docStatus[MIRB_VS_DOCSTATUS_CODELEN] = static_cast<int>(doc->codeLine.size());
    docStatus[MIRB_VS_DOCSTATUS_IMAGES] = images;
  }
  return result;
}

int MIRB_CALL QELGetMemoryImageLength(const unsigned char *address) {
  State &st = state();
  Guard guard(st.mutex);
  if (address == nullptr)
    return MIRB_VS_ERR_BAD_ARGUMENT;
  const auto key = reinterpret_cast<std::uintptr_t>(address);
  for (const auto &placed : st.placedImages)
    if (placed.first == key)
      return placed.second;
  return MIRB_VS_ERR_UNKNOWN_ADDRESS;
}

int MIRB_CALL QELGetOcrMicr(char *micr, char *confidence) {
  putText(micr, kTextBuffer, "");
  putText(confidence, kTextBuffer, "");
  State &st = state();
  Guard guard(st.mutex);
  if (!st.open)
    return MIRB_VS_ERR_NOT_INITIALISED;
  if (!st.lastDocument)
    return MIRB_VS_ERR_NO_DOCUMENT;
  putText(micr, kTextBuffer, st.lastDocument->codeLine);
  putText(confidence, kTextBuffer, st.lastDocument->confidence);
  return MIRB_VS_OK;
}

int MIRB_CALL QELSetSpecialDocument(int a, int b, const char *routing,
                                    const char *account, int c, int d, int e,
                                    int f) {
  return registerSpecial(routing, account, {a, b, c, d, e, f});
}

int MIRB_CALL QELSetSpecialDocumentEx(int a, int b, const char *routing,
                                      const char *account, int c, int d, int e,
                                      int f, int g, int h, int i, int j, int k,
                                      int l) {
  return registerSpecial(routing, account, {a, b, c, d, e, f, g, h, i, j, k, l});
}
