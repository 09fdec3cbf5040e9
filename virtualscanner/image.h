// The raster every image here is drawn and kept in, and the limits of
// the image files read.
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

// The average of the 2 x 2 square whose top left pixel is (2x, 2y): a
// pixel of the image at half the resolution.
inline int Average2x2(const Image &image, int x, int y) {
  return (image.Gray(2 * x, 2 * y) + image.Gray(2 * x + 1, 2 * y) +
          image.Gray(2 * x, 2 * y + 1) + image.Gray(2 * x + 1, 2 * y + 1)) /
         4;
}

} // namespace vs

#endif
