// Shared fixture of the virtual scanner tests: a closed session and a
// clean environment before and after every test, a scratch folder, a
// hopper writer, and image inspectors that read the library's files with
// libtiff and libjpeg directly (not through the library's own reader).
#ifndef QELSCANNER_VIRTUALSCANNER_TESTS_VS_TEST_H
#define QELSCANNER_VIRTUALSCANNER_TESTS_VS_TEST_H

#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include <jpeglib.h>
#include <tiffio.h>

#include "scannerlib/mirbap32.h"
#include "virtualscanner/virtual_scanner.h"

namespace vstest {

inline const char *const kEnvironment[] = {
    "MIRB_VIRTUAL_VERSION",   "MIRB_VIRTUAL_INIT_RESULT",
    "MIRB_VIRTUAL_HOPPER",    "MIRB_VIRTUAL_USB",
    "MIRB_VIRTUAL_UNPLUGGED", "MIRB_VIRTUAL_DOCUMENT_NUMBER",
    "MIRB_VIRTUAL_VENDOR",    "MIRB_VIRTUAL_PRODUCT"};

inline std::vector<std::uint8_t> Slurp(const std::string &name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void Spit(const std::string &name, const std::string &text) {
  std::ofstream(name, std::ios::binary) << text;
}

// What libtiff reads from a TIFF: the first page's fields and pixels and
// the page count. valid: every row of every page decoded.
struct TiffInfo {
  bool valid = false;
  bool littleEndian = false;
  int pages = 0;
  std::uint32_t width = 0, height = 0, rowsPerStrip = 0, strips = 0,
                subfileType = 0;
  std::uint16_t bits = 0, samples = 0, compression = 0, photometric = 0,
                fillOrder = 0, orientation = 0, resolutionUnit = 0;
  float xResolution = 0, yResolution = 0;
  std::vector<std::uint8_t> gray; // width x height, 0 = black
};

namespace detail {

struct ReadStream {
  const std::vector<std::uint8_t> &bytes;
  std::uint64_t at = 0;
};

inline ReadStream &StreamOf(thandle_t h) {
  return *reinterpret_cast<ReadStream *>(h);
}

inline tmsize_t TiffRead(thandle_t h, void *buffer, tmsize_t n) {
  ReadStream &s = StreamOf(h);
  if (n <= 0 || s.at >= s.bytes.size()) {
    return 0;
  }
  const std::uint64_t count = std::min<std::uint64_t>(
      static_cast<std::uint64_t>(n), s.bytes.size() - s.at);
  std::memcpy(buffer, s.bytes.data() + s.at, static_cast<std::size_t>(count));
  s.at += count;
  return static_cast<tmsize_t>(count);
}
inline tmsize_t TiffWrite(thandle_t, void *, tmsize_t) { return -1; }
inline toff_t TiffSeek(thandle_t h, toff_t offset, int whence) {
  ReadStream &s = StreamOf(h);
  s.at = (whence == SEEK_CUR   ? s.at
          : whence == SEEK_END ? s.bytes.size()
                               : 0) +
         offset;
  return s.at;
}
inline int TiffClose(thandle_t) { return 0; }
inline toff_t TiffSize(thandle_t h) { return StreamOf(h).bytes.size(); }
inline int TiffMap(thandle_t, void **, toff_t *) { return 0; }
inline void TiffUnmap(thandle_t, void *, toff_t) {}

} // namespace detail

inline TiffInfo InspectTiff(const std::vector<std::uint8_t> &bytes) {
  TiffInfo info;
  detail::ReadStream stream{bytes};
  TIFF *tif = TIFFClientOpen(
      "test", "r", reinterpret_cast<thandle_t>(&stream), detail::TiffRead,
      detail::TiffWrite, detail::TiffSeek, detail::TiffClose, detail::TiffSize,
      detail::TiffMap, detail::TiffUnmap);
  if (tif == nullptr) {
    return info;
  }
  info.littleEndian = !TIFFIsBigEndian(tif);
  bool decoded = true;
  do {
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 1, photometric = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    if (info.pages++ == 0) {
      info.width = width;
      info.height = height;
      info.bits = bits;
      info.photometric = photometric;
      TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &info.samples);
      TIFFGetField(tif, TIFFTAG_COMPRESSION, &info.compression);
      TIFFGetField(tif, TIFFTAG_FILLORDER, &info.fillOrder);
      TIFFGetField(tif, TIFFTAG_ORIENTATION, &info.orientation);
      TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &info.rowsPerStrip);
      TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &info.subfileType);
      TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &info.resolutionUnit);
      TIFFGetField(tif, TIFFTAG_XRESOLUTION, &info.xResolution);
      TIFFGetField(tif, TIFFTAG_YRESOLUTION, &info.yResolution);
      info.strips = TIFFNumberOfStrips(tif);
    }
    const tmsize_t lineBytes = TIFFScanlineSize(tif);
    if (width == 0 || height == 0 || (bits != 1 && bits != 8) ||
        lineBytes !=
            static_cast<tmsize_t>(bits == 1 ? (width + 7) / 8 : width)) {
      decoded = false;
      break;
    }
    std::vector<std::uint8_t> line(static_cast<std::size_t>(lineBytes));
    for (std::uint32_t y = 0; y < height && decoded; ++y) {
      decoded = TIFFReadScanline(tif, line.data(), y, 0) >= 0;
      if (info.pages != 1) {
        continue;
      }
      for (std::uint32_t x = 0; x < width; ++x) {
        int v = bits == 8 ? line[x] : (line[x / 8] >> (7 - x % 8) & 1) * 255;
        if (photometric == 0) { // min-is-white
          v = 255 - v;
        }
        info.gray.push_back(static_cast<std::uint8_t>(v));
      }
    }
  } while (decoded && TIFFReadDirectory(tif));
  TIFFClose(tif);
  info.valid =
      decoded && info.gray.size() == std::size_t(info.width) * info.height;
  return info;
}

inline TiffInfo InspectTiffFile(const std::string &name) {
  return InspectTiff(Slurp(name));
}

// What libjpeg reads from a JPEG. valid: it decoded to the end.
struct JpegInfo {
  bool valid = false;
  bool jfif = false;
  int width = 0, height = 0, components = 0;
  int densityUnit = 0, xDensity = 0, yDensity = 0;
  std::vector<std::uint8_t> gray; // first component, 0 = black
};

namespace detail {

struct JpegErrors {
  jpeg_error_mgr base;
  std::jmp_buf escape;
};

inline void JpegFail(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors *>(info->err)->escape, 1);
}
inline void JpegQuiet(j_common_ptr) {}

// Only C objects in this frame: the jump skips no destructor.
inline bool JpegDecode(const std::vector<std::uint8_t> &bytes, JpegInfo *info,
                       std::vector<std::uint8_t> *row) {
  jpeg_decompress_struct d;
  JpegErrors errors;
  d.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JpegFail;
  errors.base.output_message = JpegQuiet;
  if (setjmp(errors.escape) != 0) {
    jpeg_destroy_decompress(&d);
    return false;
  }
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_GRAYSCALE;
  jpeg_start_decompress(&d);
  info->width = static_cast<int>(d.output_width);
  info->height = static_cast<int>(d.output_height);
  info->components = d.num_components;
  info->jfif = d.saw_JFIF_marker != 0;
  info->densityUnit = d.density_unit;
  info->xDensity = d.X_density;
  info->yDensity = d.Y_density;
  row->resize(d.output_width);
  while (d.output_scanline < d.output_height) {
    JSAMPROW line = row->data();
    jpeg_read_scanlines(&d, &line, 1);
    info->gray.insert(info->gray.end(), row->begin(), row->end());
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return true;
}

} // namespace detail

inline JpegInfo InspectJpeg(const std::vector<std::uint8_t> &bytes) {
  JpegInfo info;
  std::vector<std::uint8_t> row;
  info.valid = !bytes.empty() && detail::JpegDecode(bytes, &info, &row);
  return info;
}

// A caller's image buffer of 1048576 bytes and a guard area behind it.
inline constexpr std::size_t kImage = 1048576;

struct ImageBuffer {
  std::vector<unsigned char> bytes =
      std::vector<unsigned char>(kImage + 64, 0xA5);
  unsigned char *data() { return bytes.data(); }
  bool guardIntact() const {
    return std::all_of(bytes.begin() + kImage, bytes.end(),
                       [](unsigned char c) { return c == 0xA5; });
  }
  int Header(std::size_t field) const { // the signed 16-bit header fields
    return static_cast<std::int16_t>(bytes[2 * field] | bytes[2 * field + 1]
                                                            << 8);
  }
  // The stream behind the header, as long as the header says; its length
  // with the header must be what the scan reported.
  std::vector<std::uint8_t> Stream(int reported) const {
    const std::uint32_t size = bytes[12] | bytes[13] << 8 | bytes[14] << 16 |
                               static_cast<std::uint32_t>(bytes[15]) << 24;
    EXPECT_EQ(MIRB_VS_MEMORY_HEADER_BYTES, Header(4));
    EXPECT_EQ(static_cast<std::uint32_t>(reported),
              MIRB_VS_MEMORY_HEADER_BYTES + size);
    if (size > kImage - MIRB_VS_MEMORY_HEADER_BYTES) {
      return {};
    }
    return {bytes.begin() + MIRB_VS_MEMORY_HEADER_BYTES,
            bytes.begin() + MIRB_VS_MEMORY_HEADER_BYTES + size};
  }
};

class VirtualScanner : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char *name : kEnvironment) {
      unsetenv(name);
    }
    MIRBExit();
    const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("vs-") + test->test_suite_name() + "-" + test->name() +
            "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    MIRBExit();
    for (const char *name : kEnvironment) {
      unsetenv(name);
    }
    std::filesystem::remove_all(dir_);
  }

  std::string Path(const std::string &leaf) const {
    return (dir_ / leaf).string();
  }

  // Puts these documents into the hopper and opens the session.
  void Feed(std::initializer_list<std::string> documents) {
    std::string text;
    for (const std::string &line : documents) {
      text += line + "\n";
    }
    Spit(Path("hopper.txt"), text);
    setenv("MIRB_VIRTUAL_HOPPER", Path("hopper.txt").c_str(), 1);
    ASSERT_EQ(MIRB_VS_OK, MIRBInit());
  }

  std::filesystem::path dir_;
};

} // namespace vstest

#endif
