// What crosses between the proxy scanner library and the host process for
// each parameter of an entry, made from scannerlib/entries.h: the kinds,
// their sizes and the shape of every entry.
#ifndef QELSCANNER_WIRE_KINDS_H
#define QELSCANNER_WIRE_KINDS_H

#include <cstddef>
#include <cstdint>

namespace qel::wire {

// The kinds of scannerlib/entries.h, which says what each one is.
enum class Kind : std::uint8_t {
  Int,
  Text,
  Name,
  Chars32,
  Chars256,
  Byte,
  IntOut,
  UintOut,
  DocStatus,
  Image,
  Address
};

enum class ResultKind : std::uint8_t { kInt, kText };

// An image buffer, and the images one call names at most (the full scan's
// four; a scan to memory has two).
constexpr std::uint32_t kImageBytes = 1048576;
constexpr std::uint32_t kImageSlots = 4;
// The longest text that crosses, also the longest text result.
constexpr std::uint32_t kMaxText = 65535;
// The most parameters of an entry (QELScanVirtualEndorsement's).
constexpr std::size_t kMaxParameters = 16;
// The largest output buffer (Chars256; DocStatus is 128 bytes).
constexpr std::uint32_t kMaxBuffer = 256;

// The bytes of an output buffer kind, which cross in and out whole; 0 for
// the other kinds.
constexpr std::uint32_t BufferBytes(Kind kind) {
  switch (kind) {
  case Kind::Chars32:
    return 32;
  case Kind::Chars256:
    return 256;
  case Kind::Byte:
    return 1;
  case Kind::IntOut:
  case Kind::UintOut:
    return 4;
  case Kind::DocStatus:
    return 32 * 4;
  default:
    return 0;
  }
}

struct Entry {
  int ordinal;
  const char *name;
  ResultKind result;
  std::uint8_t count;
  Kind kinds[kMaxParameters];
};

// The entry of that ordinal, or null.
const Entry *FindEntry(std::uint32_t ordinal) noexcept;

} // namespace qel::wire

#endif
