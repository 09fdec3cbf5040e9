// Gray JFIF JPEGs through libjpeg, into memory. Kept apart from the TIFF
// code: on Windows libtiff's header may bring in windows.h, whose boolean
// clashes with libjpeg's.
#include "virtualscanner/jpeg.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

#include "virtualscanner/image.h"
#include "virtualscanner/virtual_scanner.h"

namespace vs {

namespace {

// A progressive JPEG takes a pass over all its coefficients for every
// scan: one of many scans costs minutes. libjpeg's own progressive
// scripts use 6 (gray) and 10 (colour).
constexpr int kMaxScans = 100;

// libjpeg's default error handler ends the process; ours jumps back,
// noting whether libjpeg's memory ran out.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf escape;
  bool outOfMemory;
};

void OnError(j_common_ptr info) {
  ErrorManager *errors = reinterpret_cast<ErrorManager *>(info->err);
  errors->outOfMemory = errors->base.msg_code == JERR_OUT_OF_MEMORY;
  std::longjmp(errors->escape, 1);
}

// Called between the scans a progressive image is read with, as djpeg's
// -maxscans does: a file of more scans is refused before they are read.
void LimitScans(j_common_ptr info) {
  const auto *decompress = reinterpret_cast<j_decompress_ptr>(info);
  if (decompress->input_scan_number > kMaxScans) {
    ERREXIT(info, JERR_NOT_COMPILED); // any error: the file is refused
  }
}

void OnMessage(j_common_ptr) {}

// libjpeg only warns about data cut short or corrupt, and goes on with
// gray; such a file is refused, so at its first warning, before the rest
// of it is decoded for nothing.
void OnWarning(j_common_ptr info, int level) {
  if (level < 0) {
    info->err->error_exit(info);
  }
}

// A growing malloc'ed buffer: its owner frees data whatever happened, so
// a jump out of the middle of a write loses nothing (jpeg_mem_dest's
// buffer could not be freed safely then).
struct Sink {
  jpeg_destination_mgr base;
  unsigned char *data;
  std::size_t capacity;
  std::size_t size;
};

void SinkInit(j_compress_ptr info) {
  Sink *sink = reinterpret_cast<Sink *>(info->dest);
  sink->capacity = 65536;
  sink->data = static_cast<unsigned char *>(std::malloc(sink->capacity));
  if (sink->data == nullptr) {
    ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
  }
  sink->base.next_output_byte = sink->data;
  sink->base.free_in_buffer = sink->capacity;
}

boolean SinkGrow(j_compress_ptr info) {
  Sink *sink = reinterpret_cast<Sink *>(info->dest);
  const std::size_t capacity = sink->capacity * 2;
  void *grown = std::realloc(sink->data, capacity);
  if (grown == nullptr) {
    ERREXIT1(info, JERR_OUT_OF_MEMORY, 1);
  }
  sink->data = static_cast<unsigned char *>(grown);
  // A full buffer was handed over: the old capacity is all in use.
  sink->base.next_output_byte = sink->data + sink->capacity;
  sink->base.free_in_buffer = capacity - sink->capacity;
  sink->capacity = capacity;
  return TRUE;
}

void SinkTerm(j_compress_ptr info) {
  Sink *sink = reinterpret_cast<Sink *>(info->dest);
  sink->size = sink->capacity - sink->base.free_in_buffer;
}

// Only C objects live in this frame, so the jump skips no destructor.
// Memory running out is thrown once libjpeg's frames are left.
bool Compress(const Image &image, int quality, Sink *sink) {
  jpeg_compress_struct info;
  ErrorManager errors;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnError;
  errors.base.output_message = OnMessage;
  errors.outOfMemory = false;
  if (setjmp(errors.escape) != 0) {
    jpeg_destroy_compress(&info);
    if (errors.outOfMemory) {
      throw std::bad_alloc();
    }
    return false;
  }
  jpeg_create_compress(&info);
  sink->base.init_destination = SinkInit;
  sink->base.empty_output_buffer = SinkGrow;
  sink->base.term_destination = SinkTerm;
  info.dest = &sink->base;
  info.image_width = static_cast<JDIMENSION>(image.width);
  info.image_height = static_cast<JDIMENSION>(image.height);
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  info.write_JFIF_header = TRUE;
  info.density_unit = 1; // dots per inch
  info.X_density = static_cast<UINT16>(image.dpi);
  info.Y_density = static_cast<UINT16>(image.dpi);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    // libjpeg only reads the rows, but takes them as non-const.
    JSAMPROW row = const_cast<JSAMPROW>(image.data.data() +
                                        image.stride() * info.next_scanline);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

// Into image, which the caller owns: only C objects live in this frame.
// Memory running out is thrown once libjpeg's frames are left.
int Decompress(const std::vector<std::uint8_t> &bytes, Image *image,
               bool anyColour) {
  jpeg_decompress_struct info;
  ErrorManager errors;
  jpeg_progress_mgr progress;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnError;
  errors.base.output_message = OnMessage;
  errors.base.emit_message = OnWarning;
  errors.outOfMemory = false;
  progress.progress_monitor = LimitScans;
  if (setjmp(errors.escape) != 0) {
    jpeg_destroy_decompress(&info);
    if (errors.outOfMemory) {
      throw std::bad_alloc();
    }
    return MIRB_VS_ERR_IMAGE_FORMAT;
  }
  jpeg_create_decompress(&info);
  info.progress = &progress;
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  int rc = MIRB_VS_OK;
  const bool gray =
      info.num_components == 1 && info.jpeg_color_space == JCS_GRAYSCALE;
  const bool colour =
      info.num_components == 3 &&
      (info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_RGB);
  if (!(gray || (anyColour && colour)) || info.data_precision != 8) {
    rc = MIRB_VS_ERR_IMAGE_FORMAT;
  } else if (info.image_width > static_cast<JDIMENSION>(kMaxSide) ||
             info.image_height > static_cast<JDIMENSION>(kMaxSide) ||
             // libjpeg may hold a progressive colour image's three planes.
             static_cast<std::uint64_t>(info.image_width) * info.image_height *
                     (gray ? 1 : 4) >
                 kMaxPageBytes) {
    rc = MIRB_VS_ERR_TOO_LARGE;
  }
  if (rc != MIRB_VS_OK) {
    jpeg_destroy_decompress(&info);
    return rc;
  }
  // Without a plausible density in inches or centimetres: the gray scans'
  // 100 dpi, as the TIFF reader does.
  double dpi = 100;
  if (info.saw_JFIF_marker &&
      (info.density_unit == 1 || info.density_unit == 2)) {
    const double given =
        info.density_unit == 1 ? info.X_density : info.X_density * 2.54;
    if (given >= 1 && given <= 10000) {
      dpi = given;
    }
  }
  image->width = static_cast<int>(info.image_width);
  image->height = static_cast<int>(info.image_height);
  image->bitsPerPixel = 8;
  image->dpi = static_cast<int>(std::lround(dpi));
  image->compression = Compression::kNone;
  try {
    image->data.assign(
        image->stride() * static_cast<std::size_t>(image->height), 0);
  } catch (...) {
    jpeg_destroy_decompress(&info);
    throw;
  }
  info.out_color_space = JCS_GRAYSCALE;
  jpeg_start_decompress(&info);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image->data.data() + image->stride() * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return MIRB_VS_OK;
}

} // namespace

int DecodeJpeg(const std::vector<std::uint8_t> &bytes, Image &image,
               bool anyColour) {
  image = Image{};
  const int rc = Decompress(bytes, &image, anyColour);
  if (rc != MIRB_VS_OK) {
    image = Image{};
  }
  return rc;
}

int EncodeJpeg(const Image &image, std::vector<std::uint8_t> &bytes,
               int quality) {
  bytes.clear();
  if (quality < 1 || quality > 100 || image.bitsPerPixel != 8 ||
      image.width <= 0 || image.height <= 0 || image.width > 65535 ||
      image.height > 65535 || image.dpi <= 0 || image.dpi > 65535 ||
      image.data.size() !=
          image.stride() * static_cast<std::size_t>(image.height)) {
    return MIRB_VS_ERR_FILE;
  }
  Sink sink = {};
  struct Freed { // whatever happens, memory running out included
    Sink &sink;
    ~Freed() { std::free(sink.data); }
  } freed{sink};
  const bool ok = Compress(image, quality, &sink);
  if (ok) {
    bytes.assign(sink.data, sink.data + sink.size);
  }
  return ok ? MIRB_VS_OK : MIRB_VS_ERR_FILE;
}

} // namespace vs
