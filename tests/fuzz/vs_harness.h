// What the virtual scanner's fuzz targets share: the input as the readers
// take it, and checks that abort, so that libFuzzer keeps the input.
#ifndef QELSCANNER_TESTS_FUZZ_VS_HARNESS_H
#define QELSCANNER_TESTS_FUZZ_VS_HARNESS_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "virtualscanner/image.h"
#include "virtualscanner/image_files.h"
#include "virtualscanner/jpeg.h"
#include "virtualscanner/tiff.h"
#include "virtualscanner/virtual_scanner.h"

namespace vsfuzz {

inline void Require(bool holds, const char *what) {
  if (!holds) {
    std::fprintf(stderr, "\nvirtual scanner: %s\n", what);
    std::abort();
  }
}

// A result among those the reader documents.
inline void RequireCode(int rc, std::initializer_list<int> documented) {
  for (const int code : documented) {
    if (rc == code) {
      return;
    }
  }
  std::fprintf(stderr, "\nvirtual scanner: undocumented result %d\n", rc);
  std::abort();
}

inline std::string Text(const std::uint8_t *data, std::size_t size) {
  return std::string(reinterpret_cast<const char *>(data), size);
}

inline std::vector<std::uint8_t> Bytes(const std::uint8_t *data,
                                       std::size_t size) {
  return std::vector<std::uint8_t>(data, data + size);
}

// A decoded image is whole: within the limits, every row there.
inline void RequireWhole(const vs::Image &image) {
  Require(image.width > 0 && image.height > 0 && image.width <= vs::kMaxSide &&
              image.height <= vs::kMaxSide,
          "an image's size outside the limits");
  Require(image.bitsPerPixel == 1 || image.bitsPerPixel == 8,
          "an image of neither 1 nor 8 bits");
  Require(image.data.size() ==
              image.stride() * static_cast<std::size_t>(image.height),
          "an image's rows do not fill its data");
}

// The results of the image readers.
inline void RequireDecoded(int rc) {
  RequireCode(rc,
              {MIRB_VS_OK, MIRB_VS_ERR_IMAGE_FORMAT, MIRB_VS_ERR_TOO_LARGE});
}

// What a hopper picture becomes: any picture read, in 8-bit gray.
inline void DecodeAsPicture(const std::vector<std::uint8_t> &bytes) {
  vs::Image gray;
  const int rc = vs::DecodePicture(bytes, gray);
  RequireDecoded(rc);
  if (rc == MIRB_VS_OK) {
    RequireWhole(gray);
    Require(gray.bitsPerPixel == 8, "a picture not in gray");
  }
}

} // namespace vsfuzz

#endif
