// Endorsement printing: which numbers the three print entries refuse, and
// where their text lands in the images of the next document.
#include <climits>
#include <functional>

#include "virtualscanner/font.h"
#include "virtualscanner/image.h"
#include "vs_test.h"

using namespace vstest;
namespace font = vs::font;

namespace {

// A decoded image; factor: 200-dpi pixels per pixel along each axis.
struct Raster {
  int width = 0, height = 0, factor = 1;
  std::vector<std::uint8_t> gray;
  int At(int x, int y) const { return gray[std::size_t(y) * width + x]; }
};

Raster Decode(const std::vector<std::uint8_t> &bytes) {
  Raster r;
  if (bytes.size() > 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) {
    const JpegInfo info = InspectJpeg(bytes);
    if (info.valid) {
      r = {info.width, info.height, 1, info.gray};
    }
  } else if (const TiffInfo info = InspectTiff(bytes); info.valid) {
    r = {int(info.width), int(info.height), 1, info.gray};
  }
  r.factor = r.width == 600 ? 2 : 1;
  return r;
}

// A quarter turn clockwise: the top left corner goes to the top right.
vs::Image Turn(const vs::Image &in) {
  vs::Image out = vs::Image::Blank(in.height, in.width, 8, 200);
  for (int y = 0; y < in.height; ++y) {
    for (int x = 0; x < in.width; ++x) {
      out.Set(in.height - 1 - y, x, in.Gray(x, y));
    }
  }
  return out;
}

// The text as the README says it prints, with the font's own glyphs.
vs::Image Printed(const std::string &text, int scale, int direction = 0,
                  bool bold = false) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\n') {
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  const int shift = bold ? (scale + 1) / 2 : 0;
  int width = 0;
  for (const std::string &line : lines) {
    width = std::max(width, font::TextWidth(line, scale) + shift);
  }
  vs::Image image = vs::Image::Blank(
      width,
      (int(lines.size() - 1) * font::kLineHeight + font::kGlyphHeight) * scale,
      8, 200);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    for (int dx : {0, shift}) {
      font::DrawString(image, dx, int(i) * font::kLineHeight * scale, lines[i],
                       scale, 0);
    }
  }
  for (int quarter = 0; quarter < direction / 90; ++quarter) {
    image = Turn(image);
  }
  return image;
}

// Pixels around the text's box at (x, y) (200-dpi pixels, four pixels'
// margin) that are not as they should be: the text's ink dark (unless it
// must not show), the rest as on base (or blank). Gray pixels are judged
// where it is clear: all four of their 200-dpi pixels ink means dark, no
// ink near means paper.
int Wrong(const Raster &got, const vs::Image &text, int x, int y,
          const Raster *base = nullptr, bool shows = true) {
  const auto ink = [&](int px, int py) {
    const int u = px - x, v = py - y;
    return shows && u >= 0 && v >= 0 && u < text.width && v < text.height &&
           text.Gray(u, v) < 128;
  };
  const int f = got.factor;
  int bad = 0;
  for (int gy = std::max(0, (y - 4) / f);
       gy < std::min(got.height, (y + text.height + 4) / f); ++gy) {
    for (int gx = std::max(0, (x - 4) / f);
         gx < std::min(got.width, (x + text.width + 4) / f); ++gx) {
      const int value = got.At(gx, gy);
      if (f == 1) {
        bad += (value < 128) !=
               (ink(gx, gy) || (base != nullptr && base->At(gx, gy) < 128));
        continue;
      }
      int full = 0, near = 0;
      for (int dy = -2; dy < 4; ++dy) {
        for (int dx = -2; dx < 4; ++dx) {
          if (ink(2 * gx + dx, 2 * gy + dy)) {
            ++near;
            full += dx >= 0 && dx < 2 && dy >= 0 && dy < 2;
          }
        }
      }
      bad += (full == 4 && value >= 100) || (near == 0 && value <= 160);
    }
  }
  return bad;
}

} // namespace

using Printing = VirtualScanner;

TEST_F(Printing, OutOfRangeNumbersAreRefusedAndLeaveTheWaitingJob) {
  using Call = std::function<int(const char *)>;
  const auto str = [](int x, int y, int scale, int direction) {
    return Call([=](const char *t) {
      return QELBatchPrintString(t, x, y, scale, direction);
    });
  };
  // The unused numbers get odd values: any value is fine for them.
  const auto bmp = [](int x, int y, int scale, int direction, int bold,
                      const char *font) {
    return Call([=](const char *t) {
      return QELBatchPrintBMP(t, x, y, scale, direction, bold, -5, INT_MAX, 7,
                              INT_MIN, font);
    });
  };
  const auto ve = [](int x, int y, int scale, int direction, int bold, int side,
                     int kinds, const char *font) {
    return Call([=](const char *t) {
      return QELScanVirtualEndorsement(t, x, y, scale, direction, bold, side,
                                       kinds, -1, INT_MAX, INT_MIN, 3, 4, 5, 6,
                                       font);
    });
  };
  constexpr int kBad = MIRB_VS_ERR_BAD_ARGUMENT, kOk = MIRB_VS_OK;
  const struct {
    const char *what;
    Call call;
    int result;
  } cases[] = {
      {"string x -1", str(-1, 0, 0, 0), kBad},
      {"string y 550", str(0, 550, 0, 0), kBad},
      {"string scale 5", str(0, 0, 5, 0), kBad},
      {"string direction 45", str(0, 0, 0, 45), kBad},
      {"string at its limits", str(1199, 549, 4, 270), kOk},
      {"bitmap x 1200", bmp(1200, 0, 0, 0, 0, "Courier"), kBad},
      {"bitmap y -1", bmp(0, -1, 0, 0, 0, "Courier"), kBad},
      {"bitmap scale -1", bmp(0, 0, -1, 0, 0, "Courier"), kBad},
      {"bitmap direction 360", bmp(0, 0, 0, 360, 0, "Courier"), kBad},
      {"bitmap bold 2", bmp(0, 0, 0, 0, 2, "Courier"), kBad},
      {"bitmap empty font", bmp(0, 0, 0, 0, 0, ""), kBad},
      {"bitmap at its limits", bmp(1199, 549, 4, 180, 1, "Any Name"), kOk},
      {"virtual x 2400", ve(2400, 0, 0, 0, 0, 0, 0, "F"), kBad},
      {"virtual y 550", ve(0, 550, 0, 0, 0, 0, 0, "F"), kBad},
      {"virtual scale 5", ve(0, 0, 5, 0, 0, 0, 0, "F"), kBad},
      {"virtual direction -90", ve(0, 0, 0, -90, 0, 0, 0, "F"), kBad},
      {"virtual bold -1", ve(0, 0, 0, 0, -1, 0, 0, "F"), kBad},
      {"virtual side 3", ve(0, 0, 0, 0, 0, 3, 0, "F"), kBad},
      {"virtual kinds 16", ve(0, 0, 0, 0, 0, 0, 16, "F"), kBad},
      {"virtual empty font", ve(0, 0, 0, 0, 0, 0, 0, ""), kBad},
      {"virtual at its limits", ve(2399, 549, 4, 90, 1, 2, 15, "OCR-B"), kOk},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    Feed({"T1T"});
    const int selector = c.what[0] == 'v' ? MIRB_VS_SEL_PENDING_ENDORSEMENT
                                          : MIRB_VS_SEL_PENDING_PRINT;
    ASSERT_EQ(kOk, selector == MIRB_VS_SEL_PENDING_PRINT
                       ? QELBatchPrintString("KEEP", 0, 0, 0, 0)
                       : QELScanVirtualEndorsement("KEEP", 0, 0, 0, 0, 0, 0, 0,
                                                   0, 0, 0, 0, 0, 0, 0, "F"));
    EXPECT_EQ(c.result, c.call("NEW"));
    EXPECT_STREQ(c.result == kOk ? "NEW" : "KEEP",
                 MIRBGetParamString(selector));
    MIRBExit();
  }
}

TEST_F(Printing, ABatchPrintShowsInEveryBackImageOfTheNextDocumentOnly) {
  char len[32], micr[256];
  int ints[3];
  const std::string tif = Path("b.tif"), jpg = Path("b.jpg");
  const auto memory = [&](bool gray) {
    ImageBuffer back;
    EXPECT_EQ(MIRB_VS_OK,
              (gray ? MIRBScanMemoryGray(0, nullptr, ints, back.data(),
                                         ints + 1, micr, ints + 2, 0)
                    : MIRBScanMemory(0, nullptr, ints, back.data(), ints + 1,
                                     micr, ints + 2)));
    return back.Stream(ints[1]);
  };
  const struct {
    const char *entry;
    std::function<std::vector<std::uint8_t>()> scan;
  } cases[] = {
      {"MIRBScan",
       [&] {
         EXPECT_EQ(MIRB_VS_OK,
                   MIRBScan(0, "", len, tif.c_str(), len, micr, len));
         return Slurp(tif);
       }},
      {"MIRBScanGray JPEG",
       [&] {
         EXPECT_EQ(MIRB_VS_OK,
                   MIRBScanGray(0, "", len, jpg.c_str(), len, micr, len, 0));
         return Slurp(jpg);
       }},
      {"MIRBScanGray TIFF",
       [&] {
         EXPECT_EQ(MIRB_VS_OK,
                   MIRBScanGray(0, "", len, tif.c_str(), len, micr, len, 0));
         return Slurp(tif);
       }},
      {"MIRBScanMemory", [&] { return memory(false); }},
      {"MIRBScanMemoryGray", [&] { return memory(true); }},
      {"QELScan TIFF",
       [&] {
         EXPECT_EQ(MIRB_VS_OK, QELScan("", tif.c_str(), "", "", micr, nullptr,
                                       nullptr, nullptr));
         return Slurp(tif);
       }},
      {"QELScan JPEG",
       [&] {
         EXPECT_EQ(MIRB_VS_OK, QELScan("", "", "", jpg.c_str(), micr, nullptr,
                                       nullptr, nullptr));
         return Slurp(jpg);
       }},
  };
  const vs::Image text = Printed("PAID", 4);
  for (const auto &c : cases) {
    SCOPED_TRACE(c.entry);
    Feed({"T1T", "T2T"});
    ASSERT_EQ(MIRB_VS_OK, QELBatchPrintString("PAID", 600, 100, 4, 0));
    const Raster first = Decode(c.scan()), second = Decode(c.scan());
    ASSERT_FALSE(first.gray.empty());
    ASSERT_FALSE(second.gray.empty());
    EXPECT_EQ(0, Wrong(first, text, 600, 100));
    EXPECT_EQ(0, Wrong(second, text, 600, 100, nullptr,
                       false)); // the job was used up
    MIRBExit();
  }
}

TEST_F(Printing, PlaceScaleDirectionAndBoldDecideWhereTheInkFalls) {
  const struct {
    const char *text;
    int x, y, scale, direction, bold;
    int atX, atY, atScale; // where and how large it must show
  } cases[] = {
      {"PAID", 0, 0, 0, 0, 0, 40, 70, 3}, // the defaults
      {"PAID", 0, 300, 2, 0, 0, 40, 300, 2},
      {"PAID", 600, 100, 1, 0, 0, 600, 100, 1},
      {"PAID", 600, 100, 4, 90, 0, 600, 100, 4},
      {"PAID", 600, 100, 2, 180, 0, 600, 100, 2},
      {"PAID", 600, 100, 2, 270, 1, 600, 100, 2},
      {"AB\nC", 600, 100, 3, 90, 1, 600, 100, 3},
      {"PAID", 1150, 530, 4, 0, 0, 1150, 530, 4}, // cut at two edges
      {"PAID", 1199, 549, 3, 180, 1, 1199, 549, 3},
  };
  char len[32], micr[256];
  const std::string back = Path("b.tif");
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.text << " at " << c.x << "," << c.y << " scale "
                 << c.scale << " turned " << c.direction);
    Feed({"T1T", "T2T"});
    ASSERT_EQ(MIRB_VS_OK,
              QELBatchPrintBMP(c.text, c.x, c.y, c.scale, c.direction, c.bold,
                               0, 0, 0, 0, "Courier"));
    ASSERT_EQ(MIRB_VS_OK, MIRBScan(0, "", len, back.c_str(), len, micr, len));
    const Raster got = Decode(Slurp(back));
    ASSERT_EQ(MIRB_VS_OK, MIRBScan(0, "", len, back.c_str(), len, micr, len));
    const Raster base = Decode(Slurp(back));
    ASSERT_FALSE(got.gray.empty());
    EXPECT_EQ(0,
              Wrong(got, Printed(c.text, c.atScale, c.direction, c.bold != 0),
                    c.atX, c.atY, &base));
    MIRBExit();
  }
}

TEST_F(Printing, AVirtualEndorsementShowsOnTheSidesAndImagesItNames) {
  const struct {
    int x, y, side, kinds;
    bool front, back, grayFront;
  } cases[] = {
      {0, 0, MIRB_VS_SIDE_FRONT, 0, true, false, true},
      {0, 0, MIRB_VS_SIDE_BOTH, 0, true, true, true},
      {440, 320, MIRB_VS_SIDE_BACK, 0, false, true, false},
      {440, 320, MIRB_VS_SIDE_BOTH, MIRB_VS_IMAGES_BILEVEL, true, true, false},
      {440, 320, MIRB_VS_SIDE_FRONT, MIRB_VS_IMAGES_GRAY | MIRB_VS_IMAGES_UV,
       false, false, true},
  };
  const vs::Image text = Printed("VOID", MIRB_VS_ENDORSE_SCALE);
  char micr[256];
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "side " << c.side << " kinds " << c.kinds);
    Feed({"U001234U T021000021T 123456789U $0000012500$"});
    ASSERT_EQ(MIRB_VS_OK,
              QELScanVirtualEndorsement("VOID", c.x, c.y, 0, 0, 0, c.side,
                                        c.kinds, 0, 0, 0, 0, 0, 0, 0, "Arial"));
    ASSERT_EQ(MIRB_VS_OK, QELScan(Path("f.tif").c_str(), Path("b.tif").c_str(),
                                  Path("f.jpg").c_str(), "", micr, nullptr,
                                  nullptr, nullptr));
    const struct {
      const char *file;
      bool shows;
      int x, y;
    } images[] = {
        {"f.tif", c.front, c.x ? c.x : MIRB_VS_ENDORSE_X,
         c.y ? c.y : MIRB_VS_ENDORSE_Y},
        {"f.jpg", c.grayFront, c.x ? c.x : MIRB_VS_ENDORSE_X,
         c.y ? c.y : MIRB_VS_ENDORSE_Y},
        {"b.tif", c.back, c.x ? c.x : MIRB_VS_ENDORSE_BACK_X,
         c.y ? c.y : MIRB_VS_ENDORSE_BACK_Y},
    };
    for (const auto &image : images) {
      SCOPED_TRACE(image.file);
      const Raster got = Decode(Slurp(Path(image.file)));
      ASSERT_FALSE(got.gray.empty());
      EXPECT_EQ(0, Wrong(got, text, image.x, image.y, nullptr, image.shows));
    }
    MIRBExit();
  }
}
