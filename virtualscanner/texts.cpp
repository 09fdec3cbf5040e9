#include "virtualscanner/texts.h"

#include <charconv>
#include <cstring>
#include <system_error>

namespace vs {

void PutText(char *dst, std::size_t size, const std::string &text) {
  if (dst == nullptr || size == 0) {
    return;
  }
  const std::size_t n = text.size() < size ? text.size() : size - 1;
  std::memcpy(dst, text.data(), n);
  dst[n] = '\0';
}

bool ReadText(const char *src, std::string &out) {
  out.clear();
  if (src == nullptr) {
    return true;
  }
  std::size_t n = 0;
  while (n <= kMaxText && src[n] != '\0') {
    ++n;
  }
  if (n > kMaxText) {
    return false;
  }
  out.assign(src, n);
  return true;
}

std::string Decimal(long long value) { return std::to_string(value); }

bool ParseInt(const std::string &text, int &value) {
  const char *end = text.data() + text.size();
  int parsed = 0;
  const auto [at, error] = std::from_chars(text.data(), end, parsed);
  if (error != std::errc() || at != end) {
    return false;
  }
  value = parsed;
  return true;
}

} // namespace vs
