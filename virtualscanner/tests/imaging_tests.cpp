// Image utilities on files made by real scans.
#include <algorithm>

#include "vs_test.h"

using namespace vstest;

namespace {

class Imaging : public VirtualScanner {
protected:
  // A bilevel front, a gray front and a UV image of one document each.
  void SetUp() override {
    VirtualScanner::SetUp();
    feed({"T1T", "T2T", "T3T"});
    char len[32], micr[256];
    ASSERT_EQ(MIRB_VS_OK, MIRBScan(0, bw().c_str(), len, "", len, micr, len));
    ASSERT_EQ(MIRB_VS_OK, MIRBScanGray(0, gray().c_str(), len, "", len, micr, len, 0));
    int size = 0;
    ASSERT_EQ(MIRB_VS_OK, QELScanUV(uv().c_str(), nullptr, &size, 0));
    MIRBExit(); // the utilities need no session
    spit(path("text.tif"), "not a tiff at all");
  }
  std::string bw() const { return path("bw.tif"); }
  std::string gray() const { return path("gray.tif"); }
  std::string uv() const { return path("uv.tif"); }
  std::string missing() const { return path("missing.tif"); }
};

} // namespace

TEST_F(Imaging, CopyCopiesBytesAndReportsFileErrors) {
  EXPECT_EQ(MIRB_VS_OK, MIRBCopyFile(bw().c_str(), path("copy.tif").c_str()));
  EXPECT_EQ(slurp(bw()), slurp(path("copy.tif")));
  EXPECT_EQ(MIRB_VS_ERR_FILE, MIRBCopyFile(missing().c_str(), path("c2").c_str()));
  EXPECT_EQ(MIRB_VS_ERR_FILE, MIRBCopyFile(bw().c_str(), path("no/dir/c").c_str()));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, MIRBCopyFile(nullptr, "x"));
}

TEST_F(Imaging, CombineAppendsPagesOfReadableTiffsOnly) {
  EXPECT_EQ(MIRB_VS_OK, MIRBCombineTIFFS(bw().c_str(), gray().c_str()));
  EXPECT_EQ(2, inspectTiff(slurp(bw())).pages);
  EXPECT_EQ(MIRB_VS_OK, MIRBCombineTIFFS(bw().c_str(), bw().c_str()));
  EXPECT_EQ(4, inspectTiff(slurp(bw())).pages);
  EXPECT_EQ(MIRB_VS_ERR_FILE, MIRBCombineTIFFS(missing().c_str(), gray().c_str()));
  EXPECT_EQ(MIRB_VS_ERR_FILE, MIRBCombineTIFFS(gray().c_str(), missing().c_str()));
  EXPECT_EQ(MIRB_VS_ERR_FILE,
            MIRBCombineTIFFS(gray().c_str(), path("text.tif").c_str()));
  EXPECT_EQ(1, inspectTiff(slurp(gray())).pages); // untouched by failures
}

TEST_F(Imaging, CropCutsTheMarginFromEveryEdge) {
  EXPECT_EQ(MIRB_VS_OK, MIRBCropFile(bw().c_str(), path("crop.tif").c_str(), 100));
  const TiffInfo info = inspectTiff(slurp(path("crop.tif")));
  EXPECT_TRUE(info.valid);
  EXPECT_EQ(1000u, info.width);
  EXPECT_EQ(350u, info.height);
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, MIRBCropFile(bw().c_str(), path("c").c_str(), -1));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, MIRBCropFile(bw().c_str(), path("c").c_str(), 275));
  EXPECT_EQ(MIRB_VS_ERR_FILE, MIRBCropFile(missing().c_str(), path("c").c_str(), 1));
}

TEST_F(Imaging, CompressPutsAPackBitsTiffIntoTheBuffer) {
  std::vector<unsigned char> buffer(1048576 + 16, 0xA5);
  const int length = MIRBCompressImage(bw().c_str(), buffer.data());
  ASSERT_GT(length, 0);
  EXPECT_LT(length, 150 * 550); // smaller than the bare rows
  EXPECT_EQ(length, QELGetMemoryImageLength(buffer.data()));
  const TiffInfo info =
      inspectTiff(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + length));
  EXPECT_TRUE(info.valid);
  EXPECT_EQ(32773u, info.compression);
  EXPECT_EQ(1200u, info.width);
  EXPECT_GT(MIRBCompressImageGray(gray().c_str(), buffer.data(), 0), 0);
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, MIRBCompressImage(gray().c_str(), buffer.data()));
  EXPECT_EQ(MIRB_VS_ERR_FILE, MIRBCompressImage(missing().c_str(), buffer.data()));
  EXPECT_EQ(MIRB_VS_ERR_FILE,
            MIRBCompressImageGray(path("text.tif").c_str(), buffer.data(), 0));
  EXPECT_TRUE(std::all_of(buffer.end() - 16, buffer.end(),
                          [](unsigned char c) { return c == 0xA5; }));
}

TEST_F(Imaging, UvGainAndUvTiffWorkOnGrayImages) {
  EXPECT_EQ(MIRB_VS_OK, QELUVGain(uv().c_str(), path("gain.tif").c_str(), 2, 1, 0));
  const TiffInfo gain = inspectTiff(slurp(path("gain.tif")));
  EXPECT_TRUE(gain.valid);
  EXPECT_EQ(8u, gain.bits);
  EXPECT_NE(slurp(uv()), slurp(path("gain.tif")));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, QELUVGain(uv().c_str(), path("g").c_str(), 1, 0, 0));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, QELUVGain(bw().c_str(), path("g").c_str(), 1, 1, 0));
  EXPECT_EQ(MIRB_VS_ERR_FILE, QELUVGain(missing().c_str(), path("g").c_str(), 1, 1, 0));

  EXPECT_EQ(MIRB_VS_OK, QELUVTiff(uv().c_str(), path("uvbw.tif").c_str(), 0));
  EXPECT_EQ(1u, inspectTiff(slurp(path("uvbw.tif"))).bits);
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, QELUVTiff(uv().c_str(), path("u").c_str(), 256));
  EXPECT_EQ(MIRB_VS_ERR_FILE, QELUVTiff(path("text.tif").c_str(), path("u").c_str(), 0));
}

TEST_F(Imaging, DamagedGroup4FilesAreRefusedNotHalfRead) {
  // The scan's file: strip first, its one directory at the end.
  const std::vector<std::uint8_t> good = slurp(bw());
  auto u16 = [](const std::vector<std::uint8_t> &b, std::size_t at) {
    return std::size_t(b[at] | b[at + 1] << 8);
  };
  const std::size_t ifd = u16(good, 4) | u16(good, 6) << 16;
  std::vector<std::uint8_t> shortStrip = good;
  for (std::size_t i = 0; i < u16(good, ifd); ++i) {
    const std::size_t at = ifd + 2 + 12 * i;
    if (u16(good, at) != 279)
      continue;
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
      {"file cut short", {good.begin(), good.begin() + good.size() / 2}},
  };
  for (const auto &d : damaged) {
    SCOPED_TRACE(d.what);
    spit(path("bad.tif"), std::string(d.bytes.begin(), d.bytes.end()));
    EXPECT_EQ(MIRB_VS_ERR_FILE,
              MIRBCropFile(path("bad.tif").c_str(), path("c.tif").c_str(), 1));
    EXPECT_EQ(MIRB_VS_ERR_FILE, MIRBCombineTIFFS(gray().c_str(), path("bad.tif").c_str()));
  }
  EXPECT_EQ(1, inspectTiff(slurp(gray())).pages);
}
