// The bridge's text buffers: copies of Java strings, log texts, and the
// buffers the scanner library writes its texts into.
#ifndef QELSCANNER_BRIDGE_TEXT_H
#define QELSCANNER_BRIDGE_TEXT_H

#include <cstddef>

namespace qel {

// Every text the bridge builds or copies fits this: 255 bytes and a NUL.
constexpr std::size_t kTextSize = 256;
using Text = char[kTextSize];

// A buffer of N bytes that the scanner library fills with a text; the
// empty text until then. The text is read only through text(), which
// terminates it at its last byte first, so a library that filled the
// buffer up cannot make the bridge read past it.
template <std::size_t N> class LibraryText {
public:
  static_assert(N > 0, "room for the NUL");

  // What the library writes into.
  char *buffer() noexcept { return bytes_; }

  const char *text() noexcept {
    bytes_[N - 1] = '\0';
    return bytes_;
  }

private:
  // Zeros, not "": clang 14 gives the literal of every N the size of the
  // first N it met, and so cleared 256 bytes of a 32-byte buffer.
  char bytes_[N] = {};
};

} // namespace qel

#endif
