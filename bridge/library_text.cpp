#include "bridge/library_text.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace qel {
namespace {

bool Continuation(unsigned char byte) noexcept { return (byte & 0xC0) == 0x80; }

// One sequence at the start of a text: its length, 0 for a byte that
// begins none, and which of the two forms allow it. A test stops at the
// first byte that is no continuation, so the terminating NUL is never
// passed.
struct Sequence {
  std::size_t length;
  bool modified;
  bool standard;
};

Sequence ReadSequence(const unsigned char *p) noexcept {
  const unsigned char lead = p[0];
  if (lead < 0x80) {
    return {1, true, true};
  }
  if (lead == 0xC0 && p[1] == 0x80) {
    return {2, true, false}; // U+0000, the one overlong form JNI takes
  }
  if (lead >= 0xC2 && lead <= 0xDF && Continuation(p[1])) {
    return {2, true, true};
  }
  if ((lead & 0xF0) == 0xE0 && Continuation(p[1]) && Continuation(p[2]) &&
      (lead != 0xE0 || p[1] >= 0xA0)) {
    const bool surrogate = lead == 0xED && p[1] >= 0xA0;
    return {3, true, !surrogate};
  }
  if (lead >= 0xF0 && lead <= 0xF4 && Continuation(p[1]) &&
      Continuation(p[2]) && Continuation(p[3]) &&
      (lead != 0xF0 || p[1] >= 0x90) && (lead != 0xF4 || p[1] < 0x90)) {
    return {4, false, true}; // U+10000 to U+10FFFF
  }
  return {0, false, false};
}

enum class Form { kModified, kStandard, kNeither };

Form Classify(const unsigned char *p) noexcept {
  bool modified = true;
  bool standard = true;
  while (*p != 0) {
    if (*p < 0x80) {
      ++p; // code lines are ASCII: the common case first
      continue;
    }
    const Sequence sequence = ReadSequence(p);
    if (sequence.length == 0) {
      return Form::kNeither;
    }
    modified = modified && sequence.modified;
    standard = standard && sequence.standard;
    p += sequence.length;
  }
  return modified   ? Form::kModified
         : standard ? Form::kStandard
                    : Form::kNeither;
}

// Whole characters appended to the buffer, always terminated, while they
// fit; the first that does not ends the text.
class Output {
public:
  explicit Output(JavaText &buffer) noexcept : buffer_(buffer) {
    buffer_[0] = '\0';
  }

  bool Put(const void *bytes, std::size_t count) noexcept {
    if (cut_ || count > kJavaTextSize - 1 - length_) {
      cut_ = true;
      return false;
    }
    std::memcpy(buffer_ + length_, bytes, count);
    length_ += count;
    buffer_[length_] = '\0';
    return true;
  }

  // One character of one or two UTF-16 units, each unit as one to three
  // bytes of modified UTF-8.
  bool PutUnits(const char16_t *units, std::size_t count) noexcept {
    unsigned char bytes[6];
    std::size_t length = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const unsigned unit = units[i];
      if (unit != 0 && unit < 0x80) {
        bytes[length++] = static_cast<unsigned char>(unit);
      } else if (unit < 0x800) {
        bytes[length++] = static_cast<unsigned char>(0xC0 | (unit >> 6));
        bytes[length++] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
      } else {
        bytes[length++] = static_cast<unsigned char>(0xE0 | (unit >> 12));
        bytes[length++] =
            static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
        bytes[length++] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
      }
    }
    return Put(bytes, length);
  }

  void MarkCut() noexcept { cut_ = true; }
  bool cut() const noexcept { return cut_; }

private:
  JavaText &buffer_;
  std::size_t length_ = 0;
  bool cut_ = false;
};

// Every sequence either form allows is kept, a four-byte one as its
// surrogate pair; each other byte becomes U+FFFD.
void Recode(const unsigned char *p, Output &out) noexcept {
  constexpr char16_t kReplacement = 0xFFFD;
  while (*p != 0) {
    const Sequence sequence = ReadSequence(p);
    bool fits;
    if (sequence.length == 0) {
      fits = out.PutUnits(&kReplacement, 1);
      p += 1;
    } else if (sequence.length < 4) {
      fits = out.Put(p, sequence.length);
      p += sequence.length;
    } else {
      const unsigned offset = ((p[0] & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 |
                               (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu)) -
                              0x10000u;
      const char16_t pair[] = {
          static_cast<char16_t>(0xD800 | (offset >> 10)),
          static_cast<char16_t>(0xDC00 | (offset & 0x3FF))};
      fits = out.PutUnits(pair, 2);
      p += 4;
    }
    if (!fits) {
      return;
    }
  }
}

#if defined(_WIN32)
// The whole text read in the ANSI code page, as the maker's library writes
// it. At most as many bytes as the buffer holds are read: none gives more
// than one unit, nor a unit more than three bytes.
void RecodeAnsi(const char *text, Output &out) noexcept {
  constexpr int kMaxBytes = static_cast<int>(kJavaTextSize - 1);
  int length = 0;
  while (length < kMaxBytes && text[length] != '\0') {
    ++length;
  }
  wchar_t units[kJavaTextSize - 1];
  int count = MultiByteToWideChar(CP_ACP, 0, text, length, units, kMaxBytes);
  if (count <= 0) {
    Recode(reinterpret_cast<const unsigned char *>(text), out);
    return;
  }
  const bool longer = text[length] != '\0';
  if (longer) {
    --count; // its last unit may be half a character
  }
  for (int i = 0; i < count; ++i) {
    const char16_t next[] = {
        static_cast<char16_t>(units[i]),
        static_cast<char16_t>(i + 1 < count ? units[i + 1] : 0)};
    const bool pair = next[0] >= 0xD800 && next[0] < 0xDC00 &&
                      next[1] >= 0xDC00 && next[1] < 0xE000;
    if (!out.PutUnits(next, pair ? 2 : 1)) {
      return;
    }
    i += pair ? 1 : 0;
  }
  if (longer) {
    out.MarkCut();
  }
}
#endif

} // namespace

const char *ToModifiedUtf8(const char *text, JavaText &buffer,
                           bool &cut) noexcept {
  cut = false;
  const auto *bytes = reinterpret_cast<const unsigned char *>(text);
  const Form form = Classify(bytes);
  if (form == Form::kModified) {
    return text;
  }
  Output out(buffer);
#if defined(_WIN32)
  if (form == Form::kNeither) {
    RecodeAnsi(text, out);
  } else {
    Recode(bytes, out);
  }
#else
  Recode(bytes, out);
#endif
  cut = out.cut();
  return buffer;
}

} // namespace qel
