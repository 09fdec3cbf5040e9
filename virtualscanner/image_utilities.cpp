// Image utilities: compression into memory, UV processing, combining,
// cropping and copying files. They need no session: they work on files.
// Arguments are checked before any file is read, inputs are read whole
// before anything is written, and every output is written whole or not at
// all, so an output may also be the input itself.
#include <cstring>

#include "scannerlib/mirbap32.h"
#include "virtualscanner/files.h"
#include "virtualscanner/guard.h"
#include "virtualscanner/image_files.h"
#include "virtualscanner/jpeg.h"
#include "virtualscanner/memory_images.h"
#include "virtualscanner/state.h"
#include "virtualscanner/tiff.h"

using namespace vs;

namespace {

constexpr int kDefaultThreshold = 128;

// A required file name: MIRB_VS_OK, or MIRB_VS_ERR_BAD_ARGUMENT for a
// null, empty or over-long one.
int FileName(const char *text, std::string &name) {
  return ReadText(text, name) && !name.empty() ? MIRB_VS_OK
                                               : MIRB_VS_ERR_BAD_ARGUMENT;
}

bool AllPages(const std::vector<Image> &pages, int bitsPerPixel) {
  for (const Image &page : pages) {
    if (page.bitsPerPixel != bitsPerPixel) {
      return false;
    }
  }
  return true;
}

// A JPEG holds a single page; TIFF pages keep their compression.
int WriteImageFile(const std::string &name, const std::vector<Image> &pages,
                   FileFormat format) {
  std::vector<std::uint8_t> bytes;
  const int rc = format == FileFormat::kJpeg ? EncodeJpeg(pages.front(), bytes)
                                             : EncodeTiff(pages, bytes);
  if (rc != MIRB_VS_OK) {
    return rc;
  }
  return WriteWholeFile(name, bytes) ? MIRB_VS_OK : MIRB_VS_ERR_FILE;
}

// The caller's buffer gets a file's bytes, from its first byte, or
// nothing at all: their count, or an error code.
int PlaceInBuffer(unsigned char *image,
                  const std::vector<std::uint8_t> &bytes) {
  if (bytes.size() > kImageBuffer) {
    return MIRB_VS_ERR_TOO_LARGE;
  }
  std::memcpy(image, bytes.data(), bytes.size());
  const int length = static_cast<int>(bytes.size());
  State &st = TheState();
  Guard guard(st.mutex);
  PlaceImage(st, image, length);
  return length;
}

// MIRBCompressImage: every page of a bilevel TIFF as a Group 4 TIFF.
int CompressBilevel(const char *file, unsigned char *image) {
  std::string name;
  if (FileName(file, name) != MIRB_VS_OK || image == nullptr) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::vector<Image> pages;
  FileFormat format = FileFormat::kTiff;
  if (const int rc = ReadImageFile(name, pages, format); rc != MIRB_VS_OK) {
    return rc;
  }
  if (format != FileFormat::kTiff || !AllPages(pages, 1)) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  for (Image &page : pages) {
    page.compression = Compression::kGroup4;
  }
  std::vector<std::uint8_t> bytes;
  if (const int rc = EncodeTiff(pages, bytes); rc != MIRB_VS_OK) {
    return rc;
  }
  return PlaceInBuffer(image, bytes);
}

// MIRBCompressImageGray: one 8-bit image as a JFIF JPEG of that quality
// (0: the scans' own).
int CompressGray(const char *file, unsigned char *image, int quality) {
  std::string name;
  if (FileName(file, name) != MIRB_VS_OK || image == nullptr || quality < 0 ||
      quality > 100) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::vector<Image> pages;
  FileFormat format = FileFormat::kTiff;
  if (const int rc = ReadImageFile(name, pages, format); rc != MIRB_VS_OK) {
    return rc;
  }
  // A JPEG holds one page: the rest of a multi-page file would be lost.
  if (pages.size() != 1 || pages.front().bitsPerPixel != 8) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::vector<std::uint8_t> bytes;
  if (const int rc = EncodeJpeg(pages.front(), bytes,
                                quality == 0 ? kDefaultJpegQuality : quality);
      rc != MIRB_VS_OK) {
    return rc;
  }
  return PlaceInBuffer(image, bytes);
}

// Reads both names and the gray pages of input, for the UV utilities.
int OpenGray(const char *input, const char *output, std::string &outName,
             std::vector<Image> &pages, FileFormat &format) {
  std::string inName;
  if (FileName(input, inName) != MIRB_VS_OK ||
      FileName(output, outName) != MIRB_VS_OK) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  if (const int rc = ReadImageFile(inName, pages, format); rc != MIRB_VS_OK) {
    return rc;
  }
  return AllPages(pages, 8) ? MIRB_VS_OK : MIRB_VS_ERR_BAD_ARGUMENT;
}

// Rounded down, also for negative products, so equal steps in v give equal
// steps out.
int Gain(int v, int numerator, int denominator, int offset) {
  const long long product = static_cast<long long>(v) * numerator;
  long long q = product / denominator;
  if (product % denominator != 0 && product < 0) {
    --q;
  }
  const long long g = q + offset;
  return static_cast<int>(g < 0 ? 0 : g > 255 ? 255 : g);
}

int Combine(const char *input, const char *append) {
  std::string inName, appendName;
  if (FileName(input, inName) != MIRB_VS_OK ||
      FileName(append, appendName) != MIRB_VS_OK) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::vector<Image> pages, more;
  FileFormat format = FileFormat::kTiff, appendFormat = FileFormat::kTiff;
  if (const int rc = ReadImageFile(inName, pages, format); rc != MIRB_VS_OK) {
    return rc;
  }
  if (format != FileFormat::kTiff) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  if (const int rc = ReadImageFile(appendName, more, appendFormat);
      rc != MIRB_VS_OK) {
    return rc;
  }
  if (appendFormat != FileFormat::kTiff) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::uint64_t rows = 0;
  for (const auto *list : {&pages, &more}) {
    for (const Image &page : *list) {
      rows += page.data.size();
    }
  }
  if (pages.size() + more.size() > kMaxPages || rows > kMaxImageBytes) {
    return MIRB_VS_ERR_TOO_LARGE;
  }
  pages.insert(pages.end(), more.begin(), more.end());
  return WriteImageFile(inName, pages, FileFormat::kTiff);
}

int Crop(const char *input, const char *output, int margin) {
  std::string inName, outName;
  if (FileName(input, inName) != MIRB_VS_OK ||
      FileName(output, outName) != MIRB_VS_OK || margin < 0) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::vector<Image> pages;
  FileFormat format = FileFormat::kTiff;
  if (const int rc = ReadImageFile(inName, pages, format); rc != MIRB_VS_OK) {
    return rc;
  }
  // At least one pixel each way must remain on every page.
  const long long cut = 2LL * margin;
  for (const Image &page : pages) {
    if (cut >= page.width || cut >= page.height) {
      return MIRB_VS_ERR_BAD_ARGUMENT;
    }
  }
  for (Image &page : pages) {
    Image inner =
        Image::Blank(page.width - 2 * margin, page.height - 2 * margin,
                     page.bitsPerPixel, page.dpi);
    inner.compression = page.compression;
    for (int y = 0; y < inner.height; ++y) {
      for (int x = 0; x < inner.width; ++x) {
        inner.Set(x, y, page.Gray(x + margin, y + margin));
      }
    }
    page = std::move(inner);
  }
  return WriteImageFile(outName, pages, format);
}

int UvGain(const char *input, const char *output, int numerator,
           int denominator, int offset) {
  if (denominator <= 0) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::string outName;
  std::vector<Image> pages;
  FileFormat format = FileFormat::kTiff;
  if (const int rc = OpenGray(input, output, outName, pages, format);
      rc != MIRB_VS_OK) {
    return rc;
  }
  // 256 entries instead of a division per pixel.
  std::uint8_t table[256];
  for (int v = 0; v < 256; ++v) {
    table[v] =
        static_cast<std::uint8_t>(Gain(v, numerator, denominator, offset));
  }
  for (Image &page : pages) {
    for (std::uint8_t &v : page.data) {
      v = table[v];
    }
  }
  return WriteImageFile(outName, pages, format);
}

int UvToBilevel(const char *input, const char *output, int threshold) {
  if (threshold == 0) {
    threshold = kDefaultThreshold;
  }
  if (threshold < 1 || threshold > 255) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::string outName;
  std::vector<Image> pages;
  FileFormat format = FileFormat::kTiff;
  if (const int rc = OpenGray(input, output, outName, pages, format);
      rc != MIRB_VS_OK) {
    return rc;
  }
  for (Image &page : pages) {
    Image bilevel = Image::Blank(page.width, page.height, 1, page.dpi);
    bilevel.compression = Compression::kGroup4;
    for (int y = 0; y < page.height; ++y) {
      for (int x = 0; x < page.width; ++x) {
        bilevel.Set(x, y, page.Gray(x, y) < threshold ? 0 : 255);
      }
    }
    page = std::move(bilevel);
  }
  return WriteImageFile(outName, pages, FileFormat::kTiff);
}

} // namespace

int MIRB_CALL MIRBCompressImage(const char *file, unsigned char *image) {
  return Guarded([&] { return CompressBilevel(file, image); });
}

int MIRB_CALL MIRBCompressImageGray(const char *file, unsigned char *image,
                                    int option) {
  return Guarded([&] { return CompressGray(file, image, option); });
}

int MIRB_CALL MIRBCombineTIFFS(const char *input, const char *append) {
  return Guarded([&] { return Combine(input, append); });
}

int MIRB_CALL MIRBCopyFile(const char *input, const char *output) {
  return Guarded([&] {
    std::string inName, outName;
    if (FileName(input, inName) != MIRB_VS_OK ||
        FileName(output, outName) != MIRB_VS_OK) {
      return MIRB_VS_ERR_BAD_ARGUMENT;
    }
    return CopyWholeFile(inName, outName);
  });
}

int MIRB_CALL MIRBCropFile(const char *input, const char *output, int option) {
  return Guarded([&] { return Crop(input, output, option); });
}

int MIRB_CALL QELUVGain(const char *input, const char *output, int numerator,
                        int denominator, int offset) {
  return Guarded(
      [&] { return UvGain(input, output, numerator, denominator, offset); });
}

int MIRB_CALL QELUVTiff(const char *input, const char *output, int option) {
  return Guarded([&] { return UvToBilevel(input, output, option); });
}
