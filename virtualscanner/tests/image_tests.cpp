// The images as others read them (libtiff, libjpeg), what they show, the
// default stack of checks and the font.
#include <fstream>
#include <functional>
#include <set>

#include "virtualscanner/font.h"
#include "virtualscanner/image.h"
#include "vs_test.h"

using namespace vstest;
namespace font = vs::font;

namespace {

struct Buffer {
  std::vector<unsigned char> bytes = std::vector<unsigned char>(1048576, 0);
  std::string md() const {
    return "MD:" +
           std::to_string(reinterpret_cast<std::uintptr_t>(bytes.data()));
  }
  std::vector<std::uint8_t> image() const {
    const int length = QELGetMemoryImageLength(bytes.data());
    return {bytes.begin(), bytes.begin() + std::max(length, 0)};
  }
};

// Whether text, drawn with the library's font at some scale, appears
// somewhere in the image exactly: its ink and the paper between.
bool Shows(const std::vector<std::uint8_t> &gray, int width, int height,
           const std::string &text) {
  for (int scale = 1; scale <= 4; ++scale) {
    vs::Image t = vs::Image::Blank(font::TextWidth(text, scale),
                                   font::kGlyphHeight * scale, 8, 200);
    font::DrawString(t, 0, 0, text, scale, 0);
    std::vector<std::pair<int, int>> ink, paper; // ink first: fails fast
    for (int y = 0; y < t.height; ++y) {
      for (int x = 0; x < t.width; ++x) {
        (t.Gray(x, y) < 128 ? ink : paper).emplace_back(x, y);
      }
    }
    ink.insert(ink.end(), paper.begin(), paper.end());
    const std::size_t inkCount = ink.size() - paper.size();
    for (int y = 0; y + t.height <= height; ++y) {
      for (int x = 0; x + t.width <= width; ++x) {
        std::size_t i = 0;
        for (; i < ink.size(); ++i) {
          const auto [tx, ty] = ink[i];
          const bool dark = gray[std::size_t(y + ty) * width + x + tx] < 128;
          if (dark != (i < inkCount)) {
            break;
          }
        }
        if (i == ink.size()) {
          return true;
        }
      }
    }
  }
  return false;
}

bool Shows(const TiffInfo &info, const std::string &text) {
  return Shows(info.gray, int(info.width), int(info.height), text);
}

bool ValidRouting(const std::string &routing) {
  if (routing.size() != 9 ||
      routing.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  int sum = 0;
  for (int i = 0; i < 9; ++i) {
    sum += (routing[i] - '0') * (i % 3 == 0 ? 3 : i % 3 == 1 ? 7 : 1);
  }
  return sum % 10 == 0;
}

// A row "| n | `code line` | length | quality | contrast |" of the
// README's default stack table.
struct ReadmeRow {
  std::string codeLine;
  int length = 0, quality = 0, contrast = 0;
};

bool ParseReadmeRow(const std::string &line, ReadmeRow &row) {
  std::vector<std::string> cells;
  for (std::size_t at = 0; (at = line.find('|', at)) != std::string::npos;) {
    const std::size_t next = line.find('|', at + 1);
    if (next == std::string::npos) {
      break;
    }
    std::string cell = line.substr(at + 1, next - at - 1);
    cell.erase(0, cell.find_first_not_of(' '));
    cell.erase(cell.find_last_not_of(' ') + 1);
    cells.push_back(cell);
    at = next;
  }
  const auto number = [](const std::string &text, int &value) {
    if (text.empty() ||
        text.find_first_not_of("0123456789") != std::string::npos) {
      return false;
    }
    value = std::stoi(text);
    return true;
  };
  int index = 0;
  if (cells.size() != 5 || !number(cells[0], index) || cells[1].size() < 2 ||
      cells[1].front() != '`' || cells[1].back() != '`') {
    return false;
  }
  row.codeLine = cells[1].substr(1, cells[1].size() - 2);
  return number(cells[2], row.length) && number(cells[3], row.quality) &&
         number(cells[4], row.contrast);
}

} // namespace

using Images = VirtualScanner;

TEST_F(Images, BilevelScansAreGroup4TiffsAsExchangeFilesWantThem) {
  Feed({"T1T", "T2T"});
  char len[32], micr[256];
  ASSERT_EQ(MIRB_VS_OK, MIRBScan(0, Path("f.tif").c_str(), len,
                                 Path("b.tif").c_str(), len, micr, len));
  Buffer front;
  int quality, contrast;
  ASSERT_EQ(MIRB_VS_OK, QELScan(front.md().c_str(), Path("qb.tif").c_str(), "",
                                "", micr, &quality, &contrast, nullptr));
  const struct {
    const char *what;
    std::vector<std::uint8_t> bytes;
  } images[] = {{"MIRBScan front", Slurp(Path("f.tif"))},
                {"MIRBScan back", Slurp(Path("b.tif"))},
                {"QELScan front in memory", front.image()},
                {"QELScan back file", Slurp(Path("qb.tif"))}};
  for (const auto &image : images) {
    SCOPED_TRACE(image.what);
    ASSERT_GT(image.bytes.size(), 8u);
    EXPECT_EQ('I', image.bytes[0]);
    EXPECT_EQ('I', image.bytes[1]);
    const TiffInfo info = InspectTiff(image.bytes);
    EXPECT_TRUE(info.valid);
    EXPECT_TRUE(info.littleEndian);
    EXPECT_EQ(1, info.pages);
    EXPECT_EQ(COMPRESSION_CCITTFAX4, info.compression);
    EXPECT_EQ(1, info.bits);
    EXPECT_EQ(1, info.samples);
    EXPECT_EQ(1200u, info.width);
    EXPECT_EQ(550u, info.height);
    EXPECT_EQ(1u, info.strips);
    EXPECT_EQ(550u, info.rowsPerStrip);
    EXPECT_EQ(PHOTOMETRIC_MINISWHITE, info.photometric);
    EXPECT_EQ(FILLORDER_MSB2LSB, info.fillOrder);
    EXPECT_EQ(ORIENTATION_TOPLEFT, info.orientation);
    EXPECT_EQ(0u, info.subfileType);
    EXPECT_EQ(RESUNIT_INCH, info.resolutionUnit);
    EXPECT_EQ(200.0f, info.xResolution);
    EXPECT_EQ(200.0f, info.yResolution);
  }
}

TEST_F(Images, GrayImagesAreJpegsWhereAskedForElseTiffs) {
  Feed({"T1T", "T2T", "T3T"});
  char len[32], micr[256];
  ASSERT_EQ(MIRB_VS_OK,
            MIRBScanGray(0, Path("f.jpg").c_str(), len, Path("b.JPEG").c_str(),
                         len, micr, len, 0));
  ASSERT_EQ(MIRB_VS_OK,
            MIRBScanGray(0, Path("f.tif").c_str(), len,
                         Path("b.jpg.tif").c_str(), len, micr, len, 0));
  Buffer back;
  int quality, contrast;
  ASSERT_EQ(MIRB_VS_OK,
            QELScan("", "", Path("qf.jpg").c_str(), back.md().c_str(), micr,
                    &quality, &contrast, nullptr));
  const struct {
    const char *what;
    std::vector<std::uint8_t> bytes;
  } jpegs[] = {{"MIRBScanGray .jpg", Slurp(Path("f.jpg"))},
               {"MIRBScanGray .JPEG", Slurp(Path("b.JPEG"))},
               {"QELScan front file", Slurp(Path("qf.jpg"))},
               {"QELScan back in memory", back.image()}};
  for (const auto &jpeg : jpegs) {
    SCOPED_TRACE(jpeg.what);
    const JpegInfo info = InspectJpeg(jpeg.bytes);
    EXPECT_TRUE(info.valid);
    EXPECT_TRUE(info.jfif);
    EXPECT_EQ(600, info.width);
    EXPECT_EQ(275, info.height);
    EXPECT_EQ(1, info.components);
    EXPECT_EQ(1, info.densityUnit); // dots per inch
    EXPECT_EQ(100, info.xDensity);
    EXPECT_EQ(100, info.yDensity);
  }
  for (const char *name : {"f.tif", "b.jpg.tif"}) {
    SCOPED_TRACE(name);
    const TiffInfo info = InspectTiffFile(Path(name));
    EXPECT_TRUE(info.valid);
    EXPECT_EQ(8, info.bits);
    EXPECT_EQ(600u, info.width);
    EXPECT_EQ(275u, info.height);
    EXPECT_EQ(100.0f, info.xResolution);
    EXPECT_EQ(PHOTOMETRIC_MINISBLACK, info.photometric);
  }
}

TEST_F(Images, EachSideShowsItsTextsInTheFont) {
  const struct {
    std::string codeLine, printed, endorsement;
  } cases[] = {
      {"U001234U T021000021T 123456789U $0000012500$", "PAID 2016-01-27",
       "VOID"},
      {"T1T -x-", "", ""},
      // Too long for the usual size: drawn smaller, still whole.
      {std::string(60, '7') + "T" + std::string(58, '8') + "U", "", ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.codeLine);
    Feed({c.codeLine});
    if (!c.printed.empty()) {
      ASSERT_EQ(MIRB_VS_OK, QELBatchPrintString(c.printed.c_str(), 0, 0, 0, 0));
    }
    if (!c.endorsement.empty()) {
      ASSERT_EQ(MIRB_VS_OK,
                QELScanVirtualEndorsement(c.endorsement.c_str(), 0, 0, 0, 0, 0,
                                          0, 0, 0, 0, 0, 0, 0, 0, 0, "F"));
    }
    char len[32], micr[256];
    ASSERT_EQ(MIRB_VS_OK, MIRBScan(0, Path("f.tif").c_str(), len,
                                   Path("b.tif").c_str(), len, micr, len));
    const TiffInfo front = InspectTiffFile(Path("f.tif"));
    const TiffInfo back = InspectTiffFile(Path("b.tif"));
    ASSERT_TRUE(front.valid && back.valid);
    const std::string symbols = font::CodeLineSymbols(c.codeLine);
    EXPECT_TRUE(Shows(front, symbols));
    EXPECT_FALSE(Shows(back, symbols));
    if (!c.printed.empty()) {
      EXPECT_TRUE(Shows(back, c.printed));
    }
    if (!c.endorsement.empty()) {
      EXPECT_TRUE(Shows(front, c.endorsement));
    }
    MIRBExit();
  }
}

using DefaultStack = VirtualScanner;

// The README's table of the default stack: what the library must give.
TEST_F(DefaultStack, TwelveChecksAsTheReadmeListsThem) {
  std::ifstream readme(QELSCAN_VS_README);
  ASSERT_TRUE(readme);
  std::vector<ReadmeRow> rows;
  for (std::string line; std::getline(readme, line);) {
    if (ReadmeRow r; ParseReadmeRow(line, r)) {
      rows.push_back(r);
    }
  }
  ASSERT_EQ(12u, rows.size());

  ASSERT_EQ(MIRB_VS_OK, MIRBInit()); // no hopper file named
  std::set<std::string> routings;
  for (const ReadmeRow &r : rows) {
    SCOPED_TRACE(r.codeLine);
    char micr[256], confidence[256];
    int quality = 0, contrast = 0, status[32];
    ASSERT_EQ(MIRB_VS_OK,
              QELScan("", "", "", "", micr, &quality, &contrast, status));
    EXPECT_EQ(r.codeLine, micr);
    EXPECT_EQ(r.length, status[MIRB_VS_DOCSTATUS_CODELEN]);
    EXPECT_EQ(r.quality, quality);
    EXPECT_EQ(r.contrast, contrast);
    EXPECT_EQ(1, status[MIRB_VS_DOCSTATUS_PRESENT]);
    ASSERT_EQ(MIRB_VS_OK, QELGetOcrMicr(micr, confidence));
    EXPECT_EQ(std::string(std::strlen(micr), '9'), confidence);

    const std::string line = micr;
    const std::size_t open = line.find('T'), close = line.find('T', open + 1);
    ASSERT_NE(std::string::npos, close);
    const std::string routing = line.substr(open + 1, close - open - 1);
    EXPECT_TRUE(ValidRouting(routing)) << routing;
    EXPECT_TRUE(routings.insert(routing).second) << routing;
  }
  char micr[256];
  EXPECT_EQ(MIRB_VS_ERR_NO_DOCUMENT,
            QELScan("", "", "", "", micr, nullptr, nullptr, nullptr));
}

TEST_F(DefaultStack, OnlyANamedFileWithoutDocumentsGivesAnEmptyHopper) {
  const struct {
    const char *hopper; // null: the variable is set but empty
    int status;
  } cases[] = {
      {nullptr, MIRB_VS_STATUS_READY | MIRB_VS_STATUS_HOPPER_LOADED},
      {"", MIRB_VS_STATUS_READY},
      {"# comments only\n\n#\r\n", MIRB_VS_STATUS_READY},
      {"\r\n\n", MIRB_VS_STATUS_READY},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.hopper ? c.hopper : "(empty variable)");
    if (c.hopper != nullptr) {
      Spit(Path("hopper.txt"), c.hopper);
      setenv("MIRB_VIRTUAL_HOPPER", Path("hopper.txt").c_str(), 1);
    } else {
      setenv("MIRB_VIRTUAL_HOPPER", "", 1);
    }
    ASSERT_EQ(MIRB_VS_OK, MIRBInit());
    EXPECT_EQ(c.status, MIRBStatus());
    MIRBExit();
  }
}

TEST(Font, CoversPrintableAsciiAndTheFourSymbolsWithDistinctGlyphs) {
  std::vector<unsigned char> codes;
  for (int c = 0x20; c <= 0x7E; ++c) {
    codes.push_back(static_cast<unsigned char>(c));
  }
  for (unsigned char c :
       {font::kTransit, font::kOnUs, font::kAmount, font::kDash}) {
    codes.push_back(c);
  }
  std::set<std::vector<std::uint8_t>> shapes;
  for (unsigned char c : codes) {
    SCOPED_TRACE(int(c));
    const std::uint8_t *rows = font::Glyph(c);
    ASSERT_NE(nullptr, rows);
    const std::vector<std::uint8_t> shape(rows, rows + font::kGlyphHeight);
    EXPECT_EQ(c == ' ', std::all_of(shape.begin(), shape.end(),
                                    [](std::uint8_t r) { return r == 0; }));
    EXPECT_TRUE(std::all_of(shape.begin(), shape.end(), [](std::uint8_t r) {
      return r < (1 << font::kGlyphWidth);
    }));
    EXPECT_TRUE(shapes.insert(shape).second) << "the same glyph as another";
  }
  for (unsigned char c : {0x00, 0x1F, 0x7F, 0x84, 0xFF}) {
    EXPECT_EQ(nullptr, font::Glyph(c)) << int(c);
  }
  EXPECT_EQ("\x80"
            "12\x81\x82"
            "9\x83x",
            font::CodeLineSymbols("T12U$9-x"));
}

TEST(Font, DrawTextScalesEveryDotAndClipsAtTheEdges) {
  const auto inkOf = [](const vs::Image &image) {
    return std::count(image.data.begin(), image.data.end(), 0);
  };
  const std::string text = "Ab9\x80";
  long ink1 = 0;
  for (int scale : {1, 3}) {
    SCOPED_TRACE(scale);
    vs::Image image = vs::Image::Blank(100, 40, 8, 200);
    const int end = font::DrawString(image, 2, 3, text, scale, 0);
    EXPECT_EQ(2 + 4 * font::kAdvance * scale, end);
    if (scale == 1) {
      ink1 = inkOf(image);
    } else {
      EXPECT_EQ(ink1 * 9, inkOf(image));
    }
    // Nothing left of x, right of the text's width or below its height.
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        if (x < 2 || x >= 2 + font::TextWidth(text, scale) || y < 3 ||
            y >= 3 + font::kGlyphHeight * scale) {
          ASSERT_EQ(255, image.Gray(x, y)) << x << "," << y;
        }
      }
    }
  }
  // Half outside on every side: clipped, nothing written past the rows.
  vs::Image small = vs::Image::Blank(9, 9, 1, 200);
  font::DrawString(small, -4, -6, "MW\xff", 2, 0);
  font::DrawString(small, 5, 5, "MW", 2, 0);
  EXPECT_GT(std::count_if(small.data.begin(), small.data.end(),
                          [](std::uint8_t b) { return b != 0; }),
            0);
}
