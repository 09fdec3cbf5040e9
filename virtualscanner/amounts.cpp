#include "virtualscanner/amounts.h"

#include <string_view>

namespace vs {

namespace {

constexpr std::string_view kUnits[] = {
    "zero",    "one",     "two",       "three",    "four",
    "five",    "six",     "seven",     "eight",    "nine",
    "ten",     "eleven",  "twelve",    "thirteen", "fourteen",
    "fifteen", "sixteen", "seventeen", "eighteen", "nineteen"};
constexpr std::string_view kTens[] = {"",       "",      "twenty", "thirty",
                                      "forty",  "fifty", "sixty",  "seventy",
                                      "eighty", "ninety"};
constexpr std::string_view kGroups[] = {"",        "thousand", "million",
                                        "billion", "trillion", "quadrillion"};
constexpr int kMaxDigits = 18; // cents below 10^18

// 1 to 999 in words, appended to out with a blank before it if needed.
void Hundreds(int n, std::string &out) {
  const auto add = [&out](std::string_view word) {
    if (!out.empty()) {
      out += ' ';
    }
    out += word;
  };
  if (n >= 100) {
    add(kUnits[n / 100]);
    add("hundred");
    n %= 100;
  }
  if (n >= 20) {
    add(kTens[n / 10]);
    if (n % 10 != 0) {
      out += '-';
      out += kUnits[n % 10];
    }
  } else if (n > 0) {
    add(kUnits[n]);
  }
}

std::optional<long long> Digits(std::string_view digits) {
  if (digits.empty() || digits.size() > kMaxDigits) {
    return std::nullopt;
  }
  long long value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = value * 10 + (c - '0');
  }
  return value;
}

} // namespace

std::optional<long long> ParseAmount(const std::string &text) {
  const std::size_t point = text.find('.');
  const std::string_view whole = std::string_view(text).substr(0, point);
  if (whole.size() > kMaxDigits - 2) {
    return std::nullopt;
  }
  const std::optional<long long> dollars = Digits(whole);
  if (point == std::string::npos || !dollars) {
    return dollars ? std::optional<long long>(*dollars * 100) : std::nullopt;
  }
  const std::optional<long long> cents =
      text.size() == point + 3
          ? Digits(std::string_view(text).substr(point + 1))
          : std::nullopt;
  return cents ? std::optional<long long>(*dollars * 100 + *cents)
               : std::nullopt;
}

std::optional<long long> CodeLineAmount(const std::string &codeLine) {
  const std::size_t open = codeLine.find('$');
  const std::size_t close =
      open == std::string::npos ? open : codeLine.find('$', open + 1);
  if (close == std::string::npos) {
    return std::nullopt;
  }
  std::string_view digits =
      std::string_view(codeLine).substr(open + 1, close - open - 1);
  // Leading zeros fill the field; they do not make it longer.
  while (digits.size() > 1 && digits.front() == '0') {
    digits.remove_prefix(1);
  }
  return Digits(digits);
}

std::string AmountInFigures(long long cents) {
  std::string dollars = std::to_string(cents / 100);
  for (int at = static_cast<int>(dollars.size()) - 3; at > 0; at -= 3) {
    dollars.insert(static_cast<std::size_t>(at), ",");
  }
  const int rest = static_cast<int>(cents % 100);
  return dollars + (rest < 10 ? ".0" : ".") + std::to_string(rest);
}

std::string AmountInWords(long long cents) {
  long long dollars = cents / 100;
  std::string words;
  if (dollars == 0) {
    words = kUnits[0];
  }
  // Groups of three digits, from the highest that holds any.
  long long scale = 1;
  int group = 0;
  while (dollars / scale >= 1000) {
    scale *= 1000;
    ++group;
  }
  for (; group >= 0; --group, scale /= 1000) {
    const int n = static_cast<int>(dollars / scale);
    dollars %= scale;
    if (n != 0) {
      Hundreds(n, words);
      if (group > 0) {
        words += ' ';
        words += kGroups[group];
      }
    }
  }
  words[0] = static_cast<char>(words[0] - 'a' + 'A');
  const int rest = static_cast<int>(cents % 100);
  return words + " and " + (rest < 10 ? "0" : "") + std::to_string(rest) +
         "/100";
}

bool DecideAmounts(const std::string &codeLine,
                   const std::optional<std::string> &amount,
                   const std::optional<std::string> &words,
                   std::string &figures, std::string &legal) {
  const std::optional<long long> cents = !amount ? CodeLineAmount(codeLine)
                                         : amount->empty()
                                             ? std::nullopt
                                             : ParseAmount(*amount);
  if (amount && !amount->empty() && !cents) {
    return false;
  }
  figures = cents ? AmountInFigures(*cents) : std::string();
  legal = words ? *words : cents ? AmountInWords(*cents) : std::string();
  return true;
}

} // namespace vs
