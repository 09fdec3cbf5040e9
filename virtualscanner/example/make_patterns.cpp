// Writes the two test pictures of the example hopper into a folder:
//   pattern-front.tif  1 bit, Group 4, 480 x 220 (a check's shape), dark
//                      top-left and bottom-right quarters, light others
//   pattern-back.jpg   colour, 300 x 300 (square), dark navy left half,
//                      pale yellow right half
// make_patterns FOLDER
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
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, kHeight);
  bool ok = true;
  std::vector<unsigned char> row(kWidth / 8);
  for (int y = 0; y < kHeight && ok; ++y) {
    for (int x = 0; x < kWidth; x += 8) { // 1 = black
      const bool dark = (x < kWidth / 2) == (y < kHeight / 2);
      row[x / 8] = dark ? 0xFF : 0x00;
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
