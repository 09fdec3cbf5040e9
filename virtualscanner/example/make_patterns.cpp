// Writes the two test pictures of the example hopper into a folder:
//   pattern-front.tif  8-bit palette, LZW, 480 x 220 (a check's shape),
//                      dark top-left and bottom-right quarters, light others
//   pattern-back.jpg   colour, 300 x 300 (square), dark navy left half,
//                      pale yellow right half
// make_patterns FOLDER
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <tiffio.h>

namespace {

bool WriteFront(const std::string &name) {
  constexpr int kWidth = 480, kHeight = 220;
  TIFF *tif = TIFFOpen(name.c_str(), "wl");
  if (tif == nullptr) {
    return false;
  }
  // Index 0 dark navy, the others pale yellow.
  std::vector<std::uint16_t> red(256, 0xFA00), green(256, 0xF000),
      blue(256, 0xAA00);
  red[0] = 0x1400;
  green[0] = 0x1E00;
  blue[0] = 0x6E00;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
  TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, kHeight);
  bool ok = true;
  std::vector<unsigned char> row(kWidth);
  for (int y = 0; y < kHeight && ok; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      row[x] = (x < kWidth / 2) == (y < kHeight / 2) ? 0 : 1;
    }
    ok = TIFFWriteScanline(tif, row.data(), y, 0) >= 0;
  }
  TIFFClose(tif);
  return ok;
}

bool WriteBack(const std::string &name) {
  constexpr int kSide = 300;
  std::FILE *file = std::fopen(name.c_str(), "wb");
  if (file == nullptr) {
    return false;
  }
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = kSide;
  info.image_height = kSide;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 75, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row;
  for (int x = 0; x < kSide; ++x) { // red, green, blue
    const bool dark = x < kSide / 2;
    row.insert(row.end(), {static_cast<unsigned char>(dark ? 20 : 250),
                           static_cast<unsigned char>(dark ? 30 : 240),
                           static_cast<unsigned char>(dark ? 110 : 170)});
  }
  while (info.next_scanline < info.image_height) {
    JSAMPROW line = row.data();
    jpeg_write_scanlines(&info, &line, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_patterns FOLDER\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  if (!WriteFront(folder + "pattern-front.tif") ||
      !WriteBack(folder + "pattern-back.jpg")) {
    std::fprintf(stderr, "make_patterns: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
