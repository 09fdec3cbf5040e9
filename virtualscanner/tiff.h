// TIFF files written and read through libtiff, in memory.
#ifndef QELSCANNER_VIRTUALSCANNER_TIFF_H
#define QELSCANNER_VIRTUALSCANNER_TIFF_H

#include <cstdint>
#include <vector>

#include "virtualscanner/image.h"

namespace vs {

// MIRB_VS_OK, or MIRB_VS_ERR_FILE when libtiff cannot write the pages
// (for instance Group 4 asked for an 8-bit page).
int EncodeTiff(const std::vector<Image> &pages,
               std::vector<std::uint8_t> &bytes);
// The pages of a TIFF the image utilities read: MIRB_VS_OK;
// MIRB_VS_ERR_IMAGE_FORMAT when the bytes are no TIFF we can read (not a
// TIFF, damaged, cut short, a form we do not decode);
// MIRB_VS_ERR_TOO_LARGE beyond the limits of image.h.
int DecodeTiff(const std::vector<std::uint8_t> &bytes,
               std::vector<Image> &pages);
// The first page of any TIFF read as a picture (README "The hopper
// file"), in 8-bit gray: the same results.
int DecodeTiffGray(const std::vector<std::uint8_t> &bytes, Image &gray);

} // namespace vs

#endif
