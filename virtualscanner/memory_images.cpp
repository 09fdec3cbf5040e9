// The memory image header, and where images were placed.
#include "virtualscanner/memory_images.h"

#include "scannerlib/mirbap32.h"
#include "virtualscanner/guard.h"

using namespace vs;

namespace {

void Put16(std::vector<std::uint8_t> &b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t> &b, std::uint32_t v) {
  Put16(b, static_cast<std::uint16_t>(v));
  Put16(b, static_cast<std::uint16_t>(v >> 16));
}

} // namespace

std::vector<std::uint8_t>
vs::EncodeMemoryImage(const Image &image, int format,
                      const std::vector<std::uint8_t> &stream) {
  std::vector<std::uint8_t> b;
  b.reserve(MIRB_VS_MEMORY_HEADER_BYTES + stream.size());
  Put16(b, static_cast<std::uint16_t>(image.width));
  Put16(b, static_cast<std::uint16_t>(image.height));
  Put16(b, static_cast<std::uint16_t>(image.bitsPerPixel));
  Put16(b, static_cast<std::uint16_t>(image.dpi));
  Put16(b, MIRB_VS_MEMORY_HEADER_BYTES);
  Put16(b, static_cast<std::uint16_t>(format));
  Put32(b, static_cast<std::uint32_t>(stream.size()));
  b.insert(b.end(), stream.begin(), stream.end());
  return b;
}

void vs::PlaceImage(State &st, const void *address, int length) {
  const auto key = reinterpret_cast<std::uintptr_t>(address);
  for (auto it = st.placedImages.begin(); it != st.placedImages.end(); ++it) {
    if (it->first == key) {
      st.placedImages.erase(it);
      break;
    }
  }
  st.placedImages.emplace_back(key, length);
  constexpr std::size_t kRemembered = 64; // the newest ones are asked for
  if (st.placedImages.size() > kRemembered) {
    st.placedImages.pop_front();
  }
}

int MIRB_CALL QELGetMemoryImageLength(const unsigned char *address) {
  return Guarded([&] {
    State &st = TheState();
    Guard guard(st.mutex);
    if (address == nullptr) {
      return MIRB_VS_ERR_BAD_ARGUMENT;
    }
    const auto key = reinterpret_cast<std::uintptr_t>(address);
    for (const auto &placed : st.placedImages) {
      if (placed.first == key) {
        return placed.second;
      }
    }
    return MIRB_VS_ERR_UNKNOWN_ADDRESS;
  });
}
