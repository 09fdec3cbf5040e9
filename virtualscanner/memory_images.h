// Memory images: the 16-byte header before a TIFF or JPEG stream, and the
// lengths of the images placed at callers' addresses, which
// QELGetMemoryImageLength answers.
#ifndef QELSCANNER_VIRTUALSCANNER_MEMORY_IMAGES_H
#define QELSCANNER_VIRTUALSCANNER_MEMORY_IMAGES_H

#include <cstdint>
#include <vector>

#include "virtualscanner/image.h"
#include "virtualscanner/state.h"

namespace vs {

// A memory image: the header (MIRB_VS_MEMORY_HEADER_BYTES) describing
// image and stream, then the stream, a TIFF or JPEG file's bytes.
std::vector<std::uint8_t>
EncodeMemoryImage(const Image &image, int format,
                  const std::vector<std::uint8_t> &stream);

// Records that an image of length bytes now starts at address.
void PlaceImage(State &st, const void *address, int length);

} // namespace vs

#endif
