// The check's own fields and pictures from the hopper: the amount in
// words, each field where the front shows it, pictures of every TIFF kind
// turned to gray, and the files that keep the session shut.
#include <cstdint>

#include "virtualscanner/font.h"
#include "virtualscanner/image.h"
#include "virtualscanner/words.h"
#include "vs_test.h"

using namespace vstest;

namespace {

TEST(Words, AmountsAreWrittenOutAsAPersonWritesThem) {
  const struct {
    long long cents;
    const char *words, *figures;
  } amounts[] = {
      {0, "Zero and 00/100", "0.00"},
      {7, "Zero and 07/100", "0.07"},
      {1200, "Twelve and 00/100", "12.00"},
      {7000, "Seventy and 00/100", "70.00"},
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
  for (const char *bad : {"", "1.5", ".50", "1,234.00", "12a", "-5", "1.234"}) {
    EXPECT_FALSE(vs::ParseAmount(bad)) << bad;
  }
}

using Fields = VirtualScanner;

// Whether the front shows text at (x, y) in the library's font, dot for dot.
bool Shows(const TiffInfo &page, int x, int y, const std::string &text,
           int scale) {
  vs::Image expected = vs::Image::Blank(vs::font::TextWidth(text, scale),
                                        vs::font::kGlyphHeight * scale, 8, 200);
  vs::font::DrawString(expected, 0, 0, text, scale, 0);
  for (int v = 0; v < expected.height; ++v) {
    for (int u = 0; u < expected.width; ++u) {
      if ((expected.Gray(u, v) == 0) !=
          (page.gray[std::size_t(y + v) * page.width + x + u] < 128)) {
        return false;
      }
    }
  }
  return true;
}

TEST_F(Fields, EachFieldIsPrintedInItsPlace) {
  Feed({"U000201U T249239726T 4820173659U $0000000100$\tpayee=JANE Q. PUBLIC"
        "\tdrawer=ACME\taddress=42 HARBOR RD|SPRINGFIELD\tdate=03/14/2026"
        "\tamount=1234.56\tmemo=INVOICE 7731\tbank=FIRST SAVINGS",
        "U000202U T111992489T 7031845526U $0000012500$\twords=Mistaken"});
  for (int doc = 0; doc < 2; ++doc) {
    char length[32], micr[256], micrLength[32];
    ASSERT_EQ(MIRB_VS_OK, MIRBScan(0, Path("front.tif").c_str(), length,
                                   nullptr, length, micr, micrLength));
    const TiffInfo page = InspectTiffFile(Path("front.tif"));
    ASSERT_TRUE(page.valid);
    const struct {
      int x, y;
      std::string text;
      int scale;
    } fields[2][4] = {
        {{32, 32, "ACME", 3},
         {32, 82, "SPRINGFIELD", 2},
         {880, 92, "03/14/2026", 3},
         {160, 174, "JANE Q. PUBLIC", 3}},
        {{40, 242, "Mistaken", 2},
         {1148 - vs::font::TextWidth("125.00", 3), 176, "125.00", 3},
         {32, 310, "VIRTUAL BANK", 2},
         {160, 174, "VIRTUAL PAYEE", 3}},
    };
    for (const auto &f : fields[doc]) {
      EXPECT_TRUE(Shows(page, f.x, f.y, f.text, f.scale)) << f.text;
    }
    if (doc == 0) {
      EXPECT_TRUE(Shows(page, 1148 - vs::font::TextWidth("1,234.56", 3), 176,
                        "1,234.56", 3));
      EXPECT_TRUE(Shows(page, 40, 242, vs::AmountInWords(123456), 2));
      EXPECT_TRUE(Shows(page, 108, 408, "INVOICE 7731", 2));
    }
  }
}

// A 120 x 55 picture, dark in the top-left and bottom-right quarters.
void WritePicture(const std::string &name, int kind) {
  TIFF *tif = TIFFOpen(name.c_str(), "w");
  const int bits[] = {16, 8, 8, 2}, samples[] = {1, 1, 3, 1};
  const std::uint16_t photometric[] = {PHOTOMETRIC_MINISBLACK,
                                       PHOTOMETRIC_PALETTE, PHOTOMETRIC_RGB,
                                       PHOTOMETRIC_MINISWHITE};
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 120);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 55);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits[kind]);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples[kind]);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric[kind]);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  std::vector<std::uint16_t> map(256, 0xF000);
  map[0] = 0x1000;
  if (kind == 1) {
    TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
  }
  for (int y = 0; y < 55; ++y) {
    std::vector<std::uint8_t> row(std::size_t{120} * 6);
    for (int x = 0; x < 120; ++x) {
      const bool dark = (x < 60) == (y < 27);
      const int b = x * bits[kind] * samples[kind] / 8;
      for (int i = 0; i < bits[kind] * samples[kind] / 8; ++i) {
        row[b + i] = kind == 1 ? !dark : dark ? 0x10 : 0xF0;
      }
      if (kind == 3) { // 2 bits a pixel, min-is-white
        row[b] |= (dark ? 3 : 0) << (6 - 2 * (x % 4));
      }
    }
    TIFFWriteScanline(tif, row.data(), y, 0);
  }
  TIFFClose(tif);
}

TEST_F(Fields, PicturesOfEveryTiffKindAreScannedInGray) {
  for (int kind = 0; kind < 4; ++kind) {
    WritePicture(Path("picture.tif"), kind);
    Feed({"U1U\tfront=picture.tif", "U2U\tfront=picture.tif"});
    char length[32], micr[256], micrLength[32];
    ASSERT_EQ(MIRB_VS_OK, MIRBScan(0, Path("bw.tif").c_str(), length, nullptr,
                                   length, micr, micrLength));
    ASSERT_EQ(MIRB_VS_OK, MIRBScanGray(0, Path("gray.jpg").c_str(), length,
                                       nullptr, length, micr, micrLength, 0));
    MIRBExit();
    const TiffInfo bw = InspectTiffFile(Path("bw.tif"));
    const JpegInfo gray = InspectJpeg(Slurp(Path("gray.jpg")));
    ASSERT_TRUE(bw.valid && gray.valid) << kind;
    for (const auto &[x, y, dark] : {std::tuple{300, 130, true},
                                     {900, 130, false},
                                     {300, 420, false},
                                     {900, 420, true}}) {
      EXPECT_EQ(dark, bw.gray[y * 1200 + x] < 128) << kind << " " << x;
      EXPECT_EQ(dark, gray.gray[y / 2 * 600 + x / 2] < 128) << kind << " " << x;
    }
  }
}

TEST_F(Fields, AnUnreadablePictureOrABadFieldKeepsTheSessionShut) {
  Spit(Path("text.tif"), "not a picture");
  std::filesystem::create_directory(Path("folder.tif"));
  WritePicture(Path("whole.tif"), 0);
  std::vector<std::uint8_t> bytes = Slurp(Path("whole.tif"));
  Spit(Path("cut.tif"), std::string(bytes.begin(), bytes.begin() + 300));
  const char *const lines[] = {
      "U1U\tfront=missing.tif", "U1U\tback=text.tif", "U1U\tfront=folder.tif",
      "U1U\tback=cut.tif",      "U1U\tfront=",        "U1U\tamount=12.5",
      "U1U\tpayee=x\tmemo=" // and one over-long text, below
  };
  for (std::string line : lines) {
    if (line.back() == '=') {
      line += std::string(256, 'x');
    }
    Spit(Path("hopper.txt"), line + "\n");
    setenv("MIRB_VIRTUAL_HOPPER", Path("hopper.txt").c_str(), 1);
    EXPECT_EQ(MIRB_VS_ERR_HOPPER, MIRBInit()) << line;
    EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBStatus()) << line;
  }
}

} // namespace
