#include "bridge/file_name.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace qel {

bool DecodeModifiedUtf8(const char *text, char16_t *units, std::size_t capacity,
                        std::size_t &count) noexcept {
  const auto *p = reinterpret_cast<const unsigned char *>(text);
  const auto continuation = [](unsigned char c) { return (c & 0xC0) == 0x80; };
  count = 0;
  while (*p != 0) {
    char16_t unit;
    if (p[0] < 0x80) {
      unit = p[0];
      p += 1;
    } else if ((p[0] & 0xE0) == 0xC0 && continuation(p[1])) {
      unit = static_cast<char16_t>((p[0] & 0x1F) << 6 | (p[1] & 0x3F));
      p += 2;
    } else if ((p[0] & 0xF0) == 0xE0 && continuation(p[1]) &&
               continuation(p[2])) {
      unit = static_cast<char16_t>((p[0] & 0x0F) << 12 | (p[1] & 0x3F) << 6 |
                                   (p[2] & 0x3F));
      p += 3;
    } else {
      return false;
    }
    if (count == capacity) {
      return false;
    }
    units[count++] = unit;
  }
  return true;
}

FileNameResult EncodeFileName(const char *modifiedUtf8, Text &out,
                              CodePageEncoder encoder) noexcept {
  // Every unit takes at least one byte, so more than 255 cannot fit.
  char16_t units[kTextSize];
  std::size_t count = 0;
  if (!DecodeModifiedUtf8(modifiedUtf8, units, kTextSize, count)) {
    return count == kTextSize ? FileNameResult::kTooLong
                              : FileNameResult::kUnrepresentable;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (units[i] == 0) {
      return FileNameResult::kUnrepresentable; // Java's encoded NUL
    }
  }
  bool representable = true;
  const int needed =
      encoder(units, static_cast<int>(count), nullptr, 0, representable);
  if (!representable || needed < 0) {
    return FileNameResult::kUnrepresentable;
  }
  if (needed >= static_cast<int>(kTextSize)) {
    return FileNameResult::kTooLong;
  }
  encoder(units, static_cast<int>(count), out, needed, representable);
  out[needed] = '\0';
  return FileNameResult::kOk;
}

int StandardUtf8Encoder(const char16_t *units, int count, char *out, int size,
                        bool &representable) noexcept {
  const auto isLow = [](char32_t unit) {
    return unit >= 0xDC00 && unit < 0xE000;
  };
  representable = true;
  int length = 0;
  for (int i = 0; i < count; ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c < 0xE000) {
      if (isLow(c) || i + 1 == count || !isLow(units[i + 1])) {
        representable = false;
        return -1;
      }
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    }
    const int n = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    if (out != nullptr && length + n <= size) {
      // The lead byte's marker bits, then six bits in each continuation.
      constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
      for (int k = n - 1; k > 0; --k) {
        out[length + k] = static_cast<char>(0x80 | (c & 0x3F));
        c >>= 6;
      }
      out[length] = static_cast<char>(kLead[n] | c);
    }
    length += n;
  }
  return length;
}

#if defined(_WIN32)
int AnsiCodePageEncoder(const char16_t *units, int count, char *out, int size,
                        bool &representable) noexcept {
  if (count == 0) {
    representable = true;
    return 0;
  }
  // A UTF-8 system code page spells everything, and takes neither the
  // best-fit flag nor the default-character report.
  const bool utf8 = GetACP() == CP_UTF8;
  BOOL usedDefault = FALSE;
  const int bytes = WideCharToMultiByte(
      CP_ACP, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS,
      reinterpret_cast<const wchar_t *>(units), count, out, size, nullptr,
      utf8 ? nullptr : &usedDefault);
  representable = bytes > 0 && !usedDefault;
  return bytes;
}
#endif

} // namespace qel
