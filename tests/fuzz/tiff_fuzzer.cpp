// libFuzzer target over the virtual scanner's TIFF reading: the image
// utilities' pages and the hopper's pictures. Pages read are written again
// and read back the same.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/vs_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  using vsfuzz::Require;
  const std::vector<std::uint8_t> bytes = vsfuzz::Bytes(data, size);
  vsfuzz::DecodeAsPicture(bytes);
  std::vector<vs::Image> pages;
  const int rc = vs::DecodeTiff(bytes, pages);
  vsfuzz::RequireDecoded(rc);
  if (rc != MIRB_VS_OK) {
    return 0;
  }
  Require(!pages.empty() && pages.size() <= vs::kMaxPages,
          "a TIFF of no pages or too many");
  for (const vs::Image &page : pages) {
    vsfuzz::RequireWhole(page);
  }
  std::vector<std::uint8_t> written;
  if (vs::EncodeTiff(pages, written) != MIRB_VS_OK) {
    return 0; // a page libtiff cannot write as it was stored
  }
  std::vector<vs::Image> back;
  Require(vs::DecodeTiff(written, back) == MIRB_VS_OK &&
              back.size() == pages.size(),
          "pages written do not read back");
  for (std::size_t i = 0; i < pages.size(); ++i) {
    Require(back[i].width == pages[i].width &&
                back[i].height == pages[i].height &&
                back[i].bitsPerPixel == pages[i].bitsPerPixel &&
                back[i].data == pages[i].data,
            "a page written reads back otherwise");
  }
  return 0;
}
