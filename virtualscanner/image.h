// Images of the virtual scanner: a small raster, a TIFF writer and reader
// of our own (baseline, little- or big-endian, 1 or 8 bits, uncompressed
// or PackBits, one or more pages) and the memory image format of the
// scans to memory.
#ifndef QELSCANNER_VIRTUALSCANNER_IMAGE_H
#define QELSCANNER_VIRTUALSCANNER_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "virtualscanner/internal.h"

namespace vs {

// Rows of packed pixels. 1 bit: most significant bit first, 1 = black.
// 8 bits: 0 = black, 255 = white.
struct Image {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 1;
  int dpi = 200;
  bool packBits = false; // how it was or will be stored in a TIFF
  std::vector<std::uint8_t> data;

  static Image blank(int width, int height, int bitsPerPixel, int dpi);
  std::size_t stride() const;
  int gray(int x, int y) const; // 0 black .. 255 white, either depth
  void set(int x, int y, int gray);
};

enum class Kind { Bilevel, Gray, UV, Long };
enum class Side { Front, Back };

// A simple picture of the document: a frame, and on the front the code
// line drawn as bars, so that different documents give different images.
Image renderDocument(const Document &doc, Side side, Kind kind);

std::vector<std::uint8_t> encodeTiff(const std::vector<Image> &pages);
// MIRB_VS_OK, or MIRB_VS_ERR_FILE when the bytes are no TIFF we can read.
int decodeTiff(const std::vector<std::uint8_t> &bytes,
               std::vector<Image> &pages);

// Header (MIRB_VS_MEMORY_HEADER_BYTES) and the raw rows.
std::vector<std::uint8_t> encodeMemoryImage(const Image &image);

bool readFile(const std::string &name, std::vector<std::uint8_t> &bytes);
bool writeFile(const std::string &name, const std::vector<std::uint8_t> &bytes);
// Reads and decodes a TIFF file: MIRB_VS_OK or MIRB_VS_ERR_FILE.
int readTiffFile(const std::string &name, std::vector<Image> &pages);

} // namespace vs

#endif
