// Gray JFIF JPEGs written and read through libjpeg, in memory.
#ifndef QELSCANNER_VIRTUALSCANNER_JPEG_H
#define QELSCANNER_VIRTUALSCANNER_JPEG_H

#include <cstdint>
#include <vector>

namespace vs {

struct Image;

// The JPEG quality of the scans, and of JPEGs written without one asked.
constexpr int kDefaultJpegQuality = 85;

// A JFIF JPEG of an 8-bit image at quality 1..100: MIRB_VS_OK or
// MIRB_VS_ERR_FILE.
int EncodeJpeg(const Image &image, std::vector<std::uint8_t> &bytes,
               int quality = kDefaultJpegQuality);
// A one-component 8-bit JPEG: MIRB_VS_OK, MIRB_VS_ERR_IMAGE_FORMAT (not
// such a JPEG, damaged or cut short) or MIRB_VS_ERR_TOO_LARGE. anyColour
// also takes a colour JPEG and turns it to gray.
int DecodeJpeg(const std::vector<std::uint8_t> &bytes, Image &image,
               bool anyColour = false);

} // namespace vs

#endif
