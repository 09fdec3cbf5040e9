// The diagnostic log: two text files, each written only while it exists.
#ifndef QELSCANNER_BRIDGE_LOG_H
#define QELSCANNER_BRIDGE_LOG_H

#include <cstddef>

#include "bridge/text.h"

namespace qel {

struct LocalTime {
  int year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
  int millisecond;
};

LocalTime ReadLocalTime() noexcept;

const char *InfoLogPath() noexcept;
const char *ErrorLogPath() noexcept;

// True when a file-status query succeeds; a directory of that name counts.
bool FileExists(const char *path) noexcept;

// One entry each, to the file(s) that exist at this moment. Texts longer
// than 255 characters are cut.
void LogInfo(const char *text) noexcept;
void LogError(const char *text) noexcept;
// Both files, stamped with one reading of the clock.
void LogBoth(const char *text) noexcept;

// Bounded printf into a text buffer; a longer result is cut at 255
// characters. Returns the length written.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
int FormatText(Text &buffer, const char *format, ...) noexcept;

// How exports trace a value: FormatText into a text buffer of its own,
// then LogInfo.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void LogInfoFormatted(const char *format, ...) noexcept;

// Bounded copy into a text buffer; a longer source is cut at 255 bytes.
void CopyText(Text &destination, const char *source) noexcept;

// Dumps `length` bytes into the information log under the label "    "
// `label`: one line per 16 bytes, "   " the offset as four hex digits, two
// blanks, then 50 characters (the bytes in upper-case hex, two blanks and
// the bytes as text, '.' for those outside 0x20 to 0x7E).
void LogHexDump(int length, const unsigned char *data,
                const char *label) noexcept;

// The entry as it is appended, line break first. Exposed for tests.
int FormatLogEntry(char *out, std::size_t size, const LocalTime &time,
                   const char *text) noexcept;

// `entry` with every line feed written as CR LF, as a Windows text file has
// it, into `out` of `size` bytes (twice the entry's length and one more
// always suffice); returns the length. Exposed for tests.
std::size_t ToCrLf(const char *entry, char *out, std::size_t size) noexcept;

} // namespace qel

#endif
