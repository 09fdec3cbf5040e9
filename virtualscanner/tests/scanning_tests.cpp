// Scans with and without a document, the hopper, code-line reread,
// memory images and the printing queue.
#include <algorithm>
#include <cstring>

#include "vs_test.h"

using namespace vstest;

namespace {

std::string Descriptor(const void *address) {
  return "MD:" + std::to_string(reinterpret_cast<std::uintptr_t>(address));
}

} // namespace

using NoDocument = VirtualScanner;

TEST_F(NoDocument, EveryScanAnswersNoDocumentWithEmptyOutputs) {
  Feed({});
  char frontLen[32] = "x", backLen[32] = "x", micr[256] = "x",
       micrLen[32] = "x";
  EXPECT_EQ(MIRB_VS_ERR_NO_DOCUMENT,
            MIRBScan(0, Path("f.tif").c_str(), frontLen, Path("b.tif").c_str(),
                     backLen, micr, micrLen));
  EXPECT_STREQ("0", frontLen); // length texts are numbers on every path
  EXPECT_STREQ("0", backLen);
  EXPECT_STREQ("", micr);
  EXPECT_STREQ("0", micrLen);
  EXPECT_FALSE(std::filesystem::exists(Path("f.tif")));
  std::strcpy(micr, "x");
  EXPECT_EQ(MIRB_VS_ERR_NO_DOCUMENT,
            MIRBScanGray(0, "", frontLen, "", backLen, micr, micrLen, 0));
  EXPECT_STREQ("", micr);

  ImageBuffer front, back;
  int fl = 9, bl = 9, ml = 9;
  EXPECT_EQ(MIRB_VS_ERR_NO_DOCUMENT,
            MIRBScanMemory(0, front.data(), &fl, back.data(), &bl, micr, &ml));
  EXPECT_EQ(0, fl + bl + ml);
  EXPECT_EQ(0, front.Header(0) | front.Header(1) | front.Header(2) |
                   front.Header(3));
  EXPECT_EQ(MIRB_VS_ERR_NO_DOCUMENT,
            MIRBScanMemoryGray(0, nullptr, &fl, nullptr, &bl, micr, &ml, 0));

  int quality = 9, contrast = 9, status[32];
  std::fill(std::begin(status), std::end(status), 9);
  const std::string md = Descriptor(front.data());
  EXPECT_EQ(MIRB_VS_ERR_NO_DOCUMENT,
            QELScan(md.c_str(), "", "", "", micr, &quality, &contrast, status));
  EXPECT_EQ(0, quality + contrast);
  EXPECT_TRUE(std::all_of(std::begin(status), std::end(status),
                          [](int v) { return v == 0; }));
  EXPECT_EQ(0, QELGetMemoryImageLength(front.data())); // named, so defined

  int size = 9;
  EXPECT_EQ(MIRB_VS_ERR_NO_DOCUMENT,
            QELScanUV(nullptr, front.data(), &size, 0));
  EXPECT_EQ(0, size);
  EXPECT_EQ(MIRB_VS_ERR_NO_DOCUMENT,
            QELScanLong(Path("l.tif").c_str(), nullptr, &size, 0));
  char conf[256] = "x";
  EXPECT_EQ(MIRB_VS_ERR_NO_DOCUMENT, QELGetOcrMicr(micr, conf));
  EXPECT_STREQ("", conf);
  EXPECT_TRUE(front.guardIntact());
}

using Hopper = VirtualScanner;

TEST_F(Hopper, ScanToFilesWritesCodeLineLengthsAndValidTiffs) {
  Feed({"# a comment, then a blank line", "", "T123456789T 0042A 1234U\r",
        "\tconfidence=", "T987T\tquality=70\tcontrast=40\tconfidence=95870"});
  char frontLen[32], backLen[32], micr[256], micrLen[32];
  ASSERT_EQ(MIRB_VS_OK,
            MIRBScan(0, Path("f.tif").c_str(), frontLen, Path("b.tif").c_str(),
                     backLen, micr, micrLen));
  EXPECT_STREQ("T123456789T 0042A 1234U", micr);
  EXPECT_STREQ("23", micrLen);
  const auto front = Slurp(Path("f.tif")), back = Slurp(Path("b.tif"));
  EXPECT_EQ(std::to_string(front.size()), frontLen);
  EXPECT_EQ(std::to_string(back.size()), backLen);
  const TiffInfo info = InspectTiff(front);
  EXPECT_TRUE(info.valid);
  EXPECT_EQ(1, info.pages);
  EXPECT_EQ(1u, info.bits);
  EXPECT_EQ(1200u, info.width);
  EXPECT_TRUE(InspectTiff(back).valid);
  EXPECT_NE(front, back);

  // A document without a code line; only the back image wanted.
  ASSERT_EQ(MIRB_VS_OK,
            MIRBScanGray(0, nullptr, frontLen, Path("g.tif").c_str(), backLen,
                         micr, micrLen, 0));
  EXPECT_STREQ("", micr);
  EXPECT_STREQ("0", micrLen);
  EXPECT_STREQ("0", frontLen);
  EXPECT_EQ(8u, InspectTiff(Slurp(Path("g.tif"))).bits);

  char conf[256];
  int quality = 0, contrast = 0;
  ASSERT_EQ(MIRB_VS_OK,
            QELScan(nullptr, "", "", "", micr, &quality, &contrast, nullptr));
  EXPECT_STREQ("T987T", micr);
  EXPECT_EQ(70, quality);
  EXPECT_EQ(40, contrast);
  ASSERT_EQ(MIRB_VS_OK, QELGetOcrMicr(micr, conf));
  EXPECT_STREQ("T987T", micr);
  EXPECT_STREQ("95870", conf);
  EXPECT_EQ(MIRB_VS_ERR_NO_DOCUMENT,
            MIRBScan(0, "", frontLen, "", backLen, micr, micrLen));
}

TEST_F(Hopper, UnreadableOrMalformedHopperKeepsTheSessionClosed) {
  setenv("MIRB_VIRTUAL_HOPPER", Path("missing.txt").c_str(), 1);
  EXPECT_EQ(MIRB_VS_ERR_HOPPER, MIRBInit());
  EXPECT_EQ(MIRB_VS_ERR_NOT_INITIALISED, MIRBStatus());
  Spit(Path("bad.txt"), "T1T\tquality=high\n");
  setenv("MIRB_VIRTUAL_HOPPER", Path("bad.txt").c_str(), 1);
  EXPECT_EQ(MIRB_VS_ERR_HOPPER, MIRBInit());
  Spit(Path("long.txt"), std::string(256, '1') + "\n");
  setenv("MIRB_VIRTUAL_HOPPER", Path("long.txt").c_str(), 1);
  EXPECT_EQ(MIRB_VS_ERR_HOPPER, MIRBInit());
  // A confidence character for each code-line character, no more, no less;
  // a known fault, 0 to 600000 ms, unreadable places within the code line.
  for (const char *line :
       {"T1T\tconfidence=99\n", "T1T\tconfidence=9999\n", "\tconfidence=9\n",
        "T1T\tfault=melt\n", "T1T\tslow=-1\n", "T1T\tslow=600001\n",
        "T1T\tunreadable=3\n", "T1T\tunreadable=2-1\n", "T1T\tunreadable=0,\n",
        "T1T\tunreadable=\n", "\tunreadable=0\n"}) {
    Spit(Path("confidence.txt"), line);
    setenv("MIRB_VIRTUAL_HOPPER", Path("confidence.txt").c_str(), 1);
    EXPECT_EQ(MIRB_VS_ERR_HOPPER, MIRBInit()) << line;
  }
}

using Special = VirtualScanner;

TEST_F(Special, DocStatusNamesTheFirstOfAtMost32MatchingRegistrations) {
  Feed({"T021000021T 123456789U 0101", "T111T 222U"});
  // Required: an empty text would match every code line.
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
            QELSetSpecialDocument(0, 0, "", "1", 0, 0, 0, 0));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
            QELSetSpecialDocument(0, 0, "1", "", 0, 0, 0, 0));
  ASSERT_EQ(MIRB_VS_OK, QELSetSpecialDocument(0, 0, "999", "888", 0, 0, 0, 0));
  ASSERT_EQ(MIRB_VS_OK, QELSetSpecialDocumentEx(0, 0, "021000021", "6789", 0, 0,
                                                0, 0, 0, 0, 0, 0, 0, 0));
  ASSERT_EQ(MIRB_VS_OK,
            QELSetSpecialDocument(0, 0, "021000021", "123456789", 0, 0, 0, 0));
  for (int i = 4; i <= 32; ++i) {
    ASSERT_EQ(MIRB_VS_OK,
              QELSetSpecialDocument(0, 0, std::to_string(5000 + i).c_str(), "7",
                                    0, 0, 0, 0));
  }
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
            QELSetSpecialDocument(0, 0, "111", "222", 0, 0, 0, 0)); // the 33rd
  // Full, yet an entry can still be replaced; it keeps its number.
  EXPECT_EQ(MIRB_VS_OK, QELSetSpecialDocumentEx(1, 1, "021000021", "6789", 1, 1,
                                                1, 1, 1, 1, 1, 1, 1, 1));
  char micr[256];
  int status[32];
  ASSERT_EQ(MIRB_VS_OK,
            QELScan("", "", "", "", micr, nullptr, nullptr, status));
  EXPECT_EQ(2, status[MIRB_VS_DOCSTATUS_SPECIAL]);
  ASSERT_EQ(MIRB_VS_OK,
            QELScan("", "", "", "", micr, nullptr, nullptr, status));
  EXPECT_EQ(0, status[MIRB_VS_DOCSTATUS_SPECIAL]); // the 33rd was not kept
}

using Memory = VirtualScanner;

TEST_F(Memory, ScanToMemoryPlacesHeaderedImagesWithinTheBuffer) {
  Feed({"T111T 222U", "T333T"});
  ImageBuffer front, back;
  char micr[256];
  int fl = 0, bl = 0, ml = 0;
  ASSERT_EQ(MIRB_VS_OK,
            MIRBScanMemory(0, front.data(), &fl, back.data(), &bl, micr, &ml));
  EXPECT_STREQ("T111T 222U", micr);
  EXPECT_EQ(10, ml);
  EXPECT_EQ(1200, front.Header(0));
  EXPECT_EQ(550, front.Header(1));
  EXPECT_EQ(1, front.Header(2));
  EXPECT_EQ(200, front.Header(3));
  EXPECT_EQ(MIRB_VS_MEMORY_FORMAT_TIFF, front.Header(5));
  const TiffInfo frontTiff = InspectTiff(front.Stream(fl));
  EXPECT_TRUE(frontTiff.valid);
  EXPECT_EQ(4u, frontTiff.compression);
  EXPECT_EQ(1200u, frontTiff.width);
  EXPECT_TRUE(InspectTiff(back.Stream(bl)).valid);
  EXPECT_EQ(fl, QELGetMemoryImageLength(front.data()));
  EXPECT_EQ(MIRB_VS_ERR_UNKNOWN_ADDRESS,
            QELGetMemoryImageLength(front.data() + 1));

  ASSERT_EQ(MIRB_VS_OK, MIRBScanMemoryGray(0, front.data(), &fl, nullptr, &bl,
                                           micr, &ml, 0));
  EXPECT_EQ(8, front.Header(2));
  EXPECT_EQ(100, front.Header(3));
  EXPECT_EQ(MIRB_VS_MEMORY_FORMAT_JPEG, front.Header(5));
  const JpegInfo gray = InspectJpeg(front.Stream(fl));
  EXPECT_TRUE(gray.valid);
  EXPECT_EQ(600, gray.width);
  EXPECT_EQ(0, bl);
  EXPECT_TRUE(front.guardIntact());
  EXPECT_TRUE(back.guardIntact());
}

TEST_F(Memory, FullScanFillsDescriptorsFilesAndTheResultBlock) {
  Feed({"T021000021T 123456789U 0101"});
  ASSERT_EQ(MIRB_VS_OK,
            QELSetSpecialDocument(1, 2, "021000021", "123456789", 3, 4, 5, 6));
  ImageBuffer frontTiff, backJpeg;
  const std::string front = Descriptor(frontTiff.data());
  const std::string back = Descriptor(backJpeg.data());
  char micr[256];
  int quality = 0, contrast = 0, status[32];
  ASSERT_EQ(MIRB_VS_OK,
            QELScan(front.c_str(), Path("b.tif").c_str(), "", back.c_str(),
                    micr, &quality, &contrast, status));
  EXPECT_STREQ("T021000021T 123456789U 0101", micr);
  EXPECT_EQ(100, quality);
  EXPECT_EQ(60, contrast);
  EXPECT_EQ(1, status[MIRB_VS_DOCSTATUS_PRESENT]);
  EXPECT_EQ(1, status[MIRB_VS_DOCSTATUS_SPECIAL]);
  EXPECT_EQ(27, status[MIRB_VS_DOCSTATUS_CODELEN]);
  EXPECT_EQ(3, status[MIRB_VS_DOCSTATUS_IMAGES]);

  const int length = QELGetMemoryImageLength(frontTiff.data());
  ASSERT_GT(length, 0);
  const std::vector<std::uint8_t> tiff(frontTiff.bytes.begin(),
                                       frontTiff.bytes.begin() + length);
  EXPECT_TRUE(InspectTiff(tiff).valid);
  const JpegInfo jpeg = InspectJpeg(std::vector<std::uint8_t>(
      backJpeg.bytes.begin(),
      backJpeg.bytes.begin() + QELGetMemoryImageLength(backJpeg.data())));
  EXPECT_TRUE(jpeg.valid);
  EXPECT_EQ(600, jpeg.width);
  EXPECT_TRUE(InspectTiff(Slurp(Path("b.tif"))).valid);
  EXPECT_TRUE(frontTiff.guardIntact());
  EXPECT_TRUE(backJpeg.guardIntact());
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
            QELScan("MD:12x", "", "", "", micr, &quality, &contrast, nullptr));
}

TEST_F(Memory, UvAndLongScansGoToFileMemoryOrBoth) {
  Feed({"T1T", "T2T", "T3T"});
  ImageBuffer image;
  int size = 0;
  ASSERT_EQ(MIRB_VS_OK,
            QELScanUV(Path("uv.tif").c_str(), image.data(), &size, 1));
  EXPECT_EQ(8, image.Header(2));
  EXPECT_EQ(size, QELGetMemoryImageLength(image.data()));
  EXPECT_EQ(32773u, InspectTiff(image.Stream(size)).compression);
  const TiffInfo uv = InspectTiff(Slurp(Path("uv.tif")));
  EXPECT_TRUE(uv.valid);
  EXPECT_EQ(32773u, uv.compression);
  ASSERT_EQ(MIRB_VS_OK,
            QELScanLong(Path("long.tif").c_str(), nullptr, &size, 0));
  EXPECT_EQ(static_cast<int>(Slurp(Path("long.tif")).size()), size);
  EXPECT_EQ(2400u, InspectTiff(Slurp(Path("long.tif"))).width);
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
            QELScanLong(nullptr, image.data(), &size, 7));
  EXPECT_EQ(MIRB_VS_STATUS_READY | MIRB_VS_STATUS_DOCUMENT_IN_TRACK |
                MIRB_VS_STATUS_HOPPER_LOADED,
            MIRBStatus()); // the refused scan fed nothing
}

using Printing = VirtualScanner;

TEST_F(Printing, PrintTextsWaitForTheNextDocument) {
  Feed({"T1T", "T2T"});
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, QELBatchPrintString(nullptr, 0, 0, 0, 0));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT, QELBatchPrintString("", 0, 0, 0, 0));
  EXPECT_EQ(MIRB_VS_ERR_BAD_ARGUMENT,
            QELBatchPrintBMP("PAID", 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr));
  ASSERT_EQ(MIRB_VS_OK, QELBatchPrintString("PAID 2016", 300, 200, 2, 180));
  ASSERT_EQ(MIRB_VS_OK,
            QELScanVirtualEndorsement("VOID", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      0, 0, 0, "Arial"));
  EXPECT_STREQ("PAID 2016", MIRBGetParamString(MIRB_VS_SEL_PENDING_PRINT));
  EXPECT_STREQ("VOID", MIRBGetParamString(MIRB_VS_SEL_PENDING_ENDORSEMENT));

  char len[32], micr[256];
  ASSERT_EQ(MIRB_VS_OK, MIRBScan(0, "", len, "", len, micr, len));
  EXPECT_STREQ("", MIRBGetParamString(MIRB_VS_SEL_PENDING_PRINT));
  EXPECT_STREQ("PAID 2016", MIRBGetParamString(MIRB_VS_SEL_LAST_PRINT));
  EXPECT_STREQ("VOID", MIRBGetParamString(MIRB_VS_SEL_LAST_ENDORSEMENT));
  ASSERT_EQ(MIRB_VS_OK, MIRBScan(0, "", len, "", len, micr, len));
  EXPECT_STREQ("", MIRBGetParamString(MIRB_VS_SEL_LAST_PRINT));
}
