// Image utilities: compression into memory, UV processing, combining,
// cropping and copying files. They need no session: they work on files.
#include <cstring>

#include "scannerlib/mirbap32.h"
#include "virtualscanner/image.h"
#include "virtualscanner/internal.h"

using namespace vs;

namespace {

constexpr std::size_t kMaxPages = 256;

// A required file name: MIRB_VS_OK, or MIRB_VS_ERR_BAD_ARGUMENT for a
// null, empty or over-long one.
int fileName(const char *text, std::string &name) {
  return readText(text, name) && !name.empty() ? MIRB_VS_OK
                                               : MIRB_VS_ERR_BAD_ARGUMENT;
}

int writeTiffFile(const std::string &name, const std::vector<Image> &pages) {
  std::vector<std::uint8_t> bytes;
  if (const int rc = encodeTiff(pages, bytes); rc != MIRB_VS_OK)
    return rc;
  return writeFile(name, bytes) ? MIRB_VS_OK : MIRB_VS_ERR_FILE;
}

// The first page of a TIFF file, stored again with PackBits into image:
// its byte count, or an error code.
int compressInto(const char *file, unsigned char *image, bool grayAllowed) {
  std::string name;
  if (const int rc = fileName(file, name); rc != MIRB_VS_OK)
    return rc;
  if (image == nullptr)
    return MIRB_VS_ERR_BAD_ARGUMENT;
  std::vector<Image> pages;
  if (const int rc = readTiffFile(name, pages); rc != MIRB_VS_OK)
    return rc;
  Image page = pages.front();
  if (page.bitsPerPixel != 1 && !grayAllowed)
    return MIRB_VS_ERR_BAD_ARGUMENT;
  page.compression = Compression::PackBits;
  std::vector<std::uint8_t> bytes;
  if (const int rc = encodeTiff({page}, bytes); rc != MIRB_VS_OK)
    return rc;
  if (bytes.size() > kImageBuffer)
    return MIRB_VS_ERR_TOO_LARGE;
  std::memcpy(image, bytes.data(), bytes.size());
  const int length = static_cast<int>(bytes.size());
  State &st = state();
  Guard guard(st.mutex);
  placeImage(st, image, length);
  return length;
}

// Reads input and output names and the pages of input.
int openPages(const char *input, const char *output, std::string &outName,
              std::vector<Image> &pages) {
  std::string inName;
  if (fileName(input, inName) != MIRB_VS_OK ||
      fileName(output, outName) != MIRB_VS_OK)
    return MIRB_VS_ERR_BAD_ARGUMENT;
  return readTiffFile(inName, pages);
}

} // namespace

int MIRB_CALL MIRBCompressImage(const char *file, unsigned char *image) {
  return compressInto(file, image, false);
}

int MIRB_CALL MIRBCompressImageGray(const char *file, unsigned char *image,
                                    int) {
  return compressInto(file, image, true);
}

int MIRB_CALL MIRBCombineTIFFS(const char *input, const char *append) {
  std::string inName, appendName;
  if (fileName(input, inName) != MIRB_VS_OK ||
      fileName(append, appendName) != MIRB_VS_OK)
    return MIRB_VS_ERR_BAD_ARGUMENT;
  std::vector<Image> pages, more;
  if (const int rc = readTiffFile(inName, pages); rc != MIRB_VS_OK)
    return rc;
  if (const int rc = readTiffFile(appendName, more); rc != MIRB_VS_OK)
    return rc;
  if (pages.size() + more.size() > kMaxPages)
    return MIRB_VS_ERR_BAD_ARGUMENT;
  pages.insert(pages.end(), more.begin(), more.end());
  return writeTiffFile(inName, pages);
}

int MIRB_CALL MIRBCopyFile(const char *input, const char *output) {
  std::string inName, outName;
  if (fileName(input, inName) != MIRB_VS_OK ||
      fileName(output, outName) != MIRB_VS_OK)
    return MIRB_VS_ERR_BAD_ARGUMENT;
  std::vector<std::uint8_t> bytes;
  if (!readFile(inName, bytes) || !writeFile(outName, bytes))
    return MIRB_VS_ERR_FILE;
  return MIRB_VS_OK;
}

int MIRB_CALL MIRBCropFile(const char *input, const char *output, int margin) {
  std::string outName;
  std::vector<Image> pages;
  if (const int rc = openPages(input, output, outName, pages); rc != MIRB_VS_OK)
    return rc;
  if (margin < 0)
    return MIRB_VS_ERR_BAD_ARGUMENT;
  for (Image &page : pages) {
    if (margin >= page.width / 2 || margin >= page.height / 2)
      return MIRB_VS_ERR_BAD_ARGUMENT;
    Image cut = Image::blank(page.width - 2 * margin, page.height - 2 * margin,
                             page.bitsPerPixel, page.dpi);
    cut.compression = page.compression;
    for (int y = 0; y < cut.height; ++y)
      for (int x = 0; x < cut.width; ++x)
        cut.set(x, y, page.gray(x + margin, y + margin));
    page = std::move(cut);
  }
  return writeTiffFile(outName, pages);
}

int MIRB_CALL QELUVGain(const char *input, const char *output, int numerator,
                        int denominator, int offset) {
  std::string outName;
  std::vector<Image> pages;
  if (const int rc = openPages(input, output, outName, pages); rc != MIRB_VS_OK)
    return rc;
  if (denominator <= 0)
    return MIRB_VS_ERR_BAD_ARGUMENT;
  for (Image &page : pages) {
    if (page.bitsPerPixel != 8)
      return MIRB_VS_ERR_BAD_ARGUMENT;
    for (std::uint8_t &v : page.data) {
      const long long g = static_cast<long long>(v) * numerator / denominator +
                          offset;
      v = static_cast<std::uint8_t>(g < 0 ? 0 : g > 255 ? 255 : g);
    }
  }
  return writeTiffFile(outName, pages);
}

int MIRB_CALL QELUVTiff(const char *input, const char *output, int threshold) {
  std::string outName;
  std::vector<Image> pages;
  if (const int rc = openPages(input, output, outName, pages); rc != MIRB_VS_OK)
    return rc;
  if (threshold == 0)
    threshold = 128;
  if (threshold < 1 || threshold > 255)
    return MIRB_VS_ERR_BAD_ARGUMENT;
  for (Image &page : pages) {
    if (page.bitsPerPixel != 8)
      return MIRB_VS_ERR_BAD_ARGUMENT;
    Image bilevel = Image::blank(page.width, page.height, 1, page.dpi);
    for (int y = 0; y < page.height; ++y)
      for (int x = 0; x < page.width; ++x)
        bilevel.set(x, y, page.gray(x, y) < threshold ? 0 : 255);
    page = std::move(bilevel);
  }
  return writeTiffFile(outName, pages);
}
