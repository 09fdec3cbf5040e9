// TIFF through libtiff's client I/O, so pages go to and come from memory
// (the scans need the bytes for "MD:" targets and the length texts).
#include "virtualscanner/tiff.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include <tiffio.h>

#include "virtualscanner/virtual_scanner.h"

namespace vs {

namespace {

// Far above any image here, and within a 32-bit size_t.
constexpr std::uint64_t kMaxStreamBytes = 1ull << 30;

// A TIFF in memory: written into sink, or read from source.
struct Stream {
  std::vector<std::uint8_t> *sink = nullptr;
  const std::uint8_t *source = nullptr;
  std::uint64_t sourceSize = 0;
  std::uint64_t position = 0;
  // Memory ran out in WriteProc: the exception waits until libtiff's
  // frames are left, as none may unwind through C code.
  bool outOfMemory = false;

  const std::uint8_t *data() const { return sink ? sink->data() : source; }
  std::uint64_t size() const { return sink ? sink->size() : sourceSize; }
};

Stream &StreamOf(thandle_t handle) {
  return *reinterpret_cast<Stream *>(handle);
}

tmsize_t ReadProc(thandle_t handle, void *buffer, tmsize_t count) {
  Stream &s = StreamOf(handle);
  if (count <= 0 || s.position >= s.size()) {
    return 0;
  }
  const std::uint64_t n = std::min<std::uint64_t>(
      static_cast<std::uint64_t>(count), s.size() - s.position);
  std::memcpy(buffer, s.data() + s.position, static_cast<std::size_t>(n));
  s.position += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t handle, void *buffer, tmsize_t count) {
  Stream &s = StreamOf(handle);
  if (s.sink == nullptr || count < 0) {
    return -1;
  }
  const std::uint64_t end = s.position + static_cast<std::uint64_t>(count);
  if (end > kMaxStreamBytes) {
    return -1;
  }
  // A seek may have gone past the end.
  if (end > s.sink->size()) {
    try {
      s.sink->resize(static_cast<std::size_t>(end));
    } catch (const std::bad_alloc &) {
      s.outOfMemory = true;
      return -1;
    }
  }
  std::memcpy(s.sink->data() + s.position, buffer,
              static_cast<std::size_t>(count));
  s.position = end;
  return count;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  Stream &s = StreamOf(handle);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) {
    base = s.position;
  } else if (whence == SEEK_END) {
    base = s.size();
  } else if (whence != SEEK_SET) {
    return static_cast<toff_t>(-1);
  }
  // libtiff passes negative relative offsets as their unsigned image.
  const std::uint64_t target = base + offset;
  if (target > kMaxStreamBytes) {
    return static_cast<toff_t>(-1);
  }
  s.position = target;
  return target;
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t handle) { return StreamOf(handle).size(); }

// Reading maps the caller's bytes, so strips are not copied once more.
int MapProc(thandle_t handle, void **base, toff_t *size) {
  Stream &s = StreamOf(handle);
  if (s.sink != nullptr) {
    return 0;
  }
  *base = const_cast<std::uint8_t *>(s.source);
  *size = s.sourceSize;
  return 1;
}

void UnmapProc(thandle_t, void *, toff_t) {}

// libtiff would print to stderr; the result code says enough.
int Quiet(TIFF *, void *, const char *, const char *, va_list) { return 1; }

// Warnings are noted: while rows are decoded one means damaged data (a
// strip cut short is only a warning to the fax decoder); while a
// directory is read, one that was repaired (a tag cut short and dropped),
// except for a tag libtiff does not know, which is merely skipped.
int NoteWarning(TIFF *, void *warned, const char *, const char *format,
                va_list) {
  if (std::strncmp(format, "Unknown field", 13) != 0) {
    *static_cast<bool *>(warned) = true;
  }
  return 1;
}

// A handle on a stream, closed with its scope.
class TiffHandle {
public:
  TiffHandle(Stream &stream, const char *mode) {
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    if (options != nullptr) {
      TIFFOpenOptionsSetErrorHandlerExtR(options, Quiet, nullptr);
      TIFFOpenOptionsSetWarningHandlerExtR(options, NoteWarning, &warned_);
      TIFFOpenOptionsSetMaxSingleMemAlloc(
          options, static_cast<tmsize_t>(kMaxPageBytes + (1u << 20)));
    }
    tif_ = TIFFClientOpenExt(
        "memory", mode, reinterpret_cast<thandle_t>(&stream), ReadProc,
        WriteProc, SeekProc, CloseProc, SizeProc, MapProc, UnmapProc, options);
    if (options != nullptr) {
      TIFFOpenOptionsFree(options);
    }
  }
  ~TiffHandle() {
    if (tif_ != nullptr) {
      TIFFClose(tif_);
    }
  }
  TiffHandle(const TiffHandle &) = delete;
  TiffHandle &operator=(const TiffHandle &) = delete;
  TIFF *get() const { return tif_; }
  bool &warned() { return warned_; }

private:
  TIFF *tif_ = nullptr;
  bool warned_ = false;
};

std::uint16_t TiffCompression(Compression c) {
  switch (c) {
  case Compression::kPackBits:
    return COMPRESSION_PACKBITS;
  case Compression::kGroup3:
    return COMPRESSION_CCITTFAX3;
  case Compression::kGroup4:
    return COMPRESSION_CCITTFAX4;
  case Compression::kLzw:
    return COMPRESSION_LZW;
  case Compression::kDeflate:
    return COMPRESSION_ADOBE_DEFLATE;
  case Compression::kNone:
    break;
  }
  return COMPRESSION_NONE;
}

bool BilevelOnly(Compression c) {
  return c == Compression::kGroup3 || c == Compression::kGroup4;
}

// How a page read in is written again: as it was stored, except that the
// rare modified Huffman (CCITT RLE) becomes Group 4, the fax code of the
// scans.
Compression CompressionOf(std::uint16_t tiff) {
  switch (tiff) {
  case COMPRESSION_PACKBITS:
    return Compression::kPackBits;
  case COMPRESSION_CCITTFAX3:
    return Compression::kGroup3;
  case COMPRESSION_CCITTRLE:
  case COMPRESSION_CCITTFAX4:
    return Compression::kGroup4;
  case COMPRESSION_LZW:
    return Compression::kLzw;
  case COMPRESSION_ADOBE_DEFLATE:
  case COMPRESSION_DEFLATE:
    return Compression::kDeflate;
  default:
    return Compression::kNone;
  }
}

// One page, laid out as check-image exchange files want a bilevel image:
// one strip, min-is-white, fill order 1, orientation 1, resolution in
// inches. Gray pages are min-is-black.
bool WritePage(TIFF *tif, const Image &page, std::size_t index,
               std::size_t count) {
  if (page.width <= 0 || page.height <= 0 || page.width > kMaxSide ||
      page.height > kMaxSide ||
      (page.bitsPerPixel != 1 && page.bitsPerPixel != 8) ||
      (BilevelOnly(page.compression) && page.bitsPerPixel != 1) ||
      page.data.size() !=
          page.stride() * static_cast<std::size_t>(page.height)) {
    return false;
  }
  const bool bilevel = page.bitsPerPixel == 1;
  const double dpi = page.dpi;
  bool ok =
      TIFFSetField(tif, TIFFTAG_SUBFILETYPE,
                   static_cast<std::uint32_t>(count > 1 ? FILETYPE_PAGE : 0)) &&
      TIFFSetField(tif, TIFFTAG_IMAGEWIDTH,
                   static_cast<std::uint32_t>(page.width)) &&
      TIFFSetField(tif, TIFFTAG_IMAGELENGTH,
                   static_cast<std::uint32_t>(page.height)) &&
      TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, page.bitsPerPixel) &&
      TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1) &&
      TIFFSetField(tif, TIFFTAG_COMPRESSION,
                   TiffCompression(page.compression)) &&
      TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                   bilevel ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK) &&
      TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB) &&
      TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
      TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP,
                   static_cast<std::uint32_t>(page.height)) &&
      TIFFSetField(tif, TIFFTAG_XRESOLUTION, dpi) &&
      TIFFSetField(tif, TIFFTAG_YRESOLUTION, dpi) &&
      TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  if (ok && page.compression == Compression::kGroup4) {
    ok =
        TIFFSetField(tif, TIFFTAG_GROUP4OPTIONS, static_cast<std::uint32_t>(0));
  }
  if (ok && page.compression == Compression::kGroup3) {
    ok =
        TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, static_cast<std::uint32_t>(0));
  }
  if (ok && count > 1) {
    ok =
        TIFFSetField(tif, TIFFTAG_PAGENUMBER, static_cast<std::uint16_t>(index),
                     static_cast<std::uint16_t>(count));
  }
  if (!ok) {
    return false;
  }
  // The codec may work in the buffer it is given: hand it a copy.
  std::vector<std::uint8_t> rows = page.data;
  return TIFFWriteEncodedStrip(tif, 0, rows.data(),
                               static_cast<tmsize_t>(rows.size())) >= 0 &&
         TIFFWriteDirectory(tif) != 0;
}

bool ReadableCompression(std::uint16_t compression, std::uint16_t bits) {
  switch (compression) {
  case COMPRESSION_CCITTRLE:
  case COMPRESSION_CCITTFAX3:
  case COMPRESSION_CCITTFAX4:
    if (bits != 1) {
      return false;
    }
    [[fallthrough]];
  case COMPRESSION_NONE:
  case COMPRESSION_PACKBITS:
  case COMPRESSION_LZW:
  case COMPRESSION_ADOBE_DEFLATE:
  case COMPRESSION_DEFLATE:
    return TIFFIsCODECConfigured(compression) != 0;
  default:
    return false;
  }
}

// Reads the current directory's page; pixelBytes counts the rows of the
// pages read so far, so a file of many pages is bounded as a whole.
int ReadPage(TiffHandle &handle, Image &image, std::uint64_t &pixelBytes) {
  TIFF *tif = handle.get();
  std::uint32_t width = 0, height = 0;
  std::uint16_t bits = 1, samples = 1, compression = COMPRESSION_NONE,
                photometric = PHOTOMETRIC_MINISWHITE, unit = RESUNIT_INCH;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) || TIFFIsTiled(tif)) {
    return MIRB_VS_ERR_IMAGE_FORMAT;
  }
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (width == 0 || height == 0 || samples != 1 || (bits != 1 && bits != 8) ||
      (photometric != PHOTOMETRIC_MINISWHITE &&
       photometric != PHOTOMETRIC_MINISBLACK) ||
      !ReadableCompression(compression, bits)) {
    return MIRB_VS_ERR_IMAGE_FORMAT;
  }
  // Rows are allocated before the strips are read: bound them first.
  const std::uint64_t rows = (bits == 1 ? (width + 7) / 8 : width) *
                             static_cast<std::uint64_t>(height);
  if (width > static_cast<std::uint32_t>(kMaxSide) ||
      height > static_cast<std::uint32_t>(kMaxSide) || rows > kMaxPageBytes ||
      rows > kMaxImageBytes - pixelBytes) {
    return MIRB_VS_ERR_TOO_LARGE;
  }
  pixelBytes += rows;

  // Without a resolution a page is taken as the scans make it.
  image = Image::Blank(static_cast<int>(width), static_cast<int>(height), bits,
                       bits == 1 ? 200 : 100);
  image.compression = CompressionOf(compression);
  float resolution = 0;
  if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &resolution) && resolution > 0) {
    const double dpi =
        unit == RESUNIT_CENTIMETER ? resolution * 2.54 : resolution;
    if (dpi >= 1 && dpi <= 10000) {
      image.dpi = static_cast<int>(std::lround(dpi));
    }
  }
  // TIFFReadScanline fills a whole scanline: it must be our row exactly.
  const std::size_t stride = image.stride();
  if (TIFFScanlineSize64(tif) != stride) {
    return MIRB_VS_ERR_IMAGE_FORMAT;
  }
  handle.warned() = false;
  for (std::uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tif, image.data.data() + stride * y, y, 0) < 0 ||
        handle.warned()) {
      return MIRB_VS_ERR_IMAGE_FORMAT;
    }
  }
  // Normalise: bilevel 1 = black (min-is-white), gray 0 = black.
  if ((bits == 1) != (photometric == PHOTOMETRIC_MINISWHITE)) {
    for (std::uint8_t &b : image.data) {
      b = static_cast<std::uint8_t>(~b);
    }
  }
  if (bits == 1 && width % 8 != 0) { // padding bits stay white
    for (std::uint32_t y = 0; y < height; ++y) {
      image.data[stride * y + stride - 1] &=
          static_cast<std::uint8_t>(0xFF << (8 - width % 8));
    }
  }
  return MIRB_VS_OK;
}

} // namespace

int EncodeTiff(const std::vector<Image> &pages,
               std::vector<std::uint8_t> &bytes) {
  bytes.clear();
  if (pages.empty() || pages.size() > kMaxPages) {
    return MIRB_VS_ERR_FILE;
  }
  Stream stream;
  stream.sink = &bytes;
  bool ok = false;
  {
    TiffHandle tif(stream, "wl"); // little-endian, as exchange files want
    ok = tif.get() != nullptr;
    for (std::size_t i = 0; ok && i < pages.size(); ++i) {
      ok = WritePage(tif.get(), pages[i], i, pages.size());
    }
  }
  if (stream.outOfMemory) {
    bytes.clear();
    throw std::bad_alloc();
  }
  if (!ok) {
    bytes.clear();
  }
  return ok ? MIRB_VS_OK : MIRB_VS_ERR_FILE;
}

int DecodeTiff(const std::vector<std::uint8_t> &bytes,
               std::vector<Image> &pages) {
  pages.clear();
  Stream stream;
  stream.source = bytes.data();
  stream.sourceSize = bytes.size();
  TiffHandle tif(stream, "r");
  if (tif.get() == nullptr) {
    return MIRB_VS_ERR_IMAGE_FORMAT;
  }
  std::uint64_t pixelBytes = 0;
  for (;;) {
    if (pages.size() >= kMaxPages) {
      return MIRB_VS_ERR_TOO_LARGE;
    }
    Image image;
    if (const int rc = ReadPage(tif, image, pixelBytes); rc != MIRB_VS_OK) {
      return rc;
    }
    pages.push_back(std::move(image));
    if (TIFFLastDirectory(tif.get())) {
      return MIRB_VS_OK;
    }
    // Fails on a broken or looping directory chain, too.
    if (!TIFFReadDirectory(tif.get())) {
      return MIRB_VS_ERR_IMAGE_FORMAT;
    }
  }
}

namespace {

int Luma(int r, int g, int b) {
  return (299 * r + 587 * g + 114 * b + 500) / 1000;
}

// Whether libtiff's RGBA reader takes this depth of this kind of picture:
// gray of 1, 2, 4, 8 or 16 bits, palettes of up to 8, colour of 8 or 16.
bool RgbaReaderDepth(std::uint16_t photometric, std::uint16_t bits) {
  switch (photometric) {
  case PHOTOMETRIC_MINISWHITE:
  case PHOTOMETRIC_MINISBLACK:
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16;
  case PHOTOMETRIC_PALETTE:
    return bits == 1 || bits == 2 || bits == 4 || bits == 8;
  case PHOTOMETRIC_RGB:
    return bits == 8 || bits == 16;
  default:
    return true; // the reader knows these kinds, or refuses them
  }
}

// The sample at index (counted in samples) of a row of a decoded strip or
// tile: packed most significant bit first whatever the file's byte order,
// except 16-bit samples, which libtiff has put in this machine's order.
std::uint32_t SampleAt(const std::uint8_t *row, std::size_t rowBytes,
                       std::size_t index, int bits) {
  if (bits == 16) {
    std::uint16_t value = 0;
    std::memcpy(&value, row + 2 * index, 2);
    return value;
  }
  const std::size_t bit = index * static_cast<std::size_t>(bits);
  std::uint32_t window = 0; // three bytes hold any sample of up to 16 bits
  for (std::size_t b = bit / 8; b < bit / 8 + 3; ++b) {
    window = window << 8 | (b < rowBytes ? row[b] : 0u);
  }
  return window >> (24 - bit % 8 - static_cast<std::size_t>(bits)) &
         ((1u << bits) - 1);
}

// A picture at a depth libtiff's RGBA reader does not take: gray,
// palette or colour samples of 1 to 16 bits, in strips or tiles, stored
// together or in planes, each strip or tile decoded by libtiff. A sample
// of n bits becomes 8 bits as v * 255 / (2^n - 1), rounded; a palette's
// 16-bit colours their high byte (8-bit ones as they are, as libtiff's
// reader takes them); colours their luma.
int DecodeSamples(TiffHandle &handle, std::uint32_t width, std::uint32_t height,
                  std::uint16_t photometric, std::uint16_t bits, Image &gray) {
  TIFF *tif = handle.get();
  std::uint16_t samples = 1, planar = PLANARCONFIG_CONTIG,
                format = SAMPLEFORMAT_UINT;
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
  const bool colour = photometric == PHOTOMETRIC_RGB;
  const std::uint16_t channels = colour ? 3 : 1; // the samples used
  std::uint16_t *map[3] = {};
  if (bits < 1 || bits > 16 || samples < channels ||
      format != SAMPLEFORMAT_UINT ||
      (photometric == PHOTOMETRIC_PALETTE &&
       !TIFFGetField(tif, TIFFTAG_COLORMAP, &map[0], &map[1], &map[2]))) {
    return MIRB_VS_ERR_IMAGE_FORMAT;
  }
  // Each value a sample can take, as 8-bit gray (colour: each channel).
  const std::uint32_t top = (1u << bits) - 1;
  std::vector<std::uint8_t> level(top + 1);
  bool wideMap = false; // a colour map of 16-bit values, not 8-bit ones
  for (std::uint32_t v = 0; map[0] != nullptr && v <= top; ++v) {
    wideMap = wideMap || map[0][v] > 255 || map[1][v] > 255 || map[2][v] > 255;
  }
  for (std::uint32_t v = 0; v <= top; ++v) {
    const int shift = wideMap ? 8 : 0;
    level[v] = static_cast<std::uint8_t>(
        map[0] != nullptr
            ? Luma(map[0][v] >> shift, map[1][v] >> shift, map[2][v] >> shift)
            : (v * 255 + top / 2) / top);
    if (photometric == PHOTOMETRIC_MINISWHITE) {
      level[v] = static_cast<std::uint8_t>(255 - level[v]);
    }
  }
  const bool tiled = TIFFIsTiled(tif) != 0;
  std::uint32_t blockWidth = width, blockHeight = height;
  if (tiled) {
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &blockWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &blockHeight);
  } else {
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &blockHeight);
    blockHeight = std::min(blockHeight, height);
  }
  const bool planes = planar == PLANARCONFIG_SEPARATE;
  const std::uint16_t inBlock = planes ? 1 : samples; // samples a pixel
  const std::uint64_t rowBytes =
      (static_cast<std::uint64_t>(blockWidth) * inBlock * bits + 7) / 8;
  const std::uint64_t blockBytes = rowBytes * blockHeight;
  if (blockWidth == 0 || blockHeight == 0 ||
      blockBytes != static_cast<std::uint64_t>(tiled ? TIFFTileSize64(tif)
                                                     : TIFFStripSize64(tif))) {
    return MIRB_VS_ERR_IMAGE_FORMAT;
  }
  if (blockBytes > kMaxPageBytes) {
    return MIRB_VS_ERR_TOO_LARGE;
  }
  std::vector<std::uint8_t> block(static_cast<std::size_t>(blockBytes));
  std::vector<std::uint8_t> values(static_cast<std::size_t>(width) * height *
                                   channels);
  handle.warned() = false;
  for (int plane = 0; plane < (planes ? channels : 1); ++plane) {
    for (std::uint32_t y0 = 0; y0 < height; y0 += blockHeight) {
      for (std::uint32_t x0 = 0; x0 < width; x0 += blockWidth) {
        const tmsize_t got =
            tiled ? TIFFReadEncodedTile(
                        tif,
                        TIFFComputeTile(tif, x0, y0, 0,
                                        static_cast<std::uint16_t>(plane)),
                        block.data(), static_cast<tmsize_t>(blockBytes))
                  : TIFFReadEncodedStrip(
                        tif,
                        TIFFComputeStrip(tif, y0,
                                         static_cast<std::uint16_t>(plane)),
                        block.data(), static_cast<tmsize_t>(blockBytes));
        const std::uint32_t rows = std::min(blockHeight, height - y0);
        const std::uint32_t columns = std::min(blockWidth, width - x0);
        // A strip at the foot holds only the rows left.
        if (got < 0 || static_cast<std::uint64_t>(got) < rowBytes * rows ||
            handle.warned()) {
          return MIRB_VS_ERR_IMAGE_FORMAT;
        }
        for (std::uint32_t r = 0; r < rows; ++r) {
          const std::uint8_t *row = block.data() + rowBytes * r;
          for (std::uint32_t c = 0; c < columns; ++c) {
            const std::size_t pixel =
                (static_cast<std::size_t>(y0 + r) * width + x0 + c) * channels;
            for (int s = 0; s < (planes ? 1 : channels); ++s) {
              values[pixel + static_cast<std::size_t>(planes ? plane : s)] =
                  level[SampleAt(row, static_cast<std::size_t>(rowBytes),
                                 static_cast<std::size_t>(c) * inBlock + s,
                                 bits)];
            }
          }
        }
      }
    }
  }
  gray = Image::Blank(static_cast<int>(width), static_cast<int>(height), 8, 0);
  for (std::size_t i = 0; i < gray.data.size(); ++i) {
    const std::uint8_t *v = values.data() + i * channels;
    gray.data[i] =
        static_cast<std::uint8_t>(colour ? Luma(v[0], v[1], v[2]) : v[0]);
  }
  return MIRB_VS_OK;
}

} // namespace

// The first page of a picture in 8-bit gray on white paper: through
// libtiff's RGBA reader (its colours are premultiplied by their alpha)
// at the depths it takes, else sample by sample; refused when libtiff had
// to repair it to read it.
int DecodeTiffGray(const std::vector<std::uint8_t> &bytes, Image &gray) {
  Stream stream;
  stream.source = bytes.data();
  stream.sourceSize = bytes.size();
  TiffHandle handle(stream, "r");
  TIFF *tif = handle.get();
  std::uint32_t width = 0, height = 0;
  std::uint16_t photometric = PHOTOMETRIC_MINISWHITE, bits = 1;
  if (tif == nullptr || !TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) || width == 0 ||
      height == 0) {
    return MIRB_VS_ERR_IMAGE_FORMAT;
  }
  if (width > static_cast<std::uint32_t>(kMaxSide) ||
      height > static_cast<std::uint32_t>(kMaxSide) ||
      4ull * width * height > kMaxPageBytes) {
    return MIRB_VS_ERR_TOO_LARGE;
  }
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  if (!RgbaReaderDepth(photometric, bits)) {
    return DecodeSamples(handle, width, height, photometric, bits, gray);
  }
  char message[1024] = {};
  if (!TIFFRGBAImageOK(tif, message)) {
    return MIRB_VS_ERR_IMAGE_FORMAT;
  }
  std::vector<std::uint32_t> rgba(static_cast<std::size_t>(width) * height);
  if (!TIFFReadRGBAImageOriented(tif, width, height, rgba.data(),
                                 ORIENTATION_TOPLEFT, 1) ||
      handle.warned()) {
    return MIRB_VS_ERR_IMAGE_FORMAT;
  }
  gray = Image::Blank(static_cast<int>(width), static_cast<int>(height), 8, 0);
  for (std::size_t i = 0; i < rgba.size(); ++i) {
    const std::uint32_t p = rgba[i];
    const int luma =
        Luma(static_cast<int>(TIFFGetR(p)), static_cast<int>(TIFFGetG(p)),
             static_cast<int>(TIFFGetB(p)));
    gray.data[i] = static_cast<std::uint8_t>(
        std::min(255, luma + 255 - static_cast<int>(TIFFGetA(p))));
  }
  return MIRB_VS_OK;
}

} // namespace vs
