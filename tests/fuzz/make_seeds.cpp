// Writes small valid TIFF and JPEG files with the virtual scanner's own
// writers, the image targets' seeds (make_corpus.sh runs it):
//   make_seeds <TIFF folder> <JPEG folder>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "virtualscanner/image.h"
#include "virtualscanner/jpeg.h"
#include "virtualscanner/tiff.h"
#include "virtualscanner/virtual_scanner.h"

namespace {

bool Save(const std::string &name, const std::vector<std::uint8_t> &bytes) {
  std::ofstream out(name, std::ios::binary);
  out.write(reinterpret_cast<const char *>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_seeds <TIFF folder> <JPEG folder>\n");
    return 2;
  }
  const std::string tiffs = argv[1], jpegs = argv[2];
  // A diagonal and a frame on a 37 x 21 page (rows not whole bytes), and
  // a gray ramp of the same size.
  vs::Image bilevel = vs::Image::Blank(37, 21, 1, 200);
  vs::Image gray = vs::Image::Blank(37, 21, 8, 100);
  for (int x = 0; x < 37; ++x) {
    bilevel.Set(x, x * 21 / 37, 0);
    bilevel.Set(x, 0, 0);
    for (int y = 0; y < 21; ++y) {
      gray.Set(x, y, x * 7 - y * 3);
    }
  }
  const struct {
    const char *name;
    vs::Compression compression;
    bool isGray;
  } kPages[] = {
      {"none-1", vs::Compression::kNone, false},
      {"packbits-1", vs::Compression::kPackBits, false},
      {"group3-1", vs::Compression::kGroup3, false},
      {"group4-1", vs::Compression::kGroup4, false},
      {"lzw-1", vs::Compression::kLzw, false},
      {"none-8", vs::Compression::kNone, true},
      {"packbits-8", vs::Compression::kPackBits, true},
      {"lzw-8", vs::Compression::kLzw, true},
  };
  bool ok = true;
  std::vector<vs::Image> both;
  for (const auto &p : kPages) {
    vs::Image page = p.isGray ? gray : bilevel;
    page.compression = p.compression;
    both.push_back(page);
    std::vector<std::uint8_t> bytes;
    ok = ok && vs::EncodeTiff({page}, bytes) == MIRB_VS_OK &&
         Save(tiffs + "/" + p.name + ".tif", bytes);
  }
  std::vector<std::uint8_t> bytes;
  ok = ok && vs::EncodeTiff(both, bytes) == MIRB_VS_OK &&
       Save(tiffs + "/pages.tif", bytes);
  for (const int quality : {85, 10}) {
    ok = ok && vs::EncodeJpeg(gray, bytes, quality) == MIRB_VS_OK &&
         Save(jpegs + "/gray-" + std::to_string(quality) + ".jpg", bytes);
  }
  return ok ? 0 : 1;
}
