// Image files of either kind, read whole and decoded.
#include "virtualscanner/image_files.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "virtualscanner/files.h"
#include "virtualscanner/jpeg.h"
#include "virtualscanner/tiff.h"
#include "virtualscanner/virtual_scanner.h"

namespace vs {

namespace {

bool IsJpeg(const std::vector<std::uint8_t> &bytes) {
  return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 &&
         bytes[2] == 0xFF;
}

} // namespace

int DecodeImage(const std::vector<std::uint8_t> &bytes,
                std::vector<Image> &pages, FileFormat &format) {
  pages.clear();
  auto startsWith = [&bytes](std::initializer_list<std::uint8_t> magic) {
    return bytes.size() >= magic.size() &&
           std::equal(magic.begin(), magic.end(), bytes.begin());
  };
  // Classic and BigTIFF, either byte order.
  if (startsWith({'I', 'I', 42, 0}) || startsWith({'M', 'M', 0, 42}) ||
      startsWith({'I', 'I', 43, 0}) || startsWith({'M', 'M', 0, 43})) {
    format = FileFormat::kTiff;
    return DecodeTiff(bytes, pages);
  }
  if (IsJpeg(bytes)) {
    format = FileFormat::kJpeg;
    Image image;
    if (const int rc = DecodeJpeg(bytes, image); rc != MIRB_VS_OK) {
      return rc;
    }
    pages.push_back(std::move(image));
    return MIRB_VS_OK;
  }
  return MIRB_VS_ERR_IMAGE_FORMAT;
}

int ReadImageFile(const std::string &name, std::vector<Image> &pages,
                  FileFormat &format) {
  pages.clear();
  std::vector<std::uint8_t> bytes;
  if (const int rc = ReadWholeFile(name, bytes, kMaxFileBytes);
      rc != MIRB_VS_OK) {
    return rc;
  }
  return DecodeImage(bytes, pages, format);
}

int DecodePicture(const std::vector<std::uint8_t> &bytes, Image &gray) {
  gray = Image{};
  return IsJpeg(bytes) ? DecodeJpeg(bytes, gray, true)
                       : DecodeTiffGray(bytes, gray);
}

int ReadPictureFile(const std::string &name, Image &gray) {
  gray = Image{};
  std::vector<std::uint8_t> bytes;
  if (const int rc = ReadWholeFile(name, bytes, kMaxFileBytes);
      rc != MIRB_VS_OK) {
    return rc;
  }
  return DecodePicture(bytes, gray);
}

} // namespace vs
