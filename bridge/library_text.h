// Texts from the scanner library on their way to Java. NewStringUTF takes
// modified UTF-8 only (C0 80 for U+0000, a character beyond U+FFFF as two
// three-byte surrogates, no other overlong form) and leaves anything else
// undefined; a library may hand back standard UTF-8, its ANSI code page or
// stray bytes, so such a text is made modified UTF-8 first.
#ifndef QELSCANNER_BRIDGE_LIBRARY_TEXT_H
#define QELSCANNER_BRIDGE_LIBRARY_TEXT_H

#include <cstddef>

#include "bridge/text.h"

namespace qel {

// Room for any text of 255 bytes, made modified UTF-8: no byte becomes
// more than three.
constexpr std::size_t kJavaTextSize = 3 * (kTextSize - 1) + 1;
using JavaText = char[kJavaTextSize];

// `text` as modified UTF-8. A text that is so already is returned itself,
// byte for byte. Otherwise, decided for the whole text, its form is
// written into `buffer` and `buffer` returned: a text of standard UTF-8
// with each four-byte sequence as a surrogate pair; any other text read
// in the ANSI code page on Windows, and elsewhere with each byte of an
// invalid sequence as U+FFFD. What does not fit the buffer is cut after
// the last whole character that does, and `cut` set.
const char *ToModifiedUtf8(const char *text, JavaText &buffer,
                           bool &cut) noexcept;

} // namespace qel

#endif
