// The check's own fields and pictures from the hopper: the amount in
// words, and the files that keep the session shut. (The Java tests scan
// the pictures of the example hopper.)
#include <cstdint>
#include <cstring>
#include <vector>

#include "virtualscanner/amounts.h"
#include "vs_test.h"

using namespace vstest;

namespace {

TEST(Words, AmountsAreWrittenOutAsAPersonWritesThem) {
  const struct {
    long long cents;
    const char *words, *figures;
  } amounts[] = {
      {7, "Zero and 07/100", "0.07"},
      {1200, "Twelve and 00/100", "12.00"},
      {12500, "One hundred twenty-five and 00/100", "125.00"},
      {123456, "One thousand two hundred thirty-four and 56/100", "1,234.56"},
      {1000100, "Ten thousand one and 00/100", "10,001.00"},
      {100000000, "One million and 00/100", "1,000,000.00"},
      {9999999999,
       "Ninety-nine million nine hundred ninety-nine thousand "
       "nine hundred ninety-nine and 99/100",
       "99,999,999.99"},
  };
  for (const auto &a : amounts) {
    EXPECT_EQ(a.words, vs::AmountInWords(a.cents));
    EXPECT_EQ(a.figures, vs::AmountInFigures(a.cents));
  }
  EXPECT_EQ(123456, vs::ParseAmount("1234.56"));
  EXPECT_EQ(123400, vs::ParseAmount("1234"));
  for (const char *bad : {"", "1.5", ".50", "1,234.00", "12a", "-5"}) {
    EXPECT_FALSE(vs::ParseAmount(bad)) << bad;
  }
}

using Pictures = VirtualScanner;

TEST_F(Pictures, AnUnreadablePictureOrABadFieldKeepsTheSessionShut) {
  Spit(Path("text.tif"), "not a picture");
  std::filesystem::create_directory(Path("folder.tif"));
  const std::vector<std::uint8_t> bytes =
      Slurp(QELSCAN_VS_EXAMPLE "/pattern-front.tif");
  Spit(Path("cut.tif"), std::string(bytes.begin(), bytes.end() - 300));
  const std::string lines[] = {"U1U\tfront=missing.tif",
                               "U1U\tback=text.tif",
                               "U1U\tfront=folder.tif",
                               "U1U\tback=cut.tif",
                               "U1U\tfront=",
                               "U1U\tamount=12.5",
                               "U1U\tmemo=" + std::string(256, 'x')};
  for (const std::string &line : lines) {
    Spit(Path("hopper.txt"), line + "\n");
    setenv("MIRB_VIRTUAL_HOPPER", Path("hopper.txt").c_str(), 1);
    EXPECT_EQ(MIRB_VS_ERR_HOPPER, MIRBInit()) << line;
    EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBStatus()) << line;
  }
  Feed({"U1U\tfront=" QELSCAN_VS_EXAMPLE "/pattern-front.tif"}); // whole
}

// A 7 x 4 picture written with libtiff (LZW): samples of value low in the
// four columns on the left, top in the three on the right, packed most
// significant bit first (16 bits: this machine's order, little-endian).
struct Picture {
  std::uint16_t bits, photometric, samples;
  bool tiled, bigEndian, planes;
};

void WritePicture(const std::string &name, const Picture &p, unsigned low,
                  unsigned top) {
  TIFF *tif = TIFFOpen(name.c_str(), p.bigEndian ? "wb" : "wl");
  const std::uint32_t across = p.tiled ? 16 : 7, down = p.tiled ? 16 : 4;
  const unsigned fields[][2] = {{256, 7},
                                {257, 4},
                                {258, p.bits},
                                {277, p.samples},
                                {262, p.photometric},
                                {284, p.planes + 1u},
                                {259, COMPRESSION_LZW},
                                {p.tiled ? 322u : 278u, down},
                                {p.tiled ? 323u : 278u, down}};
  for (const auto &field : fields) {
    TIFFSetField(tif, field[0], field[1]);
  }
  std::vector<std::uint16_t> map(top + 1);
  for (unsigned i = 0; i <= top; ++i) {
    map[i] = static_cast<std::uint16_t>(i * 65535 / top);
  }
  if (p.photometric == PHOTOMETRIC_PALETTE) {
    TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
  }
  const std::uint32_t inPixel = p.planes ? 1 : p.samples;
  const std::size_t rowBytes = (across * inPixel * p.bits + 7) / 8;
  std::vector<std::uint8_t> block(rowBytes * down);
  for (std::uint32_t at = 0; at < down * 7 * inPixel * p.bits; ++at) {
    const std::uint32_t y = at / (7 * inPixel * p.bits),
                        x = at % (7 * inPixel * p.bits);
    const std::uint32_t v = x / (inPixel * p.bits) < 4 ? low : top;
    const std::uint32_t bit = p.bits == 16 ? x ^ 8 : x; // 16: low byte first
    block[rowBytes * y + bit / 8] |= ((v >> (p.bits - 1 - x % p.bits)) & 1)
                                     << (7 - bit % 8);
  }
  for (std::uint32_t plane = 0; plane < (p.planes ? p.samples : 1u); ++plane) {
    const auto size = static_cast<tmsize_t>(block.size());
    ASSERT_GE(p.tiled ? TIFFWriteEncodedTile(tif, plane, block.data(), size)
                      : TIFFWriteEncodedStrip(tif, plane, block.data(), size),
              0);
  }
  TIFFClose(tif);
}

// Every depth of 1 to 16 bits, gray either way, palette and colour, shows
// the grays it stands for, in strips, tiles or planes, either byte order.
TEST_F(Pictures, EveryDepthFrom1To16BitsShowsItsGrays) {
  std::vector<Picture> pictures = {{12, 1, 1, true, false, false},
                                   {12, 1, 1, false, true, false},
                                   {5, 2, 3, false, false, true}};
  for (std::uint16_t bits = 1; bits <= 16; ++bits) {
    for (std::uint16_t photometric : {0, 1, 2, 3}) {
      const std::uint16_t samples = photometric == 2 ? 3 : 1;
      pictures.push_back({bits, photometric, samples, false, false, false});
    }
  }
  for (const Picture &p : pictures) {
    SCOPED_TRACE(testing::Message()
                 << p.bits << " bits, photometric " << p.photometric
                 << ", layout " << p.tiled << p.bigEndian << p.planes);
    const unsigned top = (1u << p.bits) - 1, low = top / 3;
    WritePicture(Path("picture.tif"), p, low, top);
    Feed({"U1U\tfront=picture.tif"});
    char len[32], micr[256];
    ASSERT_EQ(MIRB_VS_OK, MIRBScanGray(0, Path("gray.tif").c_str(), len, "",
                                       len, micr, len, 0));
    const int gray =
        static_cast<int>(p.photometric == 3 ? low * 65535 / top >> 8
                                            : (low * 255 + top / 2) / top);
    const TiffInfo scanned = InspectTiffFile(Path("gray.tif"));
    ASSERT_EQ(600u * 275u, scanned.gray.size());
    EXPECT_EQ(p.photometric == 0 ? 255 - gray : gray, scanned.gray[82350]);
    EXPECT_EQ(p.photometric == 0 ? 0 : 255, scanned.gray[82650]);
    MIRBExit();
  }
}

} // namespace
