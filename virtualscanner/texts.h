// Texts: read from callers (at most 255 bytes), written into their
// buffers, and the decimal numbers and lines in them.
#ifndef QELSCANNER_VIRTUALSCANNER_TEXTS_H
#define QELSCANNER_VIRTUALSCANNER_TEXTS_H

#include <cstddef>
#include <string>

namespace vs {

constexpr std::size_t kTextBuffer = 256; // code line, serial, names
constexpr std::size_t kMaxText = kTextBuffer - 1;
constexpr std::size_t kShortText = 32; // length texts, identity texts
constexpr std::size_t kImageBuffer = 1048576;

// Writes text into dst of size bytes, cut to size - 1 and always
// terminated. A null dst is skipped.
void PutText(char *dst, std::size_t size, const std::string &text);
inline void PutInt(int *dst, int value) {
  if (dst != nullptr) {
    *dst = value;
  }
}
// Reads a NUL-terminated text of at most kMaxText bytes; never reads past
// its NUL nor past kMaxText + 1 bytes. Null reads as the empty text.
// False: too long.
bool ReadText(const char *src, std::string &out);

std::string Decimal(long long value);
// A decimal int: an optional minus sign and digits, nothing else. value
// stays as it was unless the whole text is one.
bool ParseInt(const std::string &text, int &value);

// Calls line(text) for each line of a text file, LF or CR LF ended (the
// last may end without), until it answers false: false then, else true.
template <typename Line> bool ForEachLine(const std::string &text, Line line) {
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end;
    const std::size_t cut = end > start && text[end - 1] == '\r' ? 1 : 0;
    if (!line(text.substr(start, end - start - cut))) {
      return false;
    }
    start = end + 1;
  }
  return true;
}

} // namespace vs

#endif
