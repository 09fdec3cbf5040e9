// The MIRB_VIRTUAL_* variables, as the entries read them (README
// "Environment variables" says when and what for).
#ifndef QELSCANNER_VIRTUALSCANNER_ENVIRONMENT_H
#define QELSCANNER_VIRTUALSCANNER_ENVIRONMENT_H

#include <optional>

namespace vs {

// An environment variable as a whole number, if set and well formed.
std::optional<int> EnvInt(const char *name);
std::optional<long long> EnvNumber(const char *name);

} // namespace vs

#endif
