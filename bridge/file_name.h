// File names for the scanner library. On Windows it opens files through the
// ANSI code page, so a Java string naming a file reaches it in that code
// page, or not at all: a name the code page cannot spell would open a
// different file. Elsewhere names reach it in standard UTF-8, as a UTF-8
// locale spells them on disk: modified UTF-8 would give a character beyond
// U+FFFF as two three-byte surrogates, a name no file has.
#ifndef QELSCANNER_BRIDGE_FILE_NAME_H
#define QELSCANNER_BRIDGE_FILE_NAME_H

#include <cstddef>

#include "bridge/log.h"

namespace qel {

// Decodes modified UTF-8 (one to three bytes for each UTF-16 unit, as Java
// gives it) into UTF-16 units. False for a malformed sequence or more than
// `capacity` units.
bool DecodeModifiedUtf8(const char *text, char16_t *units, std::size_t capacity,
                        std::size_t &count) noexcept;

// Spells `count` UTF-16 units in a code page: returns the bytes it takes
// and writes them when `out` has room for them; `representable` false
// when some unit has no spelling there.
using CodePageEncoder = int (*)(const char16_t *units, int count, char *out,
                                int size, bool &representable) noexcept;

enum class FileNameResult { kOk, kUnrepresentable, kTooLong };

// The file name `modifiedUtf8` in the encoder's code page, terminated, at
// most 255 bytes. A NUL inside the name is unrepresentable.
FileNameResult EncodeFileName(const char *modifiedUtf8, Text &out,
                              CodePageEncoder encoder) noexcept;

// Standard UTF-8: a surrogate pair as its four-byte sequence; an unpaired
// surrogate is unrepresentable.
int StandardUtf8Encoder(const char16_t *units, int count, char *out, int size,
                        bool &representable) noexcept;

#if defined(_WIN32)
// The Windows ANSI code page, without best-fit substitutes.
int AnsiCodePageEncoder(const char16_t *units, int count, char *out, int size,
                        bool &representable) noexcept;
#endif

} // namespace qel

#endif
