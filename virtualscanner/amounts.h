// Amounts as a check shows them: in figures in the box and in words on the
// line above "DOLLARS", decided once when the hopper is read.
#ifndef QELSCANNER_VIRTUALSCANNER_AMOUNTS_H
#define QELSCANNER_VIRTUALSCANNER_AMOUNTS_H

#include <optional>
#include <string>

namespace vs {

// Cents from "1234.56" or "1234": one to 16 digits, then optionally a
// point and two digits; none for anything else.
std::optional<long long> ParseAmount(const std::string &text);

// Cents from a code line's amount field ("$0000012500$": 12500); none
// when it has no such field of digits, or one too long to count.
std::optional<long long> CodeLineAmount(const std::string &codeLine);

// The amount in figures with thousands separated: "1,234.56".
std::string AmountInFigures(long long cents);

// The amount as a person writes it out: "One thousand two hundred
// thirty-four and 56/100". Below 10^18 cents.
std::string AmountInWords(long long cents);

// A document's two amounts from the hopper's amount and words keys (none:
// not given): the box shows the amount key's, else the code line's field
// (empty: none); the words are as given, else written out from the box.
// False when the amount key is malformed.
bool DecideAmounts(const std::string &codeLine,
                   const std::optional<std::string> &amount,
                   const std::optional<std::string> &words,
                   std::string &figures, std::string &legal);

} // namespace vs

#endif
