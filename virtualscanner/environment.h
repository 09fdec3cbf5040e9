// The MIRB_VIRTUAL_* variables, as the entries read them (README
// "Environment variables" says when and what for).
#ifndef QELSCANNER_VIRTUALSCANNER_ENVIRONMENT_H
#define QELSCANNER_VIRTUALSCANNER_ENVIRONMENT_H

#include <optional>
#include <string>

namespace vs {

// An environment variable as a whole number, if set and well formed.
std::optional<int> EnvInt(const char *name);
std::optional<long long> EnvNumber(const char *name);
// An environment variable's text when it is set (even empty), else unset.
std::string EnvText(const char *name, const char *unset);

} // namespace vs

#endif
