// libFuzzer target over the virtual scanner's JPEG reading: the image
// utilities' gray JPEGs and the hopper's pictures, gray or colour. An image
// read is written again and reads back.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/vs_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  using vsfuzz::Require;
  const std::vector<std::uint8_t> bytes = vsfuzz::Bytes(data, size);
  vsfuzz::DecodeAsPicture(bytes);
  vs::Image image;
  const int rc = vs::DecodeJpeg(bytes, image);
  vsfuzz::RequireDecoded(rc);
  if (rc != MIRB_VS_OK) {
    Require(image.data.empty(), "an image left behind by a failed read");
    return 0;
  }
  vsfuzz::RequireWhole(image);
  std::vector<std::uint8_t> written;
  Require(vs::EncodeJpeg(image, written) == MIRB_VS_OK,
          "an image read cannot be written");
  vs::Image back;
  Require(vs::DecodeJpeg(written, back) == MIRB_VS_OK &&
              back.width == image.width && back.height == image.height,
          "an image written does not read back");
  return 0;
}
