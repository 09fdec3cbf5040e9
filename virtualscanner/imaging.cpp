// Image utilities: compression into memory, UV processing, combining,
// cropping and copying files. They need no session: they work on files.
// Arguments are checked before any file is read, inputs are read whole
// before anything is written, and every output is written whole or not at
// all, so an output may also be the input itself.
#include <cstring>
#include <new>
#include <stdexcept>

#include "scannerlib/mirbap32.h"
#include "virtualscanner/files.h"
#include "virtualscanner/image.h"
#include "virtualscanner/jpeg.h"
#include "virtualscanner/state.h"

using namespace vs;

namespace {

constexpr int kDefaultThreshold = 128;

// A required file name: MIRB_VS_OK, or MIRB_VS_ERR_BAD_ARGUMENT for a
// null, empty or over-long one.
int fileName(const char *text, std::string &name) {
  return readText(text, name) && !name.empty() ? MIRB_VS_OK
                                               : MIRB_VS_ERR_BAD_ARGUMENT;
}

// An entry's body: nothing may be thrown through the C interface, and
// memory running out on a huge image is the image being too large.
template <typename Body> int guarded(Body body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc &) {
    return MIRB_VS_ERR_TOO_LARGE;
  } catch (const std::length_error &) {
    return MIRB_VS_ERR_TOO_LARGE;
  } catch (...) {
    return MIRB_VS_ERR_FILE;
  }
}

bool allPages(const std::vector<Image> &pages, int bitsPerPixel) {
  for (const Image &page : pages) {
    if (page.bitsPerPixel != bitsPerPixel) {
      return false;
    }
  }
  return true;
}

// A JPEG holds a single page; TIFF pages keep their compression.
int writeImageFile(const std::string &name, const std::vector<Image> &pages,
                   FileFormat format) {
  std::vector<std::uint8_t> bytes;
  const int rc = format == FileFormat::Jpeg ? encodeJpeg(pages.front(), bytes)
                                            : encodeTiff(pages, bytes);
  if (rc != MIRB_VS_OK) {
    return rc;
  }
  return writeFile(name, bytes) ? MIRB_VS_OK : MIRB_VS_ERR_FILE;
}

// The caller's buffer gets a file's bytes, from its first byte, or
// nothing at all: their count, or an error code.
int placeInBuffer(unsigned char *image, const std::vector<std::uint8_t> &bytes) {
  if (bytes.size() > kImageBuffer) {
    return MIRB_VS_ERR_TOO_LARGE;
  }
  std::memcpy(image, bytes.data(), bytes.size());
  const int length = static_cast<int>(bytes.size());
  State &st = state();
  Guard guard(st.mutex);
  placeImage(st, image, length);
  return length;
}

// MIRBCompressImage: every page of a bilevel TIFF as a Group 4 TIFF.
int compressBilevel(const char *file, unsigned char *image) {
  std::string name;
  if (fileName(file, name) != MIRB_VS_OK || image == nullptr) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::vector<Image> pages;
  FileFormat format = FileFormat::Tiff;
  if (const int rc = readImageFile(name, pages, format); rc != MIRB_VS_OK) {
    return rc;
  }
  if (format != FileFormat::Tiff || !allPages(pages, 1)) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  for (Image &page : pages) {
    page.compression = Compression::Group4;
  }
  std::vector<std::uint8_t> bytes;
  if (const int rc = encodeTiff(pages, bytes); rc != MIRB_VS_OK) {
    return rc;
  }
  return placeInBuffer(image, bytes);
}

// MIRBCompressImageGray: one 8-bit image as a JFIF JPEG of that quality
// (0: the scans' own).
int compressGray(const char *file, unsigned char *image, int quality) {
  std::string name;
  if (fileName(file, name) != MIRB_VS_OK || image == nullptr || quality < 0 ||
      quality > 100) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::vector<Image> pages;
  FileFormat format = FileFormat::Tiff;
  if (const int rc = readImageFile(name, pages, format); rc != MIRB_VS_OK) {
    return rc;
  }
  // A JPEG holds one page: the rest of a multi-page file would be lost.
  if (pages.size() != 1 || pages.front().bitsPerPixel != 8) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::vector<std::uint8_t> bytes;
  if (const int rc = encodeJpeg(pages.front(), bytes,
                                quality == 0 ? kDefaultJpegQuality : quality);
      rc != MIRB_VS_OK) {
    return rc;
  }
  return placeInBuffer(image, bytes);
}

// Reads both names and the gray pages of input, for the UV utilities.
int openGray(const char *input, const char *output, std::string &outName,
             std::vector<Image> &pages, FileFormat &format) {
  std::string inName;
  if (fileName(input, inName) != MIRB_VS_OK ||
      fileName(output, outName) != MIRB_VS_OK) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  if (const int rc = readImageFile(inName, pages, format); rc != MIRB_VS_OK) {
    return rc;
  }
  return allPages(pages, 8) ? MIRB_VS_OK : MIRB_VS_ERR_BAD_ARGUMENT;
}

// Rounded down, also for negative products, so equal steps in v give equal
// steps out.
int gain(int v, int numerator, int denominator, int offset) {
  const long long product = static_cast<long long>(v) * numerator;
  long long q = product / denominator;
  if (product % denominator != 0 && product < 0) {
    --q;
  }
  const long long g = q + offset;
  return static_cast<int>(g < 0 ? 0 : g > 255 ? 255 : g);
}

int combine(const char *input, const char *append) {
  std::string inName, appendName;
  if (fileName(input, inName) != MIRB_VS_OK ||
      fileName(append, appendName) != MIRB_VS_OK) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::vector<Image> pages, more;
  FileFormat format = FileFormat::Tiff, appendFormat = FileFormat::Tiff;
  if (const int rc = readImageFile(inName, pages, format); rc != MIRB_VS_OK) {
    return rc;
  }
  if (format != FileFormat::Tiff) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  if (const int rc = readImageFile(appendName, more, appendFormat);
      rc != MIRB_VS_OK) {
    return rc;
  }
  if (appendFormat != FileFormat::Tiff) {
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
  return writeImageFile(inName, pages, FileFormat::Tiff);
}

int crop(const char *input, const char *output, int margin) {
  std::string inName, outName;
  if (fileName(input, inName) != MIRB_VS_OK ||
      fileName(output, outName) != MIRB_VS_OK || margin < 0) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::vector<Image> pages;
  FileFormat format = FileFormat::Tiff;
  if (const int rc = readImageFile(inName, pages, format); rc != MIRB_VS_OK) {
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
    Image inner = Image::blank(page.width - 2 * margin, page.height - 2 * margin,
                               page.bitsPerPixel, page.dpi);
    inner.compression = page.compression;
    for (int y = 0; y < inner.height; ++y) {
      for (int x = 0; x < inner.width; ++x) {
        inner.set(x, y, page.gray(x + margin, y + margin));
      }
    }
    page = std::move(inner);
  }
  return writeImageFile(outName, pages, format);
}

int uvGain(const char *input, const char *output, int numerator, int denominator,
           int offset) {
  if (denominator <= 0) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::string outName;
  std::vector<Image> pages;
  FileFormat format = FileFormat::Tiff;
  if (const int rc = openGray(input, output, outName, pages, format);
      rc != MIRB_VS_OK) {
    return rc;
  }
  // 256 entries instead of a division per pixel.
  std::uint8_t table[256];
  for (int v = 0; v < 256; ++v) {
    table[v] =
        static_cast<std::uint8_t>(gain(v, numerator, denominator, offset));
  }
  for (Image &page : pages) {
    for (std::uint8_t &v : page.data) {
      v = table[v];
    }
  }
  return writeImageFile(outName, pages, format);
}

int uvToBilevel(const char *input, const char *output, int threshold) {
  if (threshold == 0) {
    threshold = kDefaultThreshold;
  }
  if (threshold < 1 || threshold > 255) {
    return MIRB_VS_ERR_BAD_ARGUMENT;
  }
  std::string outName;
  std::vector<Image> pages;
  FileFormat format = FileFormat::Tiff;
  if (const int rc = openGray(input, output, outName, pages, format);
      rc != MIRB_VS_OK) {
    return rc;
  }
  for (Image &page : pages) {
    Image bilevel = Image::blank(page.width, page.height, 1, page.dpi);
    bilevel.compression = Compression::Group4;
    for (int y = 0; y < page.height; ++y) {
      for (int x = 0; x < page.width; ++x) {
        bilevel.set(x, y, page.gray(x, y) < threshold ? 0 : 255);
      }
    }
    page = std::move(bilevel);
  }
  return writeImageFile(outName, pages, FileFormat::Tiff);
}

} // namespace

int MIRB_CALL MIRBCompressImage(const char *file, unsigned char *image) {
  return guarded([&] { return compressBilevel(file, image); });
}

int MIRB_CALL MIRBCompressImageGray(const char *file, unsigned char *image,
                                    int option) {
  return guarded([&] { return compressGray(file, image, option); });
}

int MIRB_CALL MIRBCombineTIFFS(const char *input, const char *append) {
  return guarded([&] { return combine(input, append); });
}

int MIRB_CALL MIRBCopyFile(const char *input, const char *output) {
  return guarded([&] {
    std::string inName, outName;
    if (fileName(input, inName) != MIRB_VS_OK ||
        fileName(output, outName) != MIRB_VS_OK) {
      return MIRB_VS_ERR_BAD_ARGUMENT;
    }
    return copyFile(inName, outName);
  });
}

int MIRB_CALL MIRBCropFile(const char *input, const char *output, int option) {
  return guarded([&] { return crop(input, output, option); });
}

int MIRB_CALL QELUVGain(const char *input, const char *output, int numerator,
                        int denominator, int offset) {
  return guarded([&] { return uvGain(input, output, numerator, denominator, offset); });
}

int MIRB_CALL QELUVTiff(const char *input, const char *output, int option) {
  return guarded([&] { return uvToBilevel(input, output, option); });
}
