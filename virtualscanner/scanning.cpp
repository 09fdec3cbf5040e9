// The scans: to files, to memory, the full scan, UV and long documents.
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "scannerlib/mirbap32.h"
#include "virtualscanner/code_line.h"
#include "virtualscanner/feed.h"
#include "virtualscanner/files.h"
#include "virtualscanner/guard.h"
#include "virtualscanner/image.h"
#include "virtualscanner/jpeg.h"
#include "virtualscanner/memory_images.h"
#include "virtualscanner/render.h"
#include "virtualscanner/special_documents.h"
#include "virtualscanner/state.h"
#include "virtualscanner/tiff.h"

using namespace vs;

namespace {

// A side of the document as scanned: bilevel images are stored with
// Group 4, as check-image exchange files carry them.
Image ScanImage(const Document &doc, Side side, Kind kind) {
  Image picture = RenderDocument(doc, side, kind);
  if (kind == Kind::kBilevel) {
    picture.compression = Compression::kGroup4;
  }
  return picture;
}

// The bytes of an image file: a JPEG, or a one-page TIFF.
int EncodeFile(const Image &picture, bool jpeg,
               std::vector<std::uint8_t> &bytes) {
  return jpeg ? EncodeJpeg(picture, bytes) : EncodeTiff({picture}, bytes);
}

// A memory image of a picture: its header, then the file's bytes.
int EncodeMemory(const Image &picture, bool jpeg,
                 std::vector<std::uint8_t> &bytes) {
  std::vector<std::uint8_t> stream;
  if (const int rc = EncodeFile(picture, jpeg, stream); rc != MIRB_VS_OK) {
    return rc;
  }
  bytes = EncodeMemoryImage(
      picture, jpeg ? MIRB_VS_MEMORY_FORMAT_JPEG : MIRB_VS_MEMORY_FORMAT_TIFF,
      stream);
  return MIRB_VS_OK;
}

// Writes an image file: its size in bytes, or MIRB_VS_ERR_FILE.
int WriteImage(const std::string &name, const Image &picture, bool jpeg) {
  std::vector<std::uint8_t> bytes;
  if (const int rc = EncodeFile(picture, jpeg, bytes); rc != MIRB_VS_OK) {
    return rc;
  }
  return WriteWholeFile(name, bytes) ? static_cast<int>(bytes.size())
                                     : MIRB_VS_ERR_FILE;
}

// A gray scan to a file is a JPEG when the name says so, else a TIFF.
bool JpegName(const std::string &name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) {
    return false;
  }
  std::string extension = name.substr(dot + 1);
  for (char &c : extension) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return extension == "jpg" || extension == "jpeg";
}

// Copies bytes into a caller's buffer of kImageBuffer bytes: their count,
// or MIRB_VS_ERR_TOO_LARGE (nothing written).
int PlaceBytes(State &st, unsigned char *buffer,
               const std::vector<std::uint8_t> &bytes) {
  if (bytes.size() > kImageBuffer) {
    return MIRB_VS_ERR_TOO_LARGE;
  }
  std::memcpy(buffer, bytes.data(), bytes.size());
  const int length = static_cast<int>(bytes.size());
  PlaceImage(st, buffer, length);
  return length;
}

void ClearMemoryHeader(unsigned char *buffer) {
  if (buffer != nullptr) {
    std::memset(buffer, 0, MIRB_VS_MEMORY_HEADER_BYTES);
  }
}

// Keeps the first failure of a scan that went on with its other outputs.
void KeepFirst(int &result, int rc) {
  if (rc < 0 && result == MIRB_VS_OK) {
    result = rc;
  }
}

// The outputs of a scan, as every failure leaves them: length texts are
// numbers on every path, "0" for what was not made or read.
void ClearFileOutputs(char *frontLen, char *backLen, char *micr,
                      char *micrLen) {
  for (char *length : {frontLen, backLen, micrLen}) {
    PutText(length, kShortText, "0");
  }
  PutText(micr, kTextBuffer, "");
}

void ClearMemoryOutputs(unsigned char *front, int *frontLen,
                        unsigned char *back, int *backLen, char *micr,
                        int *micrLen) {
  ClearMemoryHeader(front);
  ClearMemoryHeader(back);
  PutInt(frontLen, 0);
  PutInt(backLen, 0);
  PutText(micr, kTextBuffer, "");
  PutInt(micrLen, 0);
}

void ClearSingleOutputs(unsigned char *image, int *size) {
  ClearMemoryHeader(image);
  PutInt(size, 0);
}

void ClearFullScanOutputs(char *micr, int *imageQuality, int *contrast,
                          int *docStatus) {
  PutText(micr, kTextBuffer, "");
  PutInt(imageQuality, 0);
  PutInt(contrast, 0);
  if (docStatus != nullptr) {
    std::memset(docStatus, 0, MIRB_VS_DOCSTATUS_COUNT * sizeof(int));
  }
}

int ScanToFiles(Kind kind, const char *front, char *frontLen, const char *back,
                char *backLen, char *micr, char *micrLen) {
  ClearFileOutputs(frontLen, backLen, micr, micrLen);
  State &st = TheState();
  std::unique_lock<Lock> lock(st.mutex);
  if (!st.open) {
    return MIRB_VS_ERR_NOT_INITIALISED;
  }
  std::string frontName, backName;
  if (!ReadText(front, frontName) || !ReadText(back, backName)) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  TakenDocument taken(st);
  int result = TakeDocument(st, lock, taken);
  const Document *doc = taken.get();
  if (doc == nullptr) {
    return result;
  }

  PutText(micr, kTextBuffer, ReadCodeLine(*doc));
  PutText(micrLen, kShortText,
          Decimal(static_cast<long long>(doc->codeLine.size())));
  const struct {
    const std::string &name;
    char *length;
    Side side;
  } sides[] = {{frontName, frontLen, Side::kFront},
               {backName, backLen, Side::kBack}};
  for (const auto &s : sides) {
    int size = 0;
    if (!s.name.empty() && result != MIRB_VS_ERR_CAPTURE) {
      const int rc = WriteImage(s.name, ScanImage(*doc, s.side, kind),
                                kind == Kind::kGray && JpegName(s.name));
      KeepFirst(result, rc);
      size = rc < 0 ? 0 : rc;
    }
    PutText(s.length, kShortText, Decimal(size));
  }
  return result;
}

int ScanToMemory(Kind kind, unsigned char *front, int *frontLen,
                 unsigned char *back, int *backLen, char *micr, int *micrLen) {
  ClearMemoryOutputs(front, frontLen, back, backLen, micr, micrLen);
  State &st = TheState();
  std::unique_lock<Lock> lock(st.mutex);
  TakenDocument taken(st);
  int result = TakeDocument(st, lock, taken);
  const Document *doc = taken.get();
  if (doc == nullptr) {
    return result;
  }

  PutText(micr, kTextBuffer, ReadCodeLine(*doc));
  PutInt(micrLen, static_cast<int>(doc->codeLine.size()));
  const struct {
    unsigned char *buffer;
    int *length;
    Side side;
  } sides[] = {{front, frontLen, Side::kFront}, {back, backLen, Side::kBack}};
  for (const auto &s : sides) {
    if (s.buffer == nullptr || result == MIRB_VS_ERR_CAPTURE) {
      continue;
    }
    // Black-and-white sides are Group 4 TIFFs, gray ones JPEGs.
    std::vector<std::uint8_t> bytes;
    int rc =
        EncodeMemory(ScanImage(*doc, s.side, kind), kind == Kind::kGray, bytes);
    if (rc == MIRB_VS_OK) {
      rc = PlaceBytes(st, s.buffer, bytes);
    }
    KeepFirst(result, rc);
    PutInt(s.length, rc < 0 ? 0 : rc);
  }
  return result;
}

// A target of QELScan: nothing, a file name, or "MD:<decimal address>".
struct Target {
  enum class Kind { kNone, kFile, kMemory } kind = Kind::kNone;
  std::string name;
  unsigned char *address = nullptr;
};

bool ParseTarget(const char *text, Target &target) {
  std::string value;
  if (!ReadText(text, value)) {
    return false;
  }
  target = Target{};
  if (value.empty()) {
    return true;
  }
  if (value.compare(0, 3, "MD:") != 0) {
    target.kind = Target::Kind::kFile;
    target.name = value;
    return true;
  }
  // Digits only (no sign, no blank) that fit a pointer and are not 0.
  const char *end = value.data() + value.size();
  std::uintptr_t address = 0;
  const auto [at, error] = std::from_chars(value.data() + 3, end, address);
  if (error != std::errc() || at != end || address == 0) {
    return false;
  }
  target.kind = Target::Kind::kMemory;
  target.address = reinterpret_cast<unsigned char *>(address);
  return true;
}

// QELScanUV and QELScanLong. formatComp: 0 an uncompressed TIFF, 1 a
// PackBits TIFF, 2 the image's own compressed form (Group 4 for the
// bilevel long document, JPEG for the gray UV image). The file and the
// memory image carry the same stream.
int ScanSingle(Kind kind, const char *file, unsigned char *image, int *size,
               int formatComp) {
  ClearSingleOutputs(image, size);
  State &st = TheState();
  std::unique_lock<Lock> lock(st.mutex);
  if (!st.open) {
    return MIRB_VS_ERR_NOT_INITIALISED;
  }
  std::string name;
  if (!ReadText(file, name) || formatComp < 0 || formatComp > 2) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  TakenDocument taken(st);
  if (const int rc = TakeDocument(st, lock, taken); rc != MIRB_VS_OK) {
    return rc;
  }
  const Document *doc = taken.get();

  Image picture = RenderDocument(*doc, Side::kFront, kind);
  const bool jpeg = formatComp == 2 && picture.bitsPerPixel == 8;
  picture.compression = formatComp == 1            ? Compression::kPackBits
                        : formatComp == 2 && !jpeg ? Compression::kGroup4
                                                   : Compression::kNone;
  std::vector<std::uint8_t> stream;
  if (const int rc = EncodeFile(picture, jpeg, stream); rc != MIRB_VS_OK) {
    return rc;
  }
  int result = MIRB_VS_OK;
  if (!name.empty()) {
    const bool written = WriteWholeFile(name, stream);
    KeepFirst(result, written ? MIRB_VS_OK : MIRB_VS_ERR_FILE);
    if (image == nullptr) {
      PutInt(size, written ? static_cast<int>(stream.size()) : 0);
    }
  }
  if (image != nullptr) {
    const int rc =
        PlaceBytes(st, image,
                   EncodeMemoryImage(picture,
                                     jpeg ? MIRB_VS_MEMORY_FORMAT_JPEG
                                          : MIRB_VS_MEMORY_FORMAT_TIFF,
                                     stream));
    KeepFirst(result, rc);
    PutInt(size, rc < 0 ? 0 : rc);
  }
  return result;
}

} // namespace

int MIRB_CALL MIRBScan(int, const char *front, char *frontLen, const char *back,
                       char *backLen, char *micr, char *micrLen) {
  return Guarded(
      [&] {
        return ScanToFiles(Kind::kBilevel, front, frontLen, back, backLen, micr,
                           micrLen);
      },
      [&] { ClearFileOutputs(frontLen, backLen, micr, micrLen); });
}

int MIRB_CALL MIRBScanGray(int, const char *front, char *frontLen,
                           const char *back, char *backLen, char *micr,
                           char *micrLen, int) {
  return Guarded(
      [&] {
        return ScanToFiles(Kind::kGray, front, frontLen, back, backLen, micr,
                           micrLen);
      },
      [&] { ClearFileOutputs(frontLen, backLen, micr, micrLen); });
}

int MIRB_CALL MIRBScanMemory(int, unsigned char *front, int *frontLen,
                             unsigned char *back, int *backLen, char *micr,
                             int *micrLen) {
  return Guarded(
      [&] {
        return ScanToMemory(Kind::kBilevel, front, frontLen, back, backLen,
                            micr, micrLen);
      },
      [&] {
        ClearMemoryOutputs(front, frontLen, back, backLen, micr, micrLen);
      });
}

int MIRB_CALL MIRBScanMemoryGray(int, unsigned char *front, int *frontLen,
                                 unsigned char *back, int *backLen, char *micr,
                                 int *micrLen, int) {
  return Guarded(
      [&] {
        return ScanToMemory(Kind::kGray, front, frontLen, back, backLen, micr,
                            micrLen);
      },
      [&] {
        ClearMemoryOutputs(front, frontLen, back, backLen, micr, micrLen);
      });
}

int MIRB_CALL QELScanLong(const char *file, unsigned char *image, int *size,
                          int formatComp) {
  return Guarded(
      [&] { return ScanSingle(Kind::kLong, file, image, size, formatComp); },
      [&] { ClearSingleOutputs(image, size); });
}

int MIRB_CALL QELScanUV(const char *file, unsigned char *image, int *size,
                        int formatComp) {
  return Guarded(
      [&] { return ScanSingle(Kind::kUv, file, image, size, formatComp); },
      [&] { ClearSingleOutputs(image, size); });
}

int MIRB_CALL QELScan(const char *frontTiff, const char *backTiff,
                      const char *frontJpeg, const char *backJpeg, char *micr,
                      int *imageQuality, int *contrast, int *docStatus) {
  return Guarded(
      [&] {
        ClearFullScanOutputs(micr, imageQuality, contrast, docStatus);
        State &st = TheState();
        std::unique_lock<Lock> lock(st.mutex);
        Target targets[4];
        const char *texts[4] = {frontTiff, backTiff, frontJpeg, backJpeg};
        for (int i = 0; i < 4; ++i) {
          if (!ParseTarget(texts[i], targets[i])) {
            return MIRB_VS_ERR_BAD_ARGUMENT;
          }
        }
        // Every named buffer has a defined length (0) whatever happens next.
        for (const Target &t : targets) {
          if (t.kind == Target::Kind::kMemory) {
            PlaceImage(st, t.address, 0);
          }
        }
        if (!st.open) {
          return MIRB_VS_ERR_NOT_INITIALISED;
        }
        TakenDocument taken(st);
        int result = TakeDocument(st, lock, taken);
        const Document *doc = taken.get();
        if (doc == nullptr) {
          return result;
        }

        const std::string read = ReadCodeLine(*doc);
        PutText(micr, kTextBuffer, read);
        PutInt(imageQuality, doc->quality);
        PutInt(contrast, doc->contrast);
        int images = 0;
        for (int i = 0; i < 4; ++i) {
          const Target &t = targets[i];
          if (t.kind == Target::Kind::kNone || result == MIRB_VS_ERR_CAPTURE) {
            continue;
          }
          // Bilevel Group 4 TIFFs, then gray JPEGs.
          const bool jpeg = i >= 2;
          const Image picture =
              ScanImage(*doc, i % 2 == 0 ? Side::kFront : Side::kBack,
                        jpeg ? Kind::kGray : Kind::kBilevel);
          int rc = MIRB_VS_OK;
          if (t.kind == Target::Kind::kFile) {
            rc = WriteImage(t.name, picture, jpeg);
          } else {
            std::vector<std::uint8_t> bytes;
            rc = EncodeFile(picture, jpeg, bytes);
            if (rc == MIRB_VS_OK) {
              rc = PlaceBytes(st, t.address, bytes);
            }
          }
          KeepFirst(result, rc);
          if (rc >= 0) {
            ++images;
          }
        }
        if (docStatus != nullptr) {
          docStatus[MIRB_VS_DOCSTATUS_PRESENT] = 1;
          docStatus[MIRB_VS_DOCSTATUS_SPECIAL] = MatchSpecial(st, read);
          docStatus[MIRB_VS_DOCSTATUS_CODELEN] =
              static_cast<int>(doc->codeLine.size());
          docStatus[MIRB_VS_DOCSTATUS_IMAGES] = images;
        }
        return result;
      },
      [&] { ClearFullScanOutputs(micr, imageQuality, contrast, docStatus); });
}
