// Image utilities on files made by real scans, and on TIFFs written with
// libtiff directly in forms the scans never make.
#include <algorithm>
#include <cmath>
#include <csignal>
#include <functional>
#include <set>

#include <sys/resource.h>
#include <sys/stat.h>

#include "virtualscanner/image.h"
#include "vs_test.h"

using namespace vstest;

namespace {

// One page in any compression: stripes, or noise from seed (not 0), which
// no codec can squeeze.
void WriteTiff(const std::string &name, std::uint32_t width,
               std::uint32_t height, int bits, std::uint16_t compression,
               unsigned seed = 0) {
  TIFF *tif = TIFFOpen(name.c_str(), "w");
  ASSERT_NE(nullptr, tif);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, bits == 1 ? 0 : 1);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
  const bool noise = seed != 0;
  std::vector<std::uint8_t> row(bits == 1 ? (width + 7) / 8 : width);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      seed = seed * 1103515245u + 12345u;
      row[i] = static_cast<std::uint8_t>(noise ? seed >> 16
                                               : ((i + y / 3) % 5) * 60);
    }
    ASSERT_GE(TIFFWriteScanline(tif, row.data(), y, 0), 0);
  }
  TIFFClose(tif);
}

// The compression of every page.
std::vector<int> Compressions(const std::string &name) {
  std::vector<int> result;
  TIFF *tif = TIFFOpen(name.c_str(), "r");
  if (tif == nullptr) {
    return result;
  }
  do {
    std::uint16_t c = 0;
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &c);
    result.push_back(c);
  } while (TIFFReadDirectory(tif));
  TIFFClose(tif);
  return result;
}

// The pixels of a gray JPEG or of a TIFF's first page, 0 = black.
std::vector<std::uint8_t> GrayOf(const std::string &name) {
  const std::vector<std::uint8_t> bytes = Slurp(name);
  return !bytes.empty() && bytes[0] == 0xFF ? InspectJpeg(bytes).gray
                                            : InspectTiff(bytes).gray;
}

// Mean absolute difference of two gray images, for what JPEG rounds.
double Difference(const std::vector<std::uint8_t> &a,
                  const std::vector<std::uint8_t> &b) {
  if (a.size() != b.size() || a.empty()) {
    return 255;
  }
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    sum += std::abs(a[i] - b[i]);
  }
  return sum / static_cast<double>(a.size());
}

class Imaging : public VirtualScanner {
protected:
  // Scanned files of every kind (bilevel and long Group 4 TIFFs, gray and
  // UV images as TIFF and JPEG) and inputs nothing can use.
  void SetUp() override {
    VirtualScanner::SetUp();
    Feed({"T1T", "T2T", "T3T", "T4T", "T5T", "T6T"});
    char len[32], micr[256];
    ASSERT_EQ(MIRB_VS_OK, MIRBScan(0, bw().c_str(), len, "", len, micr, len));
    ASSERT_EQ(MIRB_VS_OK,
              MIRBScanGray(0, gray().c_str(), len, "", len, micr, len, 0));
    ASSERT_EQ(MIRB_VS_OK, MIRBScanGray(0, Path("gray.jpg").c_str(), len, "",
                                       len, micr, len, 0));
    int size = 0;
    ASSERT_EQ(MIRB_VS_OK, QELScanUV(uv().c_str(), nullptr, &size, 0));
    ASSERT_EQ(MIRB_VS_OK, QELScanUV(Path("uv.jpg").c_str(), nullptr, &size, 2));
    ASSERT_EQ(MIRB_VS_OK,
              QELScanLong(Path("long.tif").c_str(), nullptr, &size, 2));
    MIRBExit(); // the utilities need no session
    Spit(Path("text.tif"), "not a tiff at all");
    const std::vector<std::uint8_t> tiff = Slurp(bw()),
                                    jpeg = Slurp(Path("gray.jpg"));
    Spit(Path("cut.tif"),
         std::string(tiff.data(), tiff.data() + tiff.size() / 2));
    Spit(Path("cut.jpg"),
         std::string(jpeg.data(), jpeg.data() + jpeg.size() / 2));
    std::filesystem::create_directory(Path("folder"));
  }
  // Everything in the scratch folder, to see that nothing was left behind.
  std::set<std::string> files() const {
    std::set<std::string> names;
    for (const auto &entry :
         std::filesystem::recursive_directory_iterator(dir_)) {
      names.insert(entry.path().string());
    }
    return names;
  }
  std::string bw() const { return Path("bw.tif"); }
  std::string gray() const { return Path("gray.tif"); }
  std::string uv() const { return Path("uv.tif"); }
  std::string missing() const { return Path("missing.tif"); }
};

} // namespace

TEST_F(Imaging, CopyCopiesBytesAndReportsFileErrors) {
  EXPECT_EQ(MIRB_VS_OK, MIRBCopyFile(bw().c_str(), Path("copy.tif").c_str()));
  EXPECT_EQ(Slurp(bw()), Slurp(Path("copy.tif")));
  EXPECT_EQ(MIRB_VS_ERR_FILE,
            MIRBCopyFile(missing().c_str(), Path("c2").c_str()));
  EXPECT_EQ(MIRB_VS_ERR_FILE,
            MIRBCopyFile(bw().c_str(), Path("no/dir/c").c_str()));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, MIRBCopyFile(nullptr, "x"));
}

TEST_F(Imaging, CombineAppendsPagesOfReadableTiffsOnly) {
  EXPECT_EQ(MIRB_VS_OK, MIRBCombineTIFFS(bw().c_str(), gray().c_str()));
  EXPECT_EQ(2, InspectTiff(Slurp(bw())).pages);
  EXPECT_EQ(MIRB_VS_OK, MIRBCombineTIFFS(bw().c_str(), bw().c_str()));
  EXPECT_EQ(4, InspectTiff(Slurp(bw())).pages);
  EXPECT_EQ(MIRB_VS_ERR_FILE,
            MIRBCombineTIFFS(missing().c_str(), gray().c_str()));
  EXPECT_EQ(MIRB_VS_ERR_FILE,
            MIRBCombineTIFFS(gray().c_str(), missing().c_str()));
  EXPECT_EQ(MIRB_VS_ERR_IMAGE_FORMAT,
            MIRBCombineTIFFS(gray().c_str(), Path("text.tif").c_str()));
  EXPECT_EQ(1, InspectTiff(Slurp(gray())).pages); // untouched by failures
}

TEST_F(Imaging, CropCutsTheMarginFromEveryEdge) {
  EXPECT_EQ(MIRB_VS_OK,
            MIRBCropFile(bw().c_str(), Path("crop.tif").c_str(), 100));
  const TiffInfo info = InspectTiff(Slurp(Path("crop.tif")));
  EXPECT_TRUE(info.valid);
  EXPECT_EQ(1000u, info.width);
  EXPECT_EQ(350u, info.height);
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
            MIRBCropFile(bw().c_str(), Path("c").c_str(), -1));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
            MIRBCropFile(bw().c_str(), Path("c").c_str(), 275));
  EXPECT_EQ(MIRB_VS_ERR_FILE,
            MIRBCropFile(missing().c_str(), Path("c").c_str(), 1));
}

TEST_F(Imaging, CompressPutsAGroup4TiffIntoTheBuffer) {
  std::vector<unsigned char> buffer(1048576 + 16, 0xA5);
  const int length = MIRBCompressImage(bw().c_str(), buffer.data());
  ASSERT_GT(length, 0);
  EXPECT_LT(length, 150 * 550); // smaller than the bare rows
  EXPECT_EQ(length, QELGetMemoryImageLength(buffer.data()));
  const TiffInfo info = InspectTiff(
      std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + length));
  EXPECT_TRUE(info.valid);
  EXPECT_EQ(4u, info.compression);
  EXPECT_EQ(1200u, info.width);
  EXPECT_GT(MIRBCompressImageGray(gray().c_str(), buffer.data(), 0), 0);
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
            MIRBCompressImage(gray().c_str(), buffer.data()));
  EXPECT_EQ(MIRB_VS_ERR_FILE,
            MIRBCompressImage(missing().c_str(), buffer.data()));
  EXPECT_EQ(MIRB_VS_ERR_IMAGE_FORMAT,
            MIRBCompressImageGray(Path("text.tif").c_str(), buffer.data(), 0));
  EXPECT_TRUE(std::all_of(buffer.end() - 16, buffer.end(),
                          [](unsigned char c) { return c == 0xA5; }));
}

TEST_F(Imaging, UvGainAndUvTiffWorkOnGrayImages) {
  EXPECT_EQ(MIRB_VS_OK,
            QELUVGain(uv().c_str(), Path("gain.tif").c_str(), 2, 1, 0));
  const TiffInfo gain = InspectTiff(Slurp(Path("gain.tif")));
  EXPECT_TRUE(gain.valid);
  EXPECT_EQ(8u, gain.bits);
  EXPECT_NE(Slurp(uv()), Slurp(Path("gain.tif")));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
            QELUVGain(uv().c_str(), Path("g").c_str(), 1, 0, 0));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
            QELUVGain(bw().c_str(), Path("g").c_str(), 1, 1, 0));
  EXPECT_EQ(MIRB_VS_ERR_FILE,
            QELUVGain(missing().c_str(), Path("g").c_str(), 1, 1, 0));

  EXPECT_EQ(MIRB_VS_OK, QELUVTiff(uv().c_str(), Path("uvbw.tif").c_str(), 0));
  EXPECT_EQ(1u, InspectTiff(Slurp(Path("uvbw.tif"))).bits);
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
            QELUVTiff(uv().c_str(), Path("u").c_str(), 256));
  EXPECT_EQ(MIRB_VS_ERR_IMAGE_FORMAT,
            QELUVTiff(Path("text.tif").c_str(), Path("u").c_str(), 0));
}

TEST_F(Imaging, DamagedGroup4FilesAreRefusedNotHalfRead) {
  // The scan's file: strip first, its one directory at the end.
  const std::vector<std::uint8_t> good = Slurp(bw());
  auto u16 = [](const std::vector<std::uint8_t> &b, std::size_t at) {
    return std::size_t(b[at] | b[at + 1] << 8);
  };
  const std::size_t ifd = u16(good, 4) | u16(good, 6) << 16;
  std::vector<std::uint8_t> shortStrip = good;
  for (std::size_t i = 0; i < u16(good, ifd); ++i) {
    const std::size_t at = ifd + 2 + 12 * i;
    if (u16(good, at) != 279) {
      continue;
    }
    // StripByteCounts, a LONG well below 65536: halve it.
    const std::size_t half = u16(good, at + 8) / 2;
    shortStrip[at + 8] = static_cast<std::uint8_t>(half);
    shortStrip[at + 9] = static_cast<std::uint8_t>(half >> 8);
  }
  ASSERT_NE(good, shortStrip);
  const struct {
    const char *what;
    std::vector<std::uint8_t> bytes;
  } damaged[] = {
      {"strip cut short", shortStrip},
      {"file cut short", {good.data(), good.data() + good.size() / 2}},
  };
  for (const auto &d : damaged) {
    SCOPED_TRACE(d.what);
    Spit(Path("bad.tif"), std::string(d.bytes.begin(), d.bytes.end()));
    EXPECT_EQ(MIRB_VS_ERR_IMAGE_FORMAT,
              MIRBCropFile(Path("bad.tif").c_str(), Path("c.tif").c_str(), 1));
    EXPECT_EQ(MIRB_VS_ERR_IMAGE_FORMAT,
              MIRBCombineTIFFS(gray().c_str(), Path("bad.tif").c_str()));
  }
  EXPECT_EQ(1, InspectTiff(Slurp(gray())).pages);
}

TEST_F(Imaging, CompressPlacesABareTiffOrJpegFromByteZero) {
  const struct {
    const char *input;
    bool gray;
  } cases[] = {{"bw.tif", false},  {"long.tif", false}, {"gray.tif", true},
               {"gray.jpg", true}, {"uv.tif", true},    {"uv.jpg", true}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.input);
    ImageBuffer buffer;
    const std::string input = Path(c.input);
    const int length =
        c.gray ? MIRBCompressImageGray(input.c_str(), buffer.data(), 0)
               : MIRBCompressImage(input.c_str(), buffer.data());
    ASSERT_GT(length, 0);
    EXPECT_EQ(length, QELGetMemoryImageLength(buffer.data()));
    EXPECT_TRUE(buffer.guardIntact());
    const std::vector<std::uint8_t> bytes(buffer.bytes.begin(),
                                          buffer.bytes.begin() + length);
    if (c.gray) {
      const JpegInfo out = InspectJpeg(bytes);
      EXPECT_TRUE(out.valid && out.jfif && out.components == 1 &&
                  out.xDensity == 100);
      EXPECT_LT(Difference(GrayOf(input), out.gray), 3.0);
    } else { // lossless: the very pixels
      const TiffInfo out = InspectTiff(bytes);
      EXPECT_EQ(COMPRESSION_CCITTFAX4, out.compression);
      EXPECT_EQ(GrayOf(input), out.gray);
    }
  }
  // The option is the JPEG quality.
  ImageBuffer buffer;
  const int coarse = MIRBCompressImageGray(gray().c_str(), buffer.data(), 10);
  EXPECT_GT(coarse, 0);
  EXPECT_LT(coarse, MIRBCompressImageGray(gray().c_str(), buffer.data(), 95));
}

TEST_F(Imaging, CompressRefusesAnImageBeyondTheBufferAndWritesNothing) {
  WriteTiff(Path("noise8.tif"), 2048, 2048, 8, COMPRESSION_NONE, 7);
  WriteTiff(Path("noise1.tif"), 4096, 4096, 1, COMPRESSION_NONE, 7);
  ImageBuffer buffer;
  EXPECT_EQ(
      MIRB_VS_ERR_TOO_LARGE,
      MIRBCompressImageGray(Path("noise8.tif").c_str(), buffer.data(), 100));
  EXPECT_EQ(MIRB_VS_ERR_TOO_LARGE,
            MIRBCompressImage(Path("noise1.tif").c_str(), buffer.data()));
  EXPECT_TRUE(std::all_of(buffer.bytes.begin(), buffer.bytes.end(),
                          [](unsigned char b) { return b == 0xA5; }));
}

TEST_F(Imaging, UvGainMapsEveryValueAndKeepsTheKindOfFile) {
  const int gains[][3] = {
      {2, 1, 0}, {1, 2, 10}, {-1, 1, 255}, {3, 2, -20}, {-3, 7, 100}};
  for (const auto &g : gains) {
    SCOPED_TRACE(std::to_string(g[0]) + "/" + std::to_string(g[1]) + "+" +
                 std::to_string(g[2]));
    // A JPEG stays a JPEG, a TIFF a TIFF, whatever the output's name.
    for (const char *input : {"uv.tif", "uv.jpg"}) {
      ASSERT_EQ(MIRB_VS_OK, QELUVGain(Path(input).c_str(),
                                      Path("g.tif").c_str(), g[0], g[1], g[2]));
      std::vector<std::uint8_t> expected = GrayOf(Path(input));
      for (std::uint8_t &v : expected) {
        v = static_cast<std::uint8_t>(
            std::clamp(std::floor(double(v) * g[0] / g[1]) + g[2], 0.0, 255.0));
      }
      if (input[3] == 't') {
        EXPECT_EQ(COMPRESSION_NONE, InspectTiffFile(Path("g.tif")).compression);
        EXPECT_EQ(expected, GrayOf(Path("g.tif")));
      } else {
        EXPECT_LT(Difference(expected, InspectJpeg(Slurp(Path("g.tif"))).gray),
                  3.0);
      }
    }
  }
}

TEST_F(Imaging, UvTiffThresholdsAnyGrayInputToAGroup4Tiff) {
  const struct {
    const char *input;
    int option, threshold;
  } cases[] = {{"uv.tif", 0, 128}, {"uv.jpg", 96, 96}, {"gray.tif", 255, 255}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.input);
    ASSERT_EQ(MIRB_VS_OK, QELUVTiff(Path(c.input).c_str(),
                                    Path("bw.jpg").c_str(), c.option));
    const TiffInfo out = InspectTiffFile(Path("bw.jpg"));
    EXPECT_TRUE(out.valid && out.bits == 1 && out.xResolution == 100.0f);
    EXPECT_EQ(COMPRESSION_CCITTFAX4, out.compression);
    std::vector<std::uint8_t> expected = GrayOf(Path(c.input));
    for (std::uint8_t &v : expected) {
      v = v < c.threshold ? 0 : 255;
    }
    EXPECT_EQ(expected, out.gray);
  }
}

TEST_F(Imaging, CropAndCombineKeepEveryPagesCompression) {
  const int cases[][3] = {
      // bits, compression written, kept
      {1, COMPRESSION_NONE, COMPRESSION_NONE},
      {1, COMPRESSION_PACKBITS, COMPRESSION_PACKBITS},
      {1, COMPRESSION_CCITTRLE, COMPRESSION_CCITTFAX4},
      {1, COMPRESSION_CCITTFAX3, COMPRESSION_CCITTFAX3},
      {1, COMPRESSION_CCITTFAX4, COMPRESSION_CCITTFAX4},
      {1, COMPRESSION_LZW, COMPRESSION_LZW},
      {8, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_ADOBE_DEFLATE},
      {8, COMPRESSION_PACKBITS, COMPRESSION_PACKBITS}};
  for (const auto &c : cases) {
    SCOPED_TRACE(std::to_string(c[0]) + " bit, compression " +
                 std::to_string(c[1]));
    WriteTiff(Path("in.tif"), 203, 61, c[0], static_cast<std::uint16_t>(c[1]));
    const std::vector<std::uint8_t> in = GrayOf(Path("in.tif"));
    ASSERT_EQ(MIRB_VS_OK,
              MIRBCropFile(Path("in.tif").c_str(), Path("out.tif").c_str(), 3));
    std::vector<std::uint8_t> inner;
    for (std::ptrdiff_t y = 3; y < 58; ++y) {
      inner.insert(inner.end(), in.begin() + y * 203 + 3,
                   in.begin() + y * 203 + 200);
    }
    EXPECT_EQ(inner, GrayOf(Path("out.tif")));
    ASSERT_EQ(MIRB_VS_OK,
              MIRBCombineTIFFS(Path("out.tif").c_str(), bw().c_str()));
    EXPECT_EQ((std::vector<int>{c[2], COMPRESSION_CCITTFAX4}),
              Compressions(Path("out.tif")));
  }
  // A JPEG is cropped into a JPEG; 137 of 275 rows leaves one.
  ASSERT_EQ(MIRB_VS_OK, MIRBCropFile(Path("gray.jpg").c_str(),
                                     Path("crop.tif").c_str(), 137));
  const JpegInfo crop = InspectJpeg(Slurp(Path("crop.tif")));
  EXPECT_TRUE(crop.valid && crop.width == 326 && crop.height == 1);
}

TEST_F(Imaging, EveryUtilityAnswersUnusableFilesWithTheirCodes) {
  using Call =
      std::function<int(const std::string &in, const std::string &out)>;
  ImageBuffer buf;
  const struct {
    const char *what;
    Call call;
    bool decodes, writes; // copy takes any bytes; outputs tried from uv.tif
  } utilities[] = {
      {"compress",
       [&](auto &in, auto &) {
         return MIRBCompressImage(in.c_str(), buf.data());
       },
       true, false},
      {"gray",
       [&](auto &in, auto &) {
         return MIRBCompressImageGray(in.c_str(), buf.data(), 0);
       },
       true, false},
      {"gain",
       [](auto &in, auto &out) {
         return QELUVGain(in.c_str(), out.c_str(), 1, 1, 0);
       },
       true, true},
      {"uv tiff",
       [](auto &in, auto &out) {
         return QELUVTiff(in.c_str(), out.c_str(), 0);
       },
       true, true},
      {"append",
       [this](auto &in, auto &) {
         return MIRBCombineTIFFS(bw().c_str(), in.c_str());
       },
       true, false},
      {"combine",
       [](auto &in, auto &) {
         return MIRBCombineTIFFS(in.c_str(), in.c_str());
       },
       true, false},
      {"crop",
       [](auto &in, auto &out) {
         return MIRBCropFile(in.c_str(), out.c_str(), 1);
       },
       true, true},
      {"copy",
       [](auto &in, auto &out) {
         return MIRBCopyFile(in.c_str(), out.c_str());
       },
       false, true},
  };
  const struct {
    const char *input;
    int code, copyCode;
  } inputs[] = {{"missing.tif", MIRB_VS_ERR_FILE, MIRB_VS_ERR_FILE},
                {"folder", MIRB_VS_ERR_FILE, MIRB_VS_ERR_FILE},
                {"text.tif", MIRB_VS_ERR_IMAGE_FORMAT, MIRB_VS_OK},
                {"cut.tif", MIRB_VS_ERR_IMAGE_FORMAT, MIRB_VS_OK},
                {"cut.jpg", MIRB_VS_ERR_IMAGE_FORMAT, MIRB_VS_OK}};
  const std::vector<std::uint8_t> bwBefore = Slurp(bw());
  for (const auto &u : utilities) {
    for (const auto &i : inputs) {
      SCOPED_TRACE(std::string(u.what) + " of " + i.input);
      EXPECT_EQ(u.decodes ? i.code : i.copyCode,
                u.call(Path(i.input), Path("out")));
    }
    if (!u.writes) {
      continue;
    }
    // In a missing folder, under a file, a folder: nobody can write there.
    for (const char *out : {"no/dir/out", "text.tif/out", "folder"}) {
      SCOPED_TRACE(std::string(u.what) + " to " + out);
      EXPECT_EQ(MIRB_VS_ERR_FILE, u.call(uv(), Path(out)));
    }
  }
  EXPECT_EQ(bwBefore, Slurp(bw()));
  EXPECT_TRUE(buf.guardIntact());
}

TEST_F(Imaging, WrongKindsAndNumbersOutOfRangeAreBadArguments) {
  ImageBuffer buf;
  const std::string b = bw(), u = uv(), j = Path("gray.jpg"), o = Path("o");
  MIRBCombineTIFFS(gray().c_str(), gray().c_str()); // two pages
  const struct {
    const char *what;
    std::function<int()> call;
  } cases[] = {
      {"bilevel from gray",
       [&] { return MIRBCompressImage(u.c_str(), buf.data()); }},
      {"gray from bilevel",
       [&] { return MIRBCompressImageGray(b.c_str(), buf.data(), 0); }},
      {"JPEG of two pages",
       [&] { return MIRBCompressImageGray(gray().c_str(), buf.data(), 0); }},
      {"quality -1",
       [&] { return MIRBCompressImageGray(j.c_str(), buf.data(), -1); }},
      {"quality 101",
       [&] { return MIRBCompressImageGray(j.c_str(), buf.data(), 101); }},
      {"gain of bilevel",
       [&] { return QELUVGain(b.c_str(), o.c_str(), 1, 1, 0); }},
      {"gain over -2",
       [&] { return QELUVGain(u.c_str(), o.c_str(), 1, -2, 0); }},
      {"uv tiff of bilevel",
       [&] { return QELUVTiff(b.c_str(), o.c_str(), 0); }},
      {"threshold -1", [&] { return QELUVTiff(u.c_str(), o.c_str(), -1); }},
      {"combine a JPEG",
       [&] { return MIRBCombineTIFFS(b.c_str(), j.c_str()); }},
      {"combine into a JPEG",
       [&] { return MIRBCombineTIFFS(j.c_str(), b.c_str()); }},
      {"crop 138 of 275 rows",
       [&] { return MIRBCropFile(j.c_str(), o.c_str(), 138); }},
      {"no output", [&] { return MIRBCopyFile(b.c_str(), ""); }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, c.call());
  }
  EXPECT_FALSE(std::filesystem::exists(o));
}

TEST_F(Imaging, AFailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
  const std::string keep = Path("keep.tif");
  Spit(keep, "the old output");
  const std::vector<std::uint8_t> keepBefore = Slurp(keep),
                                  bwBefore = Slurp(bw());
  char len[32], micr[256];
  const std::function<int()> writes[] = {
      [&] { return MIRBCopyFile(uv().c_str(), keep.c_str()); },
      [&] { return MIRBCropFile(uv().c_str(), keep.c_str(), 0); },
      [&] { return QELUVGain(uv().c_str(), keep.c_str(), 1, 1, 0); },
      [&] { return QELUVTiff(uv().c_str(), keep.c_str(), 0); },
      [&] { return MIRBCombineTIFFS(bw().c_str(), uv().c_str()); },
      [&] { return MIRBScanGray(0, keep.c_str(), len, "", len, micr, len, 0); },
      [&] { return MIRBWriteConfig(keep.c_str()); },
  };
  Feed({"T1T"});
  for (int i = 0; i < 64; ++i) { // settings of some 16 KiB
    MIRBSetParamString(i, std::string(250, 't').c_str());
  }
  const std::set<std::string> before = files();
  // Every write past 1024 bytes of a file fails, as on a full disk.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 1024;
  setrlimit(RLIMIT_FSIZE, &small);
  std::vector<int> results;
  for (const auto &write : writes) {
    results.push_back(write());
  }
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(std::vector<int>(std::size(writes), MIRB_VS_ERR_FILE), results);
  EXPECT_EQ(keepBefore, Slurp(keep));
  EXPECT_EQ(bwBefore, Slurp(bw()));
  EXPECT_EQ(before, files());
}

TEST_F(Imaging, AReplacedFileKeepsItsPermissionsAndLinks) {
  Spit(Path("old.tif"), "old");
  chmod(Path("old.tif").c_str(), 0640);
  std::filesystem::create_symlink(Path("old.tif"), Path("link.tif"));
  ASSERT_EQ(MIRB_VS_OK,
            MIRBCropFile(bw().c_str(), Path("link.tif").c_str(), 10));
  EXPECT_TRUE(std::filesystem::is_symlink(Path("link.tif")));
  EXPECT_EQ(1180u, InspectTiffFile(Path("old.tif")).width);
  struct stat info {};
  ASSERT_EQ(0, stat(Path("old.tif").c_str(), &info));
  EXPECT_EQ(0640u, info.st_mode & 07777);
}
