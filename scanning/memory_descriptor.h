// The text that names pinned storage to the scanner library where a full
// scan would take a file name: "MD:" and the address in decimal.
#ifndef QELSCANNER_SCANNING_MEMORY_DESCRIPTOR_H
#define QELSCANNER_SCANNING_MEMORY_DESCRIPTOR_H

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace qel {

constexpr std::size_t kDescriptorSize = 32;

// The library takes any name that starts so as a descriptor, so a file name
// must not: it would have the library write the image to that address.
constexpr char kDescriptorPrefix[] = "MD:";
inline bool LooksLikeMemoryDescriptor(const char *name) noexcept {
  return std::strncmp(name, kDescriptorPrefix, sizeof kDescriptorPrefix - 1) ==
         0;
}

// A 32-bit address is written with "%u", as the 32-bit Windows library
// expects; a wider one in full, never cut to its low half.
template <typename Address>
void FormatMemoryDescriptor(char (&descriptor)[kDescriptorSize],
                            Address address) noexcept {
  static_assert(std::is_unsigned_v<Address>, "an address is unsigned");
  if constexpr (sizeof(Address) <= sizeof(unsigned)) {
    std::snprintf(descriptor, kDescriptorSize, "MD:%u",
                  static_cast<unsigned>(address));
  } else {
    std::snprintf(descriptor, kDescriptorSize, "MD:%llu",
                  static_cast<unsigned long long>(address));
  }
}

} // namespace qel

#endif
