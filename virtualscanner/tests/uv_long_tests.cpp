// The UV and long-document scans: how formatComp stores them, what the UV
// image shows that no other image does, and refused formats.
#include "virtualscanner/uv_glow.h"
#include "vs_test.h"

using namespace vstest;

namespace {

using ScanEntry = int(MIRB_CALL *)(const char *, unsigned char *, int *, int);

// The first check of the default stack.
const std::string kCheck = "U001001U T249239726T 4820173659U $0000012500$";

// How many pixels of a 100-dpi gray image within the square around the
// UV seal satisfy test.
template <typename Test>
int InSeal(const std::vector<std::uint8_t> &gray, int width, Test test) {
  int count = 0;
  for (int y = vs::kUvSealY - vs::kUvSealRadius;
       y <= vs::kUvSealY + vs::kUvSealRadius; ++y) {
    for (int x = vs::kUvSealX - vs::kUvSealRadius;
         x <= vs::kUvSealX + vs::kUvSealRadius; ++x) {
      count += test(gray[std::size_t(y) * width + x]) ? 1 : 0;
    }
  }
  return count;
}

} // namespace

using UvAndLong = VirtualScanner;

TEST_F(UvAndLong, FormatCompChoosesTheSameStreamForFileAndMemory) {
  const struct {
    const char *what;
    ScanEntry scan;
    int formatComp;
    bool jpeg;
    std::uint16_t compression; // TIFF only
    int width, height, bits, dpi;
  } cases[] = {
      {"UV 0", QELScanUV, 0, false, COMPRESSION_NONE, 600, 275, 8, 100},
      {"UV 1", QELScanUV, 1, false, COMPRESSION_PACKBITS, 600, 275, 8, 100},
      {"UV 2", QELScanUV, 2, true, 0, 600, 275, 8, 100},
      {"long 0", QELScanLong, 0, false, COMPRESSION_NONE, 2400, 550, 1, 200},
      {"long 1", QELScanLong, 1, false, COMPRESSION_PACKBITS, 2400, 550, 1,
       200},
      {"long 2", QELScanLong, 2, false, COMPRESSION_CCITTFAX4, 2400, 550, 1,
       200},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    Feed({kCheck});
    // The file name says TIFF; formatComp alone decides.
    ImageBuffer image;
    int size = 0;
    ASSERT_EQ(MIRB_VS_OK,
              c.scan(Path("x.tif").c_str(), image.data(), &size, c.formatComp));
    EXPECT_EQ(size, QELGetMemoryImageLength(image.data()));
    EXPECT_EQ(c.width, image.Header(0));
    EXPECT_EQ(c.height, image.Header(1));
    EXPECT_EQ(c.bits, image.Header(2));
    EXPECT_EQ(c.dpi, image.Header(3));
    EXPECT_EQ(c.jpeg ? MIRB_VS_MEMORY_FORMAT_JPEG : MIRB_VS_MEMORY_FORMAT_TIFF,
              image.Header(5));
    const std::vector<std::uint8_t> stream = image.Stream(size);
    EXPECT_EQ(stream, Slurp(Path("x.tif")));
    EXPECT_TRUE(image.guardIntact());
    if (c.jpeg) {
      const JpegInfo info = InspectJpeg(stream);
      EXPECT_TRUE(info.valid && info.jfif);
      EXPECT_EQ(c.width, info.width);
    } else {
      const TiffInfo info = InspectTiff(stream);
      EXPECT_TRUE(info.valid);
      EXPECT_EQ(c.compression, info.compression);
      EXPECT_EQ(std::uint32_t(c.width), info.width);
      EXPECT_EQ(c.bits, info.bits);
    }
    MIRBExit();
  }
}

TEST_F(UvAndLong, SealShowsOnlyUnderUvAndInkStaysDark) {
  Feed({kCheck, kCheck});
  int size = 0;
  ASSERT_EQ(MIRB_VS_OK, QELScanUV(Path("uv.tif").c_str(), nullptr, &size, 0));
  char len[32], micr[256];
  ASSERT_EQ(MIRB_VS_OK, MIRBScanGray(0, Path("gray.tif").c_str(), len, "", len,
                                     micr, len, 0));
  const TiffInfo uv = InspectTiffFile(Path("uv.tif"));
  const TiffInfo gray = InspectTiffFile(Path("gray.tif"));
  ASSERT_TRUE(uv.valid && gray.valid);
  ASSERT_EQ(uv.gray.size(), gray.gray.size());

  // Rings and letters glow over much of the seal's square; the fibres
  // alone light a few hundredths of any area.
  const int side = 2 * vs::kUvSealRadius + 1;
  EXPECT_GT(InSeal(uv.gray, int(uv.width), [](int v) { return v > 150; }),
            side * side / 8);
  // Under ordinary light the same spot is bare paper.
  EXPECT_EQ(0,
            InSeal(gray.gray, int(gray.width), [](int v) { return v < 200; }));

  // Where the gray image has ink, the UV image is darker than its paper.
  long inkSum = 0, inkCount = 0, paperSum = 0, paperCount = 0;
  for (std::size_t i = 0; i < uv.gray.size(); ++i) {
    if (gray.gray[i] < 100) {
      inkSum += uv.gray[i];
      ++inkCount;
    } else if (gray.gray[i] > 190) {
      paperSum += uv.gray[i];
      ++paperCount;
    }
  }
  ASSERT_GT(inkCount, 1000);
  EXPECT_LT(inkSum / inkCount + 20, paperSum / paperCount);
}

TEST_F(UvAndLong, FibresFollowTheCodeLine) {
  const std::string other = "U001002U T111992489T 7031845526U $0000004999$";
  Feed({kCheck, kCheck, other});
  std::vector<TiffInfo> images;
  for (int i = 0; i < 3; ++i) {
    const std::string name = Path("uv" + std::to_string(i) + ".tif");
    int size = 0;
    ASSERT_EQ(MIRB_VS_OK, QELScanUV(name.c_str(), nullptr, &size, 0));
    images.push_back(InspectTiffFile(name));
    ASSERT_TRUE(images.back().valid);
  }
  EXPECT_EQ(images[0].gray, images[1].gray);
  // The payee and bank lines on the left are printed alike on both
  // checks; only the fibres there tell them apart.
  int differ = 0, bright = 0;
  for (int y = 40; y < 200; ++y) {
    for (int x = 0; x < 200; ++x) {
      const std::size_t i = std::size_t(y) * images[0].width + x;
      differ += images[0].gray[i] != images[2].gray[i];
      bright += images[2].gray[i] > 100;
    }
  }
  EXPECT_GT(differ, 100);
  EXPECT_GT(bright, 20);
}

TEST_F(UvAndLong, UnknownFormatsAreRefusedBeforeADocumentIsTaken) {
  Feed({kCheck});
  for (ScanEntry scan : {QELScanUV, QELScanLong}) {
    for (int formatComp : {3, -1}) {
      SCOPED_TRACE(formatComp);
      ImageBuffer image;
      int size = 9;
      EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
                scan(Path("x.tif").c_str(), image.data(), &size, formatComp));
      EXPECT_EQ(0, size);
      EXPECT_EQ(0, image.Header(0) | image.Header(2) | image.Header(5));
      EXPECT_FALSE(std::filesystem::exists(Path("x.tif")));
    }
  }
  EXPECT_EQ(MIRB_VS_STATUS_READY | MIRB_VS_STATUS_HOPPER_LOADED, MIRBStatus());
}
