// The raster every image here is drawn and kept in, the TIFF files
// written and read through libtiff, the memory image format of the scans
// to memory, and the reading of an image file of either kind.
#ifndef QELSCANNER_VIRTUALSCANNER_IMAGE_H
#define QELSCANNER_VIRTUALSCANNER_IMAGE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vs {

// How a page is or will be stored in a TIFF. Group 3 is written
// one-dimensional; the CCITT ones hold 1-bit pages only.
enum class Compression { kNone, kPackBits, kGroup3, kGroup4, kLzw, kDeflate };

// What the image files read here may hold: more is refused as too large.
constexpr std::size_t kMaxPages = 256;
constexpr int kMaxSide = 32767; // the memory header's int16
constexpr std::uint64_t kMaxPageBytes = 64ull << 20;   // rows of one page
constexpr std::uint64_t kMaxImageBytes = 256ull << 20; // rows of all pages
constexpr std::uint64_t kMaxFileBytes = 256ull << 20;

// Rows of packed pixels. 1 bit: most significant bit first, 1 = black.
// 8 bits: 0 = black, 255 = white.
struct Image {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 1;
  int dpi = 200;
  Compression compression = Compression::kNone;
  std::vector<std::uint8_t> data;

  static Image Blank(int width, int height, int bitsPerPixel, int dpi) {
    Image image;
    image.width = width;
    image.height = height;
    image.bitsPerPixel = bitsPerPixel;
    image.dpi = dpi;
    image.data.assign(image.stride() * static_cast<std::size_t>(height),
                      bitsPerPixel == 1 ? 0x00 : 0xFF);
    return image;
  }
  std::size_t stride() const {
    return bitsPerPixel == 1 ? (static_cast<std::size_t>(width) + 7) / 8
                             : static_cast<std::size_t>(width);
  }
  // 0 black .. 255 white, either depth; (x, y) must lie inside.
  int Gray(int x, int y) const {
    const std::uint8_t *row =
        data.data() + stride() * static_cast<std::size_t>(y);
    if (bitsPerPixel == 8) {
      return row[x];
    }
    return (row[x / 8] & (0x80 >> (x % 8))) != 0 ? 0 : 255;
  }
  // Outside the image: nothing happens, so drawings clip.
  void Set(int x, int y, int value) {
    if (x < 0 || y < 0 || x >= width || y >= height) {
      return;
    }
    std::uint8_t *row = data.data() + stride() * static_cast<std::size_t>(y);
    if (bitsPerPixel == 8) {
      row[x] = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
      return;
    }
    const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
    if (value < 128) {
      row[x / 8] |= bit;
    } else {
      row[x / 8] &= static_cast<std::uint8_t>(~bit);
    }
  }
};

// MIRB_VS_OK, or MIRB_VS_ERR_FILE when libtiff cannot write the pages
// (for instance Group 4 asked for an 8-bit page).
int EncodeTiff(const std::vector<Image> &pages,
               std::vector<std::uint8_t> &bytes);
// MIRB_VS_OK; MIRB_VS_ERR_IMAGE_FORMAT when the bytes are no TIFF we can
// read (not a TIFF, damaged, cut short, a form we do not decode);
// MIRB_VS_ERR_TOO_LARGE beyond the limits above.
int DecodeTiff(const std::vector<std::uint8_t> &bytes,
               std::vector<Image> &pages);
// A memory image: the header (MIRB_VS_MEMORY_HEADER_BYTES) describing
// image and stream, then the stream, a TIFF or JPEG file's bytes.
std::vector<std::uint8_t>
EncodeMemoryImage(const Image &image, int format,
                  const std::vector<std::uint8_t> &stream);

enum class FileFormat { kTiff, kJpeg };

// Decodes a TIFF or JPEG file's bytes, told apart by the first ones:
// MIRB_VS_OK, MIRB_VS_ERR_IMAGE_FORMAT or MIRB_VS_ERR_TOO_LARGE.
int DecodeImage(const std::vector<std::uint8_t> &bytes,
                std::vector<Image> &pages, FileFormat &format);
// Reads a file and decodes it as DecodeImage does; MIRB_VS_ERR_FILE when
// it cannot be read.
int ReadImageFile(const std::string &name, std::vector<Image> &pages,
                  FileFormat &format);

// Reads a picture of any kind libtiff or libjpeg decode (TIFF of 1 to 16
// bits, gray, palette or colour, strips or tiles; JPEG gray or colour),
// its first page turned to 8-bit gray: the same results, within the same
// limits as ReadImageFile (a colour pixel counting four bytes).
int ReadPictureFile(const std::string &name, Image &gray);
// The same over a file's bytes.
int DecodePicture(const std::vector<std::uint8_t> &bytes, Image &gray);

} // namespace vs

#endif
