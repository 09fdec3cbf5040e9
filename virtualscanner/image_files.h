// Image files of either kind, TIFF or JPEG, told apart by their first
// bytes: as the image utilities read them, and as hopper pictures.
#ifndef QELSCANNER_VIRTUALSCANNER_IMAGE_FILES_H
#define QELSCANNER_VIRTUALSCANNER_IMAGE_FILES_H

#include <cstdint>
#include <string>
#include <vector>

#include "virtualscanner/image.h"

namespace vs {

enum class FileFormat { kTiff, kJpeg };

// Decodes a TIFF or JPEG file's bytes: MIRB_VS_OK,
// MIRB_VS_ERR_IMAGE_FORMAT or MIRB_VS_ERR_TOO_LARGE.
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
