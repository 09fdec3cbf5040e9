#include "virtualscanner/environment.h"

#include <charconv>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <system_error>

namespace vs {

std::optional<long long> EnvNumber(const char *name) {
  const char *text = std::getenv(name);
  if (text == nullptr) {
    return std::nullopt;
  }
  // Read as strtoll reads: white space and one plus sign may come first.
  std::string_view digits(text);
  const std::size_t start = digits.find_first_not_of(" \t\n\v\f\r");
  if (start == std::string_view::npos) {
    return std::nullopt;
  }
  digits.remove_prefix(start);
  if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') {
    digits.remove_prefix(1);
  }
  const char *end = digits.data() + digits.size();
  long long value = 0;
  const auto [at, error] = std::from_chars(digits.data(), end, value);
  if (error != std::errc() || at != end) {
    return std::nullopt;
  }
  return value;
}

std::string EnvText(const char *name, const char *unset) {
  const char *text = std::getenv(name);
  return text != nullptr ? text : unset;
}

std::optional<int> EnvInt(const char *name) {
  const std::optional<long long> value = EnvNumber(name);
  if (!value || *value < INT_MIN || *value > INT_MAX) {
    return std::nullopt;
  }
  return static_cast<int>(*value);
}

} // namespace vs
